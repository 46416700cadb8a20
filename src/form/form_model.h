// The model of the main window: every control with its caption, hint and value, grouped by page,
// plus the lists and accumulators the settings file keeps.
#pragma once

#include <string>
#include <vector>

#include "form/app_entry.h"
#include "form/controls.h"
#include "form/entry_lists.h"
#include "form/live_pages.h"
#include "form/statistics.h"
#include "platform/locale_format.h"

namespace velmor {

inline constexpr const char* kProgramTitle = "Velmor";
inline constexpr const char* kMainCaption = "Velmor 0.97";
inline constexpr const char* kVersion = "0.97";
// The program's home page; its host is a reserved name that never resolves.
inline constexpr const char* kHomePage = "http://velmor.invalid";
inline constexpr const char* kHomeHost = "velmor.invalid";

inline constexpr const char* kDialCaption = "Звонить";
inline constexpr const char* kAbortCaption = "Прервать";
inline constexpr const char* kHangUpCaption = "Разорвать";
inline constexpr const char* kDialHint = "Установить модемное соединение - подключиться к Интернет";
inline constexpr const char* kAbortHint = "Прервать процесс установления соединения";
inline constexpr const char* kHangUpHint =
    "Разорвать модемное соединение - отключиться от Интернета";

// The display modes, as stored.
enum class DisplayMode { Task, Tray, Both, None };

// Page "Соединение": entry selector, dial button, state lines, phone and login lists, lock.
struct ConnectionPage {
    ComboBox ComboBox1;
    Button BitBtn6, BitBtn8, BitBtn7;              // create, edit, delete entry
    ListView ListView1;                            // phones: "Телефон"
    ListView ListView2;                            // logins: "Логин", "$"
    Button BitBtn1, BitBtn2, BitBtn4, BitBtn3;     // phone: add, delete, exclude, edit
    Button BitBtn11, BitBtn12, BitBtn5, BitBtn13;  // login: add, delete, exclude, edit
    Button Button1;                                // dial / abort / hang up
    Label Label1, Label2;                          // "Состояние:" and the state line
    Label Label3, Label4;  // "Прошлая попытка:" and the previous attempt
    Label Label5, Label6;  // "Всего попыток:" and the attempt counter
    Button BitLock;
    std::string BitLockGlyph = "LOCK";  // "LOCK" while unlocked, "UNLOCK" while locked
    MenuItem N1;                        // "Сменить пароль" in PopupChangePass
};

// Settings, inner page "Общие".
struct GeneralPage {
    CheckBox OnStartDial, AutoReDialCheck, TopLoginCheck, AutoUpdateCheck;
    GroupBox PauseGroup;
    Label PauseLabel, PauseUnitLabel;
    Edit PauseEdit;
    velmor::UpDown UpDown;  // the pause in seconds, 1 to 60
    Label Label29;          // "Может перестать звонить"
};

// Settings, inner page "Интерфейс".
struct InterfacePage {
    GroupBox ModeGroup;
    RadioButton TaskRadio, TrayRadio, BothRadio, NoneRadio;
    GroupBox IconGroup;
    velmor::TrackBar TrackBar;
    Image Image7;
    Label Label27, Label28;  // "0" and the number of icon sets
    CheckBox HideOnRunCheck, HideOnConnectCheck, ShowOnDisconnCheck, NotShowHints;
    Label NoTaskbarLabel;  // shown where a window on the screen cannot leave the taskbar
};

// Settings, inner page "Дозвон": the ping group and the minimum speed.
struct DialPage {
    GroupBox PingGroup;  // " Пинг "
    CheckBox PingCheck;
    Edit PingEdit;
    Label PingErrorLabel;  // "при ошибке"
    ComboBox PingBox;
    Edit pingcount;
    UpDown UpDown4;
    Label PingTimesLabel;  // "раз(а)"
    CheckBox PingRepeatCheck;
    CheckBox LimitCheck;
    ComboBox LowLimit;
    Label LowLimitUnit;  // "bps"
};

// Settings, inner page "Дополнительно": dial mode, prefix and suffix, minimum download.
struct ExtraPage {
    GroupBox DialModeGroup;
    RadioButton Tone, Pulse;
    Label PrefixLabel, SuffixLabel;  // "префикс", "после номера"
    Edit InitPrefix, InitSufix;
    CheckBox CheckBox1;  // "Перезвонить если скачано менее"
    SpinEdit SpinEdit1;  // kilobytes
    Label KbLabel;       // "Кб"
    Label ZaLabel;       // "за"
    SpinEdit SpinEdit3;  // minutes
    Label MinutesLabel;  // "минут"
};

// Settings, inner page "Горячие клавиши".
struct HotKeysPage {
    Label HeadLabel1, HeadLabel2;  // "Кнопки для быстрого управления" / "программой"
    CheckBox DialCheck, MinCheck, LockCheck;
    HotKeyEdit HotDial, HotMin, HotLock;
    Button Button11;       // "Применить"
    Label NoHotKeysLabel;  // shown where the desktop has no global hot keys
    // Beside each binding, the keys a desktop that has the last word on them gave it.
    Label DialTrigger, MinTrigger, LockTrigger;
};

// Events, inner page "Звуки".
struct SoundsPage {
    Label HeadLabel;  // "Звуковое оповещение"
    GroupBox ConnGroup, DisconnGroup;
    CheckBox ConnCheck, DisconnCheck;
    Edit ConnEdit, DisconnEdit;
    Button Button6, Button7;  // connect: "Открыть", "Тест"
    Button Button9, Button8;  // loss: "Открыть", "Тест"
};

// Events, inner page "Приложения".
struct AppsPage {
    Label HeadLabel1, HeadLabel2;  // "Настройки запуска приложений" / "свои для каждого соединения"
    ListView capplist;             // "Описание приложения", a check box per row
    Button BitBtn9, BitBtn10, BitBtn14;  // "Добавить", "Изменить", "Удалить"
};

// Page "Таймер".
struct TimerPage {
    GroupBox DialGroup, HangGroup;  // " Установить соединение ", " Разорвать соединение "
    CheckBox TimerDialCheck, TimerDialRepCheck;
    Edit DialHourEdit, DialMinuteEdit;
    UpDown DialHourUpDown, DialMinuteUpDown;
    CheckBox TimerHangCheck, TimerHangRepCheck, PowerCheck, ForceCheck;
    Edit HangHourEdit, HangMinuteEdit;
    UpDown HangHourUpDown, HangMinuteUpDown;
    Label DialClock, HangClock;  // the clocks showing the time of day
    Button Button13;             // "Применить"
};

// Statistics, inner page "Время".
struct TimeStatsPage {
    std::vector<Label> RowLabels;
    Label TotalAllLabel, TodayAllLabel, InInternetMonthLabel, InInternetLastMonthLabel;
    Label InCurrentAllLabel, InInternetCurrentMonthLabel, InInternetCurrentLastMonthLabel,
        InCurrentLastLabel;
    Button SpeedButton1;
};

// Statistics, inner page "Траффик".
struct TrafficStatsPage {
    std::vector<Label> RowLabels;
    Label TrafficAllLabel, TrafficMonthLabel, TrafficTodayLabel, TrafficLastMonthLabel;
    Label TrafficCurrentLabel, TrafficCurrentMonthLabel, TrafficCurrentLastMonthLabel,
        TrafficLastLabel;
    Button SpeedButton2;
};

// Statistics, inner page "Деньги".
struct MoneyStatsPage {
    std::vector<Label> RowLabels;
    Label DengiAllLabel, DengiMonthLabel, DengiLastMonthLabel, DengiTodayLabel;
    Label DengiCurrentAllLabel, DengiCurrentMonthLabel, DengiCurrentLastMonthLabel, DengiLastLabel;
    Button SpeedButton3;
};

// Statistics, inner page "Настройки тарифов".
struct TariffPage {
    Label HeadLabel;                    // "свои для каждого соединения"
    RadioGroup tariffcount;             // "Количество тарифов:"
    Label FromHead, ToHead, PriceHead;  // "исключая", "включая", "цена часа"
    SpinEdit time1, time2, time3;
    SpinEdit SpinEdit2, SpinEdit4, SpinEdit6;  // the "to" hours, read-only
    NumberEdit tariff1, tariff2, tariff3;
    std::vector<Label> RowLabels;  // "С", "по", "д.е." of each row
    bool row2Visible = false;
    bool row3Visible = false;
};

// The tray and page pop-up menu.
struct TrayMenu {
    MenuItem MShow;  // "Свернуть" / "Восстановить"
    MenuItem MCall, MStop, MHangUp, MRecall, MNext;
    MenuItem CopyIP, MExit;
};

// What the window shows of itself.
struct WindowState {
    std::string caption = kMainCaption;
    std::string applicationTitle = kProgramTitle;
    bool showHints = true;
    bool minimized = false;
    bool visible = true;
    bool taskbarButtonVisible = true;
    bool trayIconVisible = false;
    int iconIndex = 0;  // in the tray icon store
    int pageIndex = 0;  // PageControl1
    int settingsPageIndex = 0;
    int eventsPageIndex = 0;
    int statsPageIndex = 0;
};

// Process-wide values of the running program.
struct ProgramState {
    std::string settingsPath;  // the program directory + "Velmor.ini"
    std::string machineCode;   // stored as LockCode while unlocked
    std::string machineKey;    // the key of the stored program password
    std::string lockPassword;  // the program password in clear; empty: none set
    bool locked = true;
    std::string previousEntry;  // the entry whose settings are on display
    bool hangUpOnExit = false;
    bool closeAllowed = true;
    bool changePasswordMode = false;
    bool settingsLoaded = false;  // LoadSettings has run in this program run
};

struct MainForm {
    MainForm();

    ProgramState state;

    WindowState window;
    ConnectionPage conn;
    GeneralPage general;
    InterfacePage iface;
    DialPage dial;
    ExtraPage extra;
    HotKeysPage hotkeys;
    SoundsPage sounds;
    AppsPage apps;
    TimerPage timer;
    TimeStatsPage timeStats;
    TrafficStatsPage trafficStats;
    MoneyStatsPage moneyStats;
    TariffPage tariffs;
    QuotaGroup quota;  // on the tariff page
    GraphPage graph;
    TrayMenu menu;
    Button Button2, Button5, Button10, Button3;  // "Спрятать", "Выход", "Справка", "О программе"

    // The lists of the entry on display.
    std::vector<PhoneItem> phones;
    std::vector<LoginItem> logins;
    std::vector<AppEntry> programs;

    Statistics stats;
    LocaleFormat locale;

    DisplayMode mode() const;
    void setMode(DisplayMode m);
};

// The page captions, in order.
extern const char* const kPageCaptions[5];
extern const char* const kSettingsPageCaptions[5];
extern const char* const kEventsPageCaptions[2];
extern const char* const kStatsPageCaptions[5];
// The minimum speeds offered, in bits per second.
extern const char* const kSpeeds[19];

}  // namespace velmor
