// The main window over a form model: pages, controls with captions and hints, widget input
// written to the model and handed to the handlers, and redraws that follow the model.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <stdexcept>

#include "form/form_model.h"
#include "form/page_switches.h"
#include "ui/icons.h"
#include "ui/list_views.h"
#include "ui/main_window.h"
#include "ui/widgets.h"
#include "ui_test_support.h"

namespace velmor::test {
namespace {

using Calls = std::vector<std::string>;

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest()
        : window(model, handlers, [this](const std::string& m) { errors.push_back(m); }) {}

    QWidget* sheet(const char* name) { return child<QWidget>(&window, name); }
    template <class W>
    W* in(const char* sheetName, const char* name) {
        QWidget* s = sheet(sheetName);
        return s ? child<W>(s, name) : nullptr;
    }

    MainForm model;
    RecordingHandlers handlers;
    std::vector<std::string> errors;
    MainWindow window;
};

QString shownCaption(QObject* o) {
    if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(o)) return g->title();
    if (auto* a = qobject_cast<QAction*>(o)) return a->text();
    return {};
}

QString shownHint(QObject* o) {
    if (auto* a = qobject_cast<QAction*>(o))
        return a->toolTip() == a->text() ? QString() : a->toolTip();
    if (auto* w = qobject_cast<QWidget*>(o)) return w->toolTip();
    return {};
}

TEST_F(MainWindowTest, WindowPagesAndInnerPagesCarryTheirCaptions) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmor 0.97"));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "the window is not resizable";
    EXPECT_EQ(window.size(), MainWindow::clientSize(&window));

    auto* pages = child<QTabWidget>(&window, "PageControl1");
    ASSERT_TRUE(pages);
    ASSERT_EQ(pages->count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pages->tabText(i), QString::fromUtf8(kPageCaptions[i]));

    const struct {
        const char* name;
        int page;
        const char* const* captions;
        int count;
    } inner[] = {{"PageControl2", 1, kSettingsPageCaptions, 5},
                 {"PageControl4", 2, kEventsPageCaptions, 2},
                 {"PageControl3", 4, kStatsPageCaptions, 5}};
    for (const auto& expected : inner) {
        auto* tabs = child<QTabWidget>(&window, expected.name);
        ASSERT_TRUE(tabs);
        EXPECT_TRUE(pages->widget(expected.page)->isAncestorOf(tabs))
            << expected.name << " is on its page of PageControl1";
        ASSERT_EQ(tabs->count(), expected.count);
        for (int i = 0; i < expected.count; ++i)
            EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(expected.captions[i]));
    }

    for (const char* name : {"Button2", "Button5", "Button10", "Button3"}) {
        auto* b = child<QPushButton>(&window, name);
        ASSERT_TRUE(b);
        EXPECT_FALSE(pages->isAncestorOf(b)) << name << " is under the pages";
    }
    EXPECT_EQ(child<QPushButton>(&window, "Button2")->text(), QStringLiteral("Спрятать"));
    EXPECT_EQ(child<QPushButton>(&window, "Button3")->text(), QStringLiteral("О программе"));
}

TEST_F(MainWindowTest, EveryControlIsOnItsPageWithCaptionAndHint) {
    auto& c = model.conn;
    auto& g = model.general;
    auto& i = model.iface;
    auto& d = model.dial;
    auto& x = model.extra;
    auto& k = model.hotkeys;
    auto& s = model.sounds;
    auto& a = model.apps;
    auto& t = model.timer;
    auto& ts = model.timeStats;
    auto& tr = model.trafficStats;
    auto& ms = model.moneyStats;
    auto& tf = model.tariffs;
    const std::vector<std::tuple<const char*, const char*, const Control*>> controls = {
        {"TabSheet1", "ComboBox1", &c.ComboBox1},
        {"TabSheet1", "BitBtn6", &c.BitBtn6},
        {"TabSheet1", "BitBtn8", &c.BitBtn8},
        {"TabSheet1", "BitBtn7", &c.BitBtn7},
        {"TabSheet1", "ListView1", &c.ListView1},
        {"TabSheet1", "ListView2", &c.ListView2},
        {"TabSheet1", "BitBtn1", &c.BitBtn1},
        {"TabSheet1", "BitBtn2", &c.BitBtn2},
        {"TabSheet1", "BitBtn4", &c.BitBtn4},
        {"TabSheet1", "BitBtn3", &c.BitBtn3},
        {"TabSheet1", "BitBtn11", &c.BitBtn11},
        {"TabSheet1", "BitBtn12", &c.BitBtn12},
        {"TabSheet1", "BitBtn5", &c.BitBtn5},
        {"TabSheet1", "BitBtn13", &c.BitBtn13},
        {"TabSheet1", "Button1", &c.Button1},
        {"TabSheet1", "Label1", &c.Label1},
        {"TabSheet1", "Label2", &c.Label2},
        {"TabSheet1", "Label3", &c.Label3},
        {"TabSheet1", "Label4", &c.Label4},
        {"TabSheet1", "Label5", &c.Label5},
        {"TabSheet1", "Label6", &c.Label6},
        {"TabSheet1", "BitLock", &c.BitLock},
        {"TabSheet1", "N1", &c.N1},
        {"TabSheet2", "OnStartDial", &g.OnStartDial},
        {"TabSheet2", "AutoReDialCheck", &g.AutoReDialCheck},
        {"TabSheet2", "TopLoginCheck", &g.TopLoginCheck},
        {"TabSheet2", "AutoUpdateCheck", &g.AutoUpdateCheck},
        {"TabSheet2", "PauseGroup", &g.PauseGroup},
        {"TabSheet2", "PauseLabel", &g.PauseLabel},
        {"TabSheet2", "PauseUnitLabel", &g.PauseUnitLabel},
        {"TabSheet2", "PauseEdit", &g.PauseEdit},
        {"TabSheet2", "UpDown", &g.UpDown},
        {"TabSheet2", "Label29", &g.Label29},
        {"TabSheet3", "ModeGroup", &i.ModeGroup},
        {"TabSheet3", "TaskRadio", &i.TaskRadio},
        {"TabSheet3", "TrayRadio", &i.TrayRadio},
        {"TabSheet3", "BothRadio", &i.BothRadio},
        {"TabSheet3", "NoneRadio", &i.NoneRadio},
        {"TabSheet3", "IconGroup", &i.IconGroup},
        {"TabSheet3", "TrackBar", &i.TrackBar},
        {"TabSheet3", "Image7", &i.Image7},
        {"TabSheet3", "Label27", &i.Label27},
        {"TabSheet3", "Label28", &i.Label28},
        {"TabSheet3", "HideOnRunCheck", &i.HideOnRunCheck},
        {"TabSheet3", "HideOnConnectCheck", &i.HideOnConnectCheck},
        {"TabSheet3", "ShowOnDisconnCheck", &i.ShowOnDisconnCheck},
        {"TabSheet3", "NotShowHints", &i.NotShowHints},
        {"TabSheet4", "PingGroup", &d.PingGroup},
        {"TabSheet4", "PingCheck", &d.PingCheck},
        {"TabSheet4", "PingEdit", &d.PingEdit},
        {"TabSheet4", "PingErrorLabel", &d.PingErrorLabel},
        {"TabSheet4", "PingBox", &d.PingBox},
        {"TabSheet4", "pingcount", &d.pingcount},
        {"TabSheet4", "UpDown4", &d.UpDown4},
        {"TabSheet4", "PingTimesLabel", &d.PingTimesLabel},
        {"TabSheet4", "PingRepeatCheck", &d.PingRepeatCheck},
        {"TabSheet4", "LimitCheck", &d.LimitCheck},
        {"TabSheet4", "LowLimit", &d.LowLimit},
        {"TabSheet4", "LowLimitUnit", &d.LowLimitUnit},
        {"TabSheet6", "HeadLabel1", &k.HeadLabel1},
        {"TabSheet6", "HeadLabel2", &k.HeadLabel2},
        {"TabSheet6", "DialCheck", &k.DialCheck},
        {"TabSheet6", "MinCheck", &k.MinCheck},
        {"TabSheet6", "LockCheck", &k.LockCheck},
        {"TabSheet6", "HotDial", &k.HotDial},
        {"TabSheet6", "HotMin", &k.HotMin},
        {"TabSheet6", "HotLock", &k.HotLock},
        {"TabSheet6", "Button11", &k.Button11},
        {"TabSheet7", "DialModeGroup", &x.DialModeGroup},
        {"TabSheet7", "Tone", &x.Tone},
        {"TabSheet7", "Pulse", &x.Pulse},
        {"TabSheet7", "PrefixLabel", &x.PrefixLabel},
        {"TabSheet7", "SuffixLabel", &x.SuffixLabel},
        {"TabSheet7", "InitPrefix", &x.InitPrefix},
        {"TabSheet7", "InitSufix", &x.InitSufix},
        {"TabSheet7", "CheckBox1", &x.CheckBox1},
        {"TabSheet7", "SpinEdit1", &x.SpinEdit1},
        {"TabSheet7", "KbLabel", &x.KbLabel},
        {"TabSheet7", "ZaLabel", &x.ZaLabel},
        {"TabSheet7", "SpinEdit3", &x.SpinEdit3},
        {"TabSheet7", "MinutesLabel", &x.MinutesLabel},
        {"TabSheet8", "HeadLabel", &s.HeadLabel},
        {"TabSheet8", "ConnGroup", &s.ConnGroup},
        {"TabSheet8", "DisconnGroup", &s.DisconnGroup},
        {"TabSheet8", "ConnCheck", &s.ConnCheck},
        {"TabSheet8", "DisconnCheck", &s.DisconnCheck},
        {"TabSheet8", "ConnEdit", &s.ConnEdit},
        {"TabSheet8", "DisconnEdit", &s.DisconnEdit},
        {"TabSheet8", "Button6", &s.Button6},
        {"TabSheet8", "Button7", &s.Button7},
        {"TabSheet8", "Button9", &s.Button9},
        {"TabSheet8", "Button8", &s.Button8},
        {"TabSheet9", "HeadLabel1", &a.HeadLabel1},
        {"TabSheet9", "HeadLabel2", &a.HeadLabel2},
        {"TabSheet9", "capplist", &a.capplist},
        {"TabSheet9", "BitBtn9", &a.BitBtn9},
        {"TabSheet9", "BitBtn10", &a.BitBtn10},
        {"TabSheet9", "BitBtn14", &a.BitBtn14},
        {"TabSheet10", "DialGroup", &t.DialGroup},
        {"TabSheet10", "HangGroup", &t.HangGroup},
        {"TabSheet10", "TimerDialCheck", &t.TimerDialCheck},
        {"TabSheet10", "TimerDialRepCheck", &t.TimerDialRepCheck},
        {"TabSheet10", "DialHourEdit", &t.DialHourEdit},
        {"TabSheet10", "DialMinuteEdit", &t.DialMinuteEdit},
        {"TabSheet10", "DialHourUpDown", &t.DialHourUpDown},
        {"TabSheet10", "DialMinuteUpDown", &t.DialMinuteUpDown},
        {"TabSheet10", "TimerHangCheck", &t.TimerHangCheck},
        {"TabSheet10", "TimerHangRepCheck", &t.TimerHangRepCheck},
        {"TabSheet10", "PowerCheck", &t.PowerCheck},
        {"TabSheet10", "ForceCheck", &t.ForceCheck},
        {"TabSheet10", "HangHourEdit", &t.HangHourEdit},
        {"TabSheet10", "HangMinuteEdit", &t.HangMinuteEdit},
        {"TabSheet10", "HangHourUpDown", &t.HangHourUpDown},
        {"TabSheet10", "HangMinuteUpDown", &t.HangMinuteUpDown},
        {"TabSheet10", "DialClock", &t.DialClock},
        {"TabSheet10", "HangClock", &t.HangClock},
        {"TabSheet10", "Button13", &t.Button13},
        {"TabSheet11", "TotalAllLabel", &ts.TotalAllLabel},
        {"TabSheet11", "TodayAllLabel", &ts.TodayAllLabel},
        {"TabSheet11", "InInternetMonthLabel", &ts.InInternetMonthLabel},
        {"TabSheet11", "InInternetLastMonthLabel", &ts.InInternetLastMonthLabel},
        {"TabSheet11", "InCurrentAllLabel", &ts.InCurrentAllLabel},
        {"TabSheet11", "InInternetCurrentMonthLabel", &ts.InInternetCurrentMonthLabel},
        {"TabSheet11", "InInternetCurrentLastMonthLabel", &ts.InInternetCurrentLastMonthLabel},
        {"TabSheet11", "InCurrentLastLabel", &ts.InCurrentLastLabel},
        {"TabSheet11", "SpeedButton1", &ts.SpeedButton1},
        {"TabSheet12", "TrafficAllLabel", &tr.TrafficAllLabel},
        {"TabSheet12", "TrafficMonthLabel", &tr.TrafficMonthLabel},
        {"TabSheet12", "TrafficTodayLabel", &tr.TrafficTodayLabel},
        {"TabSheet12", "TrafficLastMonthLabel", &tr.TrafficLastMonthLabel},
        {"TabSheet12", "TrafficCurrentLabel", &tr.TrafficCurrentLabel},
        {"TabSheet12", "TrafficCurrentMonthLabel", &tr.TrafficCurrentMonthLabel},
        {"TabSheet12", "TrafficCurrentLastMonthLabel", &tr.TrafficCurrentLastMonthLabel},
        {"TabSheet12", "TrafficLastLabel", &tr.TrafficLastLabel},
        {"TabSheet12", "SpeedButton2", &tr.SpeedButton2},
        {"TabSheet13", "DengiAllLabel", &ms.DengiAllLabel},
        {"TabSheet13", "DengiMonthLabel", &ms.DengiMonthLabel},
        {"TabSheet13", "DengiLastMonthLabel", &ms.DengiLastMonthLabel},
        {"TabSheet13", "DengiTodayLabel", &ms.DengiTodayLabel},
        {"TabSheet13", "DengiCurrentAllLabel", &ms.DengiCurrentAllLabel},
        {"TabSheet13", "DengiCurrentMonthLabel", &ms.DengiCurrentMonthLabel},
        {"TabSheet13", "DengiCurrentLastMonthLabel", &ms.DengiCurrentLastMonthLabel},
        {"TabSheet13", "DengiLastLabel", &ms.DengiLastLabel},
        {"TabSheet13", "SpeedButton3", &ms.SpeedButton3},
        {"TabSheet14", "HeadLabel", &tf.HeadLabel},
        {"TabSheet14", "tariffcount", &tf.tariffcount},
        {"TabSheet14", "FromHead", &tf.FromHead},
        {"TabSheet14", "ToHead", &tf.ToHead},
        {"TabSheet14", "PriceHead", &tf.PriceHead},
        {"TabSheet14", "time1", &tf.time1},
        {"TabSheet14", "time2", &tf.time2},
        {"TabSheet14", "time3", &tf.time3},
        {"TabSheet14", "SpinEdit2", &tf.SpinEdit2},
        {"TabSheet14", "SpinEdit4", &tf.SpinEdit4},
        {"TabSheet14", "SpinEdit6", &tf.SpinEdit6},
        {"TabSheet14", "tariff1", &tf.tariff1},
        {"TabSheet14", "tariff2", &tf.tariff2},
        {"TabSheet14", "tariff3", &tf.tariff3},
    };
    for (const auto& [sheetName, name, control] : controls) {
        SCOPED_TRACE(std::string(sheetName) + "/" + name);
        QWidget* s = sheet(sheetName);
        ASSERT_TRUE(s);
        QObject* o = s->findChild<QObject*>(QString::fromLatin1(name));
        if (!o && std::string(name) == "N1") o = window.findChild<QAction*>(QStringLiteral("N1"));
        ASSERT_TRUE(o) << "missing";
        if (!control->caption.empty()) {
            EXPECT_EQ(shownCaption(o).toStdString(), control->caption);
        }
        EXPECT_EQ(shownHint(o).toStdString(), control->hint);
        if (auto* w = qobject_cast<QWidget*>(o)) {
            EXPECT_EQ(!w->isHidden(), control->visible);
        }
    }

    // The unnamed row captions of the statistics and tariff pages.
    const std::tuple<const char*, const char*, std::vector<Label>*> rows[] = {
        {"TabSheet11", "TimeRowLabel", &ts.RowLabels},
        {"TabSheet12", "TrafficRowLabel", &tr.RowLabels},
        {"TabSheet13", "MoneyRowLabel", &ms.RowLabels},
        {"TabSheet14", "TariffRowLabel", &tf.RowLabels}};
    for (const auto& [sheetName, prefix, labels] : rows) {
        for (std::size_t r = 0; r < labels->size(); ++r) {
            const std::string name = prefix + std::to_string(r);
            auto* l = in<QLabel>(sheetName, name.c_str());
            ASSERT_TRUE(l);
            EXPECT_EQ(l->text().toStdString(), (*labels)[r].caption);
        }
    }

    // The page menu, with the dial action's three items.
    auto* menu = child<QMenu>(&window, "PopupMenu1");
    ASSERT_TRUE(menu);
    const std::pair<const char*, const MenuItem*> items[] = {
        {"MShow", &model.menu.MShow},     {"MCall", &model.menu.MCall},
        {"MStop", &model.menu.MStop},     {"MHangUp", &model.menu.MHangUp},
        {"MRecall", &model.menu.MRecall}, {"MNext", &model.menu.MNext},
        {"CopyIP", &model.menu.CopyIP},   {"MExit", &model.menu.MExit}};
    for (const auto& [name, item] : items) {
        auto* action = child<QAction>(menu, name);
        ASSERT_TRUE(action);
        EXPECT_EQ(action->text().toStdString(), item->caption);
        EXPECT_EQ(action->isEnabled(), item->enabled) << name;
    }
}

TEST_F(MainWindowTest, InputWritesTheModelThenCallsTheHandler) {
    handlers.actions["PingCheckClick"] = [this] { PingCheckClick(model); };
    // A check box with a handler, and one without.
    child<QCheckBox>(&window, "PingCheck")->click();
    EXPECT_TRUE(model.dial.PingCheck.checked);
    child<QCheckBox>(&window, "OnStartDial")->click();
    EXPECT_TRUE(model.general.OnStartDial.checked);
    EXPECT_EQ(handlers.take(), Calls{"PingCheckClick"});

    // Radio buttons: the model's group follows, only the clicked one's handler runs.
    child<QRadioButton>(&window, "TrayRadio")->click();
    EXPECT_TRUE(model.iface.TrayRadio.checked);
    EXPECT_FALSE(model.iface.TaskRadio.checked);
    EXPECT_EQ(model.mode(), DisplayMode::Tray);
    child<QRadioButton>(&window, "Tone")->click();
    EXPECT_TRUE(model.extra.Tone.checked);
    EXPECT_FALSE(model.extra.Pulse.checked);
    EXPECT_EQ(handlers.take(), Calls{"TrayRadioClick"});

    // The pause arrows step from the number in their edit, as a buddy does.
    auto* pauseUp = child<UpDownArrows>(&window, "UpDown");
    pauseUp->upButton()->click();
    EXPECT_EQ(model.general.UpDown.position, 6);
    EXPECT_EQ(model.general.PauseEdit.text, "6");
    auto* pause = child<FormLineEdit>(&window, "PauseEdit");
    pause->selectAll();
    typeText(pause, QStringLiteral("59"));
    EXPECT_EQ(model.general.PauseEdit.text, "59");
    pauseUp->upButton()->click();
    pauseUp->upButton()->click();
    EXPECT_EQ(model.general.UpDown.position, 60) << "kept within 1 to 60";
    EXPECT_EQ(handlers.take(), (Calls{"UpDownClick", "UpDownClick", "UpDownClick"}));

    // The ping count arrows (enabled by "Пинговать") have no handler of their own.
    child<UpDownArrows>(&window, "UpDown4")->downButton()->click();
    EXPECT_EQ(model.dial.UpDown4.position, 2);
    EXPECT_EQ(model.dial.pingcount.text, "2");
    EXPECT_TRUE(handlers.take().empty());

    // The entry selector: the drop-down handler before it opens, the change handler after a choice.
    model.conn.ComboBox1.items = {"Альфа", "Бета"};
    model.conn.ComboBox1.itemIndex = 0;
    window.refresh();
    auto* entries = child<QComboBox>(&window, "ComboBox1");
    entries->showPopup();
    entries->hidePopup();
    emit entries->activated(1);
    EXPECT_EQ(model.conn.ComboBox1.itemIndex, 1);
    EXPECT_EQ(handlers.take(), (Calls{"ComboBox1DropDown", "ComboBox1Change"}));

    child<QSlider>(&window, "TrackBar")->setValue(3);
    EXPECT_EQ(model.iface.TrackBar.position, 3);
    auto* hotMin = child<HotKeyField>(&window, "HotMin");
    pressKey(hotMin, Qt::Key_F9, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(model.hotkeys.HotMin.hotKey, 0x4000 | 0x8000 | 120);
    EXPECT_EQ(hotMin->text(), QStringLiteral("Ctrl+Alt+F9"));
    child<QCheckBox>(&window, "LockCheck")->click();
    EXPECT_EQ(handlers.take(), (Calls{"TrackBarChange", "HotKeyChanged", "HotKeyChanged"}));

    // Timer fields: arrows change the schedule; a double click hands over the field and arrows.
    child<UpDownArrows>(&window, "HangMinuteUpDown")->upButton()->click();
    EXPECT_EQ(model.timer.HangMinuteUpDown.position, 1);
    EXPECT_EQ(model.timer.HangMinuteEdit.text, "1");
    doubleClick(child<FormLineEdit>(&window, "DialHourEdit"));
    EXPECT_EQ(handlers.lastEdit, &model.timer.DialHourEdit);
    EXPECT_EQ(handlers.lastUpDown, &model.timer.DialHourUpDown);
    child<QCheckBox>(&window, "PowerCheck")->click();
    EXPECT_EQ(handlers.take(),
              (Calls{"ScheduleChanged", "TimeEditDblClick(hour)", "ScheduleChanged"}));

    // Tariffs: the count, a boundary hour, a price checked when the edit is left.
    child<QRadioButton>(&window, "tariffcount2")->click();
    EXPECT_EQ(model.tariffs.tariffcount.itemIndex, 2);
    model.tariffs.time2.visible = true;
    window.refresh();
    child<QSpinBox>(&window, "time2")->setValue(7);
    EXPECT_EQ(model.tariffs.time2.value, 7);
    auto* price = child<NumberLineEdit>(&window, "tariff1");
    price->selectAll();
    typeText(price, QStringLiteral("12x,5"));
    EXPECT_EQ(model.tariffs.tariff1.text, "12,5") << "a letter is refused";
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(price, &out);
    EXPECT_EQ(model.tariffs.tariff1.value, 12.5) << "the text is read into the value first";
    EXPECT_EQ(handlers.lastNumberEdit, &model.tariffs.tariff1);
    EXPECT_EQ(handlers.take(), (Calls{"tariffcountClick", "time2Change", "tariffExit"}));

    // Buttons and the attempt counter.
    child<QPushButton>(&window, "Button1")->click();
    child<QToolButton>(&window, "BitBtn12")->click();
    child<QPushButton>(&window, "Button10")->click();
    doubleClick(child<QLabel>(&window, "Label6"));
    EXPECT_EQ(handlers.take(),
              (Calls{"Button1Click", "BitBtn12Click", "Button10Click", "Label6DblClick"}));
}

TEST(MainWindowPages, APageIsMadeWhenFirstShownAndShowsTheModelAtOnce) {
    MainForm model;
    RecordingHandlers handlers;
    model.timer.TimerDialCheck.checked = true;
    model.timer.DialHourEdit.text = "07";
    MainWindow window(model, handlers);
    auto find = [&window](const char* name) {
        return window.findChild<QWidget*>(QString::fromLatin1(name));
    };
    // The window opens on its first page; the others have no widgets yet.
    EXPECT_TRUE(find("Button1"));
    EXPECT_FALSE(find("TimerDialCheck"));
    EXPECT_FALSE(find("PageControl2"));

    // Chosen by the model on a redraw: made, and showing the model in the same redraw.
    model.window.pageIndex = 3;
    window.refresh();
    auto* check = qobject_cast<QCheckBox*>(find("TimerDialCheck"));
    ASSERT_TRUE(check);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(qobject_cast<QLineEdit*>(find("DialHourEdit"))->text(), QStringLiteral("07"));
    EXPECT_TRUE(handlers.take().empty());

    // Chosen by the user: made, and the page left is told as before.
    qobject_cast<QTabWidget*>(find("PageControl1"))->setCurrentIndex(1);
    EXPECT_TRUE(find("PageControl2"));
    EXPECT_EQ(handlers.take(), (Calls{"PageLeft(3,0)"}));
    EXPECT_FALSE(find("PageControl3"));

    // Made once: a later redraw keeps the same widgets.
    model.window.pageIndex = 3;
    window.refresh();
    EXPECT_EQ(find("TimerDialCheck"), check);
}

TEST_F(MainWindowTest, LeavingAPageTellsWhichPageAndInnerPageWasLeft) {
    auto* pages = child<QTabWidget>(&window, "PageControl1");
    auto* settings = child<QTabWidget>(&window, "PageControl2");
    pages->setCurrentIndex(1);
    EXPECT_EQ(model.window.pageIndex, 1);
    settings->setCurrentIndex(3);
    EXPECT_EQ(model.window.settingsPageIndex, 3);
    pages->setCurrentIndex(3);
    EXPECT_EQ(handlers.take(), (Calls{"PageLeft(0,0)", "PageLeft(1,0)", "PageLeft(1,3)"}));

    // The model chooses the page on a redraw, without calling any handler.
    model.window.pageIndex = 4;
    model.window.statsPageIndex = 2;
    window.refresh();
    EXPECT_EQ(pages->currentIndex(), 4);
    EXPECT_EQ(child<QTabWidget>(&window, "PageControl3")->currentIndex(), 2);
    EXPECT_TRUE(handlers.take().empty());
}

TEST_F(MainWindowTest, TheClocksTellWhenTheyAreOnScreen) {
    auto* pages = child<QTabWidget>(&window, "PageControl1");
    window.show();
    EXPECT_FALSE(handlers.clocksShown);
    pages->setCurrentIndex(3);
    EXPECT_TRUE(handlers.clocksShown);
    window.hide();  // into the tray
    EXPECT_FALSE(handlers.clocksShown);
    window.show();
    EXPECT_TRUE(handlers.clocksShown);
    pages->setCurrentIndex(0);
    EXPECT_FALSE(handlers.clocksShown);
}

TEST_F(MainWindowTest, RedrawShowsTheModelWithoutFeedingBack) {
    // What a handler changes is on screen when it returns.
    handlers.actions["Button1Click"] = [this] {
        model.conn.Button1.caption = kAbortCaption;
        model.conn.Button1.hint = kAbortHint;
        model.conn.Label2.caption = model.conn.Label2.hint = "Инициализация соединения";
        model.conn.ComboBox1.enabled = false;
        model.general.Label29.visible = true;
        model.conn.BitLockGlyph = "UNLOCK";
        model.window.caption = "Velmor 0.97 - тест";
    };
    child<QPushButton>(&window, "Button1")->click();
    auto* dial = child<QPushButton>(&window, "Button1");
    EXPECT_EQ(dial->text(), QString::fromUtf8(kAbortCaption));
    EXPECT_EQ(dial->toolTip(), QString::fromUtf8(kAbortHint));
    EXPECT_EQ(child<QLabel>(&window, "Label2")->text(), QStringLiteral("Инициализация соединения"));
    EXPECT_FALSE(child<QComboBox>(&window, "ComboBox1")->isEnabled());
    EXPECT_FALSE(child<QLabel>(&window, "Label29")->isHidden());
    EXPECT_EQ(child<QToolButton>(&window, "BitLock")->icon().cacheKey(),
              lockGlyph("UNLOCK").cacheKey());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmor 0.97 - тест"));
    handlers.take();

    // Every kind of value changed behind the window's back: shown, and no handler runs.
    model.dial.PingCheck.checked = true;
    model.dial.PingEdit.text = "10.0.0.1";
    model.dial.LowLimit.itemIndex = 3;
    model.iface.TrackBar.position = 4;
    model.setMode(DisplayMode::None);
    model.extra.SpinEdit1.value = 1234;
    model.hotkeys.HotDial.hotKey = 0x2000 | 'Q';
    model.tariffs.tariffcount.itemIndex = 1;
    model.tariffs.tariff2.visible = false;
    model.apps.BitBtn14.enabled = false;
    model.menu.CopyIP.enabled = true;
    model.window.pageIndex = 2;
    window.refresh();
    EXPECT_TRUE(child<QCheckBox>(&window, "PingCheck")->isChecked());
    EXPECT_EQ(child<QLineEdit>(&window, "PingEdit")->text(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(child<QComboBox>(&window, "LowLimit")->currentText(), QStringLiteral("21600"));
    EXPECT_EQ(child<QSlider>(&window, "TrackBar")->value(), 4);
    EXPECT_TRUE(child<QRadioButton>(&window, "NoneRadio")->isChecked());
    EXPECT_FALSE(child<QRadioButton>(&window, "TaskRadio")->isChecked());
    EXPECT_EQ(child<QSpinBox>(&window, "SpinEdit1")->value(), 1234);
    EXPECT_EQ(child<HotKeyField>(&window, "HotDial")->text(), QStringLiteral("Shift+Q"));
    EXPECT_TRUE(child<QRadioButton>(&window, "tariffcount1")->isChecked());
    EXPECT_TRUE(child<QLineEdit>(&window, "tariff2")->isHidden());
    EXPECT_FALSE(child<QPushButton>(&window, "BitBtn14")->isEnabled());
    EXPECT_TRUE(child<QAction>(&window, "CopyIP")->isEnabled());
    EXPECT_TRUE(handlers.take().empty()) << "a redraw fed back into the model's handlers";

    // Radio buttons can all be cleared by the model.
    model.setMode(DisplayMode::Task);
    model.iface.TaskRadio.checked = false;
    window.refresh();
    for (const char* name : {"TaskRadio", "TrayRadio", "BothRadio", "NoneRadio"})
        EXPECT_FALSE(child<QRadioButton>(&window, name)->isChecked()) << name;
}

TEST_F(MainWindowTest, AHandlerErrorIsShownAndTheWindowStillRedrawn) {
    handlers.actions["SpeedButton2Click"] = [this] {
        model.trafficStats.TrafficAllLabel.caption = "1,00 / 2,00";
        throw std::runtime_error("'x' is not a valid integer value");
    };
    child<QPushButton>(&window, "SpeedButton2")->click();
    EXPECT_EQ(errors, std::vector<std::string>{"'x' is not a valid integer value."});
    EXPECT_EQ(child<QLabel>(&window, "TrafficAllLabel")->text(), QStringLiteral("1,00 / 2,00"));
}

TEST_F(MainWindowTest, ListsShowRowsMarksMoneyAndKeepSelectionAndWidths) {
    model.phones = {
        {"111", ItemMark::Normal}, {"222", ItemMark::InUse}, {"333", ItemMark::Excluded}};
    model.logins = {{"ivan", "secret", "12.5", '+', ItemMark::InUse},
                    {"petr", "x", "bad", '-', ItemMark::Normal}};
    model.conn.ListView1.itemIndex = 1;
    model.programs.resize(2);
    model.programs[0].description = "Почта";
    model.programs[1].description = "Браузер";
    model.programs[1].checked = false;
    window.refresh();

    auto* phones = child<QTreeWidget>(&window, "ListView1");
    auto* logins = child<QTreeWidget>(&window, "ListView2");
    auto* apps = child<QTreeWidget>(&window, "capplist");
    ASSERT_EQ(phones->topLevelItemCount(), 3);
    EXPECT_EQ(phones->headerItem()->text(0), QStringLiteral("Телефон"));
    EXPECT_EQ(phones->columnWidth(0), 130);
    EXPECT_EQ(phones->topLevelItem(2)->text(0), QStringLiteral("333"));
    EXPECT_EQ(phones->topLevelItem(0)->icon(0).cacheKey(), markIcon(ItemMark::Normal).cacheKey());
    EXPECT_EQ(phones->topLevelItem(1)->icon(0).cacheKey(), markIcon(ItemMark::InUse).cacheKey());
    EXPECT_EQ(phones->topLevelItem(2)->icon(0).cacheKey(), markIcon(ItemMark::Excluded).cacheKey());
    EXPECT_EQ(phones->currentItem(), phones->topLevelItem(1));

    ASSERT_EQ(logins->topLevelItemCount(), 2);
    EXPECT_EQ(logins->headerItem()->text(1), QStringLiteral("$"));
    EXPECT_EQ(logins->topLevelItem(0)->text(0), QStringLiteral("ivan"));
    EXPECT_EQ(logins->topLevelItem(0)->text(1), QStringLiteral("12,50"));
    EXPECT_EQ(logins->topLevelItem(1)->text(1), QStringLiteral("0,00"))
        << "money that is no number";
    EXPECT_EQ(logins->columnCount(), 2) << "the password is never shown";

    ASSERT_EQ(apps->topLevelItemCount(), 2);
    EXPECT_EQ(apps->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(apps->topLevelItem(1)->checkState(0), Qt::Unchecked);

    // The user selects, double-clicks, resizes a column and ticks a program.
    logins->setCurrentItem(logins->topLevelItem(1));
    EXPECT_EQ(model.conn.ListView2.itemIndex, 1);
    emit phones->itemDoubleClicked(phones->topLevelItem(1), 0);
    logins->header()->resizeSection(0, 120);
    EXPECT_EQ(model.conn.ListView2.columns[0].width, 120);
    apps->topLevelItem(1)->setCheckState(0, Qt::Checked);
    emit apps->itemDoubleClicked(apps->topLevelItem(0), 0);
    EXPECT_EQ(handlers.take(),
              (Calls{"ListView1DblClick", "capplistChange(1,1)", "BitBtn10Click"}));

    // Clearing the selection (a click on empty space) keeps the selected row.
    logins->clearSelection();
    EXPECT_EQ(model.conn.ListView2.itemIndex, 1);
    EXPECT_TRUE(logins->topLevelItem(1)->isSelected());

    // A changed list is shown at the next redraw.
    model.phones.erase(model.phones.begin());
    model.conn.ListView1.itemIndex = 0;
    model.logins[0].money = "3";
    window.refresh();
    EXPECT_EQ(phones->topLevelItemCount(), 2);
    EXPECT_EQ(phones->topLevelItem(0)->text(0), QStringLiteral("222"));
    EXPECT_EQ(logins->topLevelItem(0)->text(1), QStringLiteral("3,00"));
    EXPECT_TRUE(handlers.take().empty());
}

// A drag of data comes into a list at a point and is dropped there: true when the list took it.
bool dropOn(ReportList* list, const QMimeData& data, QPoint at) {
    QWidget* area = list->viewport();
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &enter);
    QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &move);
    QDropEvent drop(QPointF(at), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area, &drop);
    return drop.isAccepted() && drop.dropAction() == Qt::MoveAction;
}

void dragTo(ReportList* list, const QMimeData& data, QPoint at) {
    QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
}

void clickAt(QWidget* w, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(w->mapToGlobal(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), QPointF(w->mapToGlobal(at)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

TEST_F(MainWindowTest, ListsReorderByDragAndDropWithinThemselves) {
    for (int i = 0; i < 3; ++i)
        model.logins.push_back({"login" + std::to_string(i), "p", "0", '+', ItemMark::Normal});
    model.phones = {{"111", ItemMark::Normal}, {"222", ItemMark::Excluded}};
    model.conn.ListView1.itemIndex = 0;
    model.conn.ListView2.itemIndex = 1;
    window.resize(MainWindow::clientSize(&window));
    window.show();
    window.refresh();
    auto* phones = child<ReportList>(&window, "ListView1");
    auto* logins = child<ReportList>(&window, "ListView2");
    ASSERT_TRUE(phones && logins);
    EXPECT_TRUE(logins->topLevelItem(0)->flags() & Qt::ItemIsDragEnabled);
    EXPECT_TRUE(phones->topLevelItem(1)->flags() & Qt::ItemIsDragEnabled);
    const auto rowCentre = [](ReportList* list, int row) {
        return list->visualItemRect(list->topLevelItem(row)).center();
    };

    // On a row, and on the empty space below the rows; a drag may start on any row.
    const std::unique_ptr<QMimeData> login0(logins->rowData(0));
    EXPECT_TRUE(dropOn(logins, *login0, rowCentre(logins, 2)));
    const QPoint below(10, logins->visualItemRect(logins->topLevelItem(2)).bottom() + 15);
    ASSERT_LT(below.y(), logins->viewport()->height() - ReportList::kScrollBand);
    const std::unique_ptr<QMimeData> login2(logins->rowData(2));
    EXPECT_TRUE(dropOn(logins, *login2, below));
    const std::unique_ptr<QMimeData> phone1(phones->rowData(1));
    EXPECT_TRUE(dropOn(phones, *phone1, rowCentre(phones, 0)));
    EXPECT_EQ(handlers.take(), (Calls{"ListDrop(1,0,2)", "ListDrop(1,2,-1)", "ListDrop(0,1,0)"}));

    // Only rows of the list itself, and only while it has a selected row.
    EXPECT_FALSE(dropOn(logins, *phone1, rowCentre(logins, 0)));
    EXPECT_FALSE(dropOn(phones, *login0, rowCentre(phones, 0)));
    QMimeData text;
    text.setText(QStringLiteral("1"));
    EXPECT_FALSE(dropOn(logins, text, rowCentre(logins, 0)));
    QMimeData forged;
    forged.setData(QString::fromLatin1(ReportList::kRowMimeType), "1:2:0");
    EXPECT_FALSE(dropOn(logins, forged, rowCentre(logins, 0)));
    model.conn.ListView2.itemIndex = -1;
    window.refresh();
    EXPECT_FALSE(dropOn(logins, *login0, rowCentre(logins, 0)));
    EXPECT_TRUE(handlers.take().empty());

    // A click on the empty space below the rows keeps the row that was selected.
    model.conn.ListView2.itemIndex = 2;
    window.refresh();
    clickAt(logins->viewport(), below);
    EXPECT_EQ(model.conn.ListView2.itemIndex, 2);
    EXPECT_TRUE(logins->topLevelItem(2)->isSelected());
    clickAt(logins->viewport(), rowCentre(logins, 0));
    EXPECT_EQ(model.conn.ListView2.itemIndex, 0) << "a click on a row selects it";
    window.hide();
}

TEST_F(MainWindowTest, ADraggedRowScrollsTheListNearItsEdges) {
    for (int i = 0; i < 60; ++i)
        model.phones.push_back({std::to_string(1000 + i), ItemMark::Normal});
    model.conn.ListView1.itemIndex = 0;
    model.conn.ListView1.topIndex = 20;
    window.resize(MainWindow::clientSize(&window));
    window.show();
    window.refresh();
    auto* phones = child<ReportList>(&window, "ListView1");
    ASSERT_TRUE(phones);
    QScrollBar* bar = phones->verticalScrollBar();
    ASSERT_EQ(bar->value(), 20);
    auto* timer = phones->findChild<QTimer*>(QStringLiteral("TimerScrollPhone"));
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->interval(), 250);
    EXPECT_TRUE(child<ReportList>(&window, "ListView2")
                    ->findChild<QTimer*>(QStringLiteral("TimerScrollLogin")));

    const std::unique_ptr<QMimeData> row(phones->rowData(0));
    const int height = phones->viewport()->height();
    QDragEnterEvent enter(QPoint(10, height / 2), Qt::MoveAction, row.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(phones->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_FALSE(timer->isActive()) << "between the bands";

    // Near the top edge: a row up per tick.
    dragTo(phones, *row, QPoint(10, ReportList::kScrollBand - 1));
    EXPECT_EQ(phones->scrollDirection(), -1);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(bar->value(), 20) << "the first row goes at the first tick";
    spin(620);
    EXPECT_GE(20 - bar->value(), 1);
    EXPECT_LE(20 - bar->value(), 3);
    EXPECT_EQ(model.conn.ListView1.topIndex, bar->value());

    // Between the bands it stops; near the bottom edge it scrolls down.
    dragTo(phones, *row, QPoint(10, ReportList::kScrollBand));
    EXPECT_FALSE(timer->isActive());
    const int stopped = bar->value();
    spin(300);
    EXPECT_EQ(bar->value(), stopped);
    dragTo(phones, *row, QPoint(10, height - ReportList::kScrollBand));
    EXPECT_EQ(phones->scrollDirection(), 1);
    spin(300);
    EXPECT_GT(bar->value(), stopped);

    // The drop stops it.
    QDropEvent drop(QPointF(10, height - 5), Qt::MoveAction, row.get(), Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(phones->viewport(), &drop);
    EXPECT_FALSE(timer->isActive());
    ASSERT_EQ(handlers.calls.size(), 1u);
    EXPECT_EQ(handlers.calls[0].rfind("ListDrop(0,0,", 0), 0u);
    window.hide();
}

TEST_F(MainWindowTest, MenusAndClosingGoThroughTheForm) {
    // The page menu: its popup handler first, then the item's action.
    whenModal([](QWidget* up) {
        auto* menu = qobject_cast<QMenu*>(up);
        ASSERT_TRUE(menu);
        menu->findChild<QAction*>(QStringLiteral("MHangUp"))->setEnabled(true);
        menu->findChild<QAction*>(QStringLiteral("MHangUp"))->trigger();
        menu->close();
    });
    auto* pages = child<QTabWidget>(&window, "PageControl1");
    emit pages->customContextMenuRequested(QPoint(10, 10));
    EXPECT_EQ(handlers.take(), (Calls{"PopupMenu1Popup", "Button1Click"}));

    // The lock button's menu "Сменить пароль".
    handlers.actions["PopupChangePassPopup"] = [this] { model.conn.N1.enabled = false; };
    whenModal([](QWidget* up) {
        auto* n1 = up->findChild<QAction*>(QStringLiteral("N1"));
        ASSERT_TRUE(n1);
        EXPECT_FALSE(n1->isEnabled()) << "the popup handler's state is shown";
        n1->setEnabled(true);
        n1->trigger();
        up->close();
    });
    auto* lock = child<QToolButton>(&window, "BitLock");
    emit lock->customContextMenuRequested(QPoint(2, 2));
    EXPECT_EQ(handlers.take(), (Calls{"PopupChangePassPopup", "N1Click"}));

    // Closing: refused, then allowed; "Выход" and the menu's "Выход" go the same way.
    window.show();
    handlers.allowClose = false;
    child<QPushButton>(&window, "Button5")->click();
    EXPECT_TRUE(window.isVisible());
    child<QAction>(&window, "MExit")->trigger();
    EXPECT_TRUE(window.isVisible());
    handlers.allowClose = true;
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(handlers.take(), (Calls{"Close", "Close", "Close"}));
}

}  // namespace
}  // namespace velmor::test
