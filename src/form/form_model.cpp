#include "form/form_model.h"

namespace velmor {

const char* const kPageCaptions[5] = {"Соединение", "Настройки", "События", "Таймер", "Статистика"};
const char* const kSettingsPageCaptions[5] = {"Общие", "Интерфейс", "Дозвон", "Горячие клавиши",
                                              "Дополнительно"};
const char* const kEventsPageCaptions[2] = {"Звуки", "Приложения"};
const char* const kStatsPageCaptions[5] = {"Время", "Траффик", "Деньги", "Настройки тарифов",
                                           "График"};
const char* const kSpeeds[19] = {"14400", "16800", "19200", "21600", "24000", "26400", "28800",
                                 "31200", "33600", "34600", "36000", "37333", "38600", "40000",
                                 "42600", "44000", "45333", "46600", "48000"};

namespace {

template <class C>
C make(const char* caption, const char* hint = "") {
    C c;
    c.caption = caption;
    c.hint = hint;
    return c;
}

Label valueLabel(const char* text) {
    return make<Label>(text);
}

UpDown upDown(int lo, int hi, int pos) {
    UpDown u;
    u.min = lo;
    u.max = hi;
    u.position = pos;
    return u;
}

Edit readOnlyEdit(const char* text) {
    Edit e;
    e.text = text;
    e.readOnly = true;
    return e;
}

void initConnectionPage(ConnectionPage& p) {
    p.ComboBox1.hint =
        "Соединения телефонной книги удалённого доступа. Создать, изменить или удалить "
        "соединение можно кнопками справа";
    p.BitBtn6 = make<Button>("", "Создать соединение");
    p.BitBtn8 = make<Button>("", "Изменить настройки соединения");
    p.BitBtn7 = make<Button>("", "Удалить соединение");
    p.ListView1.columns = {{"Телефон", 130}};
    p.ListView2.columns = {{"Логин", 95}, {"$", 35}};
    p.BitBtn1 = make<Button>("", "Вставить телефон в список");
    p.BitBtn2 = make<Button>("", "Удалить телефон из списка");
    p.BitBtn4 = make<Button>("", "Временно исключить выбранный телефон");
    p.BitBtn3 = make<Button>("", "Редактировать телефон в списке");
    p.BitBtn11 = make<Button>("", "Вставить логин в список");
    p.BitBtn12 = make<Button>("", "Удалить логин из списка");
    p.BitBtn5 = make<Button>("", "Временно исключить выбранный логин");
    p.BitBtn13 = make<Button>("", "Редактировать логин в списке");
    p.Button1 = make<Button>(kDialCaption, kDialHint);
    p.Label1 = make<Label>("Состояние:");
    p.Label3 = make<Label>("Прошлая попытка:");
    p.Label5 = make<Label>("Всего попыток:");
    p.Label6 = make<Label>("0");
    p.BitLock = make<Button>("", "Заблокировать");
    p.N1 = make<MenuItem>("Сменить пароль");
}

void initSettingsPages(MainForm& f) {
    auto& g = f.general;
    g.OnStartDial = make<CheckBox>("Устанавливать соединение при запуске");
    g.AutoReDialCheck = make<CheckBox>("Перезванивать при обрыве");
    g.TopLoginCheck = make<CheckBox>("Перемещать рабочий логин вверх списка");
    g.TopLoginCheck.checked = true;
    g.AutoUpdateCheck = make<CheckBox>("Периодически проверять обновление",
                                       "Автоматическая проверка на обновление через Internet");
    g.AutoUpdateCheck.checked = true;
    g.PauseGroup = make<GroupBox>(" Дозвон ");
    g.PauseLabel = make<Label>("Пауза перед следующим звонком");
    g.PauseUnitLabel = make<Label>("сек");
    g.UpDown = upDown(1, 60, 5);
    g.PauseEdit.text = "5";
    g.Label29 = make<Label>("Может перестать звонить");
    g.Label29.visible = false;

    auto& i = f.iface;
    i.ModeGroup = make<GroupBox>(" Показывать Velmor в ");
    i.TaskRadio = make<RadioButton>("Только в таскбаре", "Внизу");
    i.TaskRadio.checked = true;
    i.TrayRadio = make<RadioButton>("Только в трее", "Около часов");
    i.BothRadio = make<RadioButton>("И там и там", "И около часов и внизу");
    i.NoneRadio = make<RadioButton>("Нигде", "Управлять можно только горячими клавишами");
    i.IconGroup = make<GroupBox>(" Иконка ");
    i.TrackBar.hint = "Потом будет больше";
    i.TrackBar.min = 0;
    i.TrackBar.max = 4;
    i.Label27 = make<Label>("0");
    i.Label28 = make<Label>("5");
    i.HideOnRunCheck = make<CheckBox>("Прятать программу при запуске");
    i.HideOnConnectCheck = make<CheckBox>("Прятать программу при установке соединения");
    i.ShowOnDisconnCheck = make<CheckBox>("Показывать при потере соединения");
    i.NotShowHints = make<CheckBox>("Не показывать всплывающие подсказки (хинты)");
    i.NoTaskbarLabel = make<Label>(
        "В сеансе Wayland окно Velmor на экране всегда видно в таскбаре; убрать его оттуда можно, "
        "только свернув.");
    i.NoTaskbarLabel.visible = false;

    auto& d = f.dial;
    d.PingGroup = make<GroupBox>(" Пинг ", "Настройки пинга свои для каждого соединения");
    d.PingCheck = make<CheckBox>("Пинговать");
    d.PingEdit.text = kHomeHost;
    d.PingErrorLabel = make<Label>("при ошибке");
    d.PingBox.items = {"нет действий", "прервать дозвон", "перезвонить", "след. логин"};
    d.PingBox.itemIndex = 0;
    d.pingcount.text = "3";
    d.UpDown4 = upDown(1, 100, 3);
    d.PingTimesLabel = make<Label>("раз(а)");
    for (Control* c : {static_cast<Control*>(&d.PingEdit), static_cast<Control*>(&d.PingBox),
                       static_cast<Control*>(&d.pingcount), static_cast<Control*>(&d.UpDown4)}) {
        c->enabled = false;
    }
    d.PingRepeatCheck = make<CheckBox>("Имитировать активность");
    d.LimitCheck = make<CheckBox>("Минимальная скорость");
    d.LowLimit.items.assign(std::begin(kSpeeds), std::end(kSpeeds));
    d.LowLimit.itemIndex = 8;  // 33600
    d.LowLimit.enabled = false;
    d.LowLimitUnit = make<Label>("bps");

    auto& x = f.extra;
    x.DialModeGroup = make<GroupBox>(" Набор номера ");
    x.Tone = make<RadioButton>("Тоновый");
    x.Pulse = make<RadioButton>("Импульсный");
    x.Pulse.checked = true;
    x.PrefixLabel = make<Label>("префикс");
    x.SuffixLabel = make<Label>("после номера");
    x.CheckBox1 = make<CheckBox>("Перезвонить если скачано менее");
    x.SpinEdit1 = spinEdit(0, 99999999, 5);
    x.KbLabel = make<Label>("Кб");
    x.ZaLabel = make<Label>("за");
    x.SpinEdit3 = spinEdit(0, 5000, 5);
    x.MinutesLabel = make<Label>("минут");
    for (Control* c : {static_cast<Control*>(&x.SpinEdit1), static_cast<Control*>(&x.SpinEdit3),
                       static_cast<Control*>(&x.KbLabel), static_cast<Control*>(&x.ZaLabel),
                       static_cast<Control*>(&x.MinutesLabel)}) {
        c->enabled = false;
    }

    auto& h = f.hotkeys;
    h.HeadLabel1 = make<Label>("Кнопки для быстрого управления");
    h.HeadLabel2 = make<Label>("программой");
    h.DialCheck = make<CheckBox>("Звонить/прервать/перезвонить");
    h.MinCheck = make<CheckBox>("Свернуть/развернуть");
    h.LockCheck = make<CheckBox>("Заблокировать/разблокировать");
    h.HotDial.hotKey = 121;    // F10
    h.HotMin.hotKey = 122;     // F11
    h.HotLock.hotKey = 16506;  // Ctrl+F11
    h.Button11 = make<Button>("Применить");
    h.Button11.enabled = false;
    h.NoHotKeysLabel = make<Label>("На этом рабочем столе глобальные горячие клавиши недоступны.");
    h.NoHotKeysLabel.visible = false;
    for (Label* trigger : {&h.DialTrigger, &h.MinTrigger, &h.LockTrigger})
        trigger->visible = false;
}

void initEventPages(MainForm& f) {
    auto& s = f.sounds;
    s.HeadLabel = make<Label>("Звуковое оповещение");
    s.ConnGroup = make<GroupBox>(" Сигнал при установке соединения ");
    s.DisconnGroup = make<GroupBox>(" Сигнал при потере соединения ");
    s.ConnCheck = make<CheckBox>("Подавать сигнал");
    s.DisconnCheck = make<CheckBox>("Подавать сигнал");
    s.Button6 = make<Button>("Открыть");
    s.Button7 = make<Button>("Тест");
    s.Button9 = make<Button>("Открыть");
    s.Button8 = make<Button>("Тест");

    auto& a = f.apps;
    a.HeadLabel1 = make<Label>("Настройки запуска приложений");
    a.HeadLabel2 = make<Label>("свои для каждого соединения");
    a.capplist.columns = {{"Описание приложения", 300}};
    a.BitBtn9 = make<Button>("Добавить");
    a.BitBtn10 = make<Button>("Изменить");
    a.BitBtn14 = make<Button>("Удалить");

    auto& t = f.timer;
    t.DialGroup = make<GroupBox>(" Установить соединение ");
    t.HangGroup = make<GroupBox>(" Разорвать соединение ");
    t.TimerDialCheck = make<CheckBox>("Установить в");
    t.TimerDialRepCheck = make<CheckBox>("Повторять");
    t.TimerHangCheck = make<CheckBox>("Разорвать в");
    t.TimerHangRepCheck = make<CheckBox>("Повторять");
    t.PowerCheck = make<CheckBox>("Выключить компьютер");
    t.ForceCheck = make<CheckBox>("Принудить");
    t.DialHourEdit = readOnlyEdit("0");
    t.DialMinuteEdit = readOnlyEdit("0");
    t.HangHourEdit = readOnlyEdit("0");
    t.HangMinuteEdit = readOnlyEdit("0");
    t.DialHourUpDown = upDown(0, 23, 0);
    t.DialMinuteUpDown = upDown(0, 59, 0);
    t.HangHourUpDown = upDown(0, 23, 0);
    t.HangMinuteUpDown = upDown(0, 59, 0);
    t.DialClock = make<Label>("00:00");
    t.HangClock = make<Label>("00:00");
    t.Button13 = make<Button>("Применить");
    t.Button13.enabled = false;
}

// The rows of a statistics page: the four totals (in the page's order) and the four figures of
// the connection, each with its value label.
struct StatRows {
    const char* const (&totals)[4];
    std::initializer_list<Label*> values;
    const char* initial;
};

void initStatRows(std::vector<Label>& rows, const StatRows& r, Button& reset) {
    rows.clear();
    for (const char* caption : r.totals)
        rows.push_back(make<Label>(caption));
    for (const char* caption : {"Через это соединение всего:", "В этом месяце:",
                                "В прошлом месяце:", "За текущий (прошедший сеанс)"}) {
        rows.push_back(make<Label>(caption));
    }
    for (Label* l : r.values)
        *l = valueLabel(r.initial);
    reset = make<Button>("Сбросить", "Сбросить статистику для данного соединения");
}

void initStatsPages(MainForm& f) {
    static const char* const timeTotals[4] = {
        "Всего:", "Сегодня:", "В этом месяце:", "В прошлом месяце:"};
    static const char* const trafficTotals[4] = {
        "Всего:", "В этом месяце:", "Сегодня:", "В прошлом месяце:"};
    static const char* const moneyTotals[4] = {
        "Всего:", "В этом месяце:", "В прошлом месяце:", "Сегодня:"};
    auto& ts = f.timeStats;
    initStatRows(
        ts.RowLabels,
        {timeTotals,
         {&ts.TotalAllLabel, &ts.TodayAllLabel, &ts.InInternetMonthLabel,
          &ts.InInternetLastMonthLabel, &ts.InCurrentAllLabel, &ts.InInternetCurrentMonthLabel,
          &ts.InInternetCurrentLastMonthLabel, &ts.InCurrentLastLabel},
         "0.00:00:00"},
        ts.SpeedButton1);
    auto& tr = f.trafficStats;
    initStatRows(tr.RowLabels,
                 {trafficTotals,
                  {&tr.TrafficAllLabel, &tr.TrafficMonthLabel, &tr.TrafficTodayLabel,
                   &tr.TrafficLastMonthLabel, &tr.TrafficCurrentLabel, &tr.TrafficCurrentMonthLabel,
                   &tr.TrafficCurrentLastMonthLabel, &tr.TrafficLastLabel},
                  "0/0"},
                 tr.SpeedButton2);
    auto& m = f.moneyStats;
    initStatRows(m.RowLabels,
                 {moneyTotals,
                  {&m.DengiAllLabel, &m.DengiMonthLabel, &m.DengiLastMonthLabel, &m.DengiTodayLabel,
                   &m.DengiCurrentAllLabel, &m.DengiCurrentMonthLabel,
                   &m.DengiCurrentLastMonthLabel, &m.DengiLastLabel},
                  "0,00"},
                 m.SpeedButton3);

    auto& t = f.tariffs;
    t.HeadLabel = make<Label>("свои для каждого соединения");
    t.tariffcount.caption = "Количество тарифов:";
    t.tariffcount.items = {"Один", "Два", "Три"};
    t.tariffcount.itemIndex = 0;
    t.FromHead = make<Label>("исключая");
    t.ToHead = make<Label>("включая");
    t.PriceHead = make<Label>("цена часа");
    t.time1 = spinEdit(0, 23, 0);
    t.time1.enabled = false;  // one tariff
    t.time2 = spinEdit(0, 23, 0);
    t.time3 = spinEdit(0, 23, 0);
    t.SpinEdit2 = spinEdit(0, 24, 24);
    t.SpinEdit4 = spinEdit(0, 24, 0);
    t.SpinEdit6 = spinEdit(0, 24, 0);
    for (SpinEdit* s : {&t.SpinEdit2, &t.SpinEdit4, &t.SpinEdit6})
        s->readOnly = true;
    for (NumberEdit* n : {&t.tariff1, &t.tariff2, &t.tariff3})
        n->text = "0";
    for (int row = 0; row < 3; ++row) {
        t.RowLabels.push_back(make<Label>("С"));
        t.RowLabels.push_back(make<Label>("по"));
        t.RowLabels.push_back(make<Label>("д.е."));
    }
}

void initMenu(TrayMenu& m) {
    m.MShow = make<MenuItem>("Свернуть");
    m.MCall = make<MenuItem>("Звонить");
    m.MStop = make<MenuItem>("Прервать");
    m.MHangUp = make<MenuItem>("Разорвать");
    m.MRecall = make<MenuItem>("Перезвонить");
    m.MNext = make<MenuItem>("Следуюший");
    for (MenuItem* i : {&m.MStop, &m.MHangUp, &m.MRecall, &m.MNext})
        i->enabled = false;
    m.CopyIP = make<MenuItem>("Копировать IP в буфер");
    m.MExit = make<MenuItem>("Выход");
}

}  // namespace

MainForm::MainForm() {
    initConnectionPage(conn);
    initSettingsPages(*this);
    initEventPages(*this);
    initStatsPages(*this);
    initMenu(menu);
    Button2 = make<Button>("Спрятать");
    Button5 = make<Button>("Выход");
    Button10 = make<Button>("Справка");
    Button3 = make<Button>("О программе");
}

DisplayMode MainForm::mode() const {
    if (iface.TrayRadio.checked) return DisplayMode::Tray;
    if (iface.BothRadio.checked) return DisplayMode::Both;
    if (iface.NoneRadio.checked) return DisplayMode::None;
    return DisplayMode::Task;
}

void MainForm::setMode(DisplayMode m) {
    iface.TaskRadio.checked = m == DisplayMode::Task;
    iface.TrayRadio.checked = m == DisplayMode::Tray;
    iface.BothRadio.checked = m == DisplayMode::Both;
    iface.NoneRadio.checked = m == DisplayMode::None;
}

}  // namespace velmor
