#include <gtest/gtest.h>

#include "desktop/display_modes.h"
#include "desktop/program_icons.h"
#include "desktop/tray_icon.h"
#include "desktop_fakes.h"
#include "platform/profile.h"
#include "program_fixture.h"

using namespace velmor;
using velmor::test::FakeClipboard;
using velmor::test::FakeHotKeys;
using velmor::test::FakeTray;
using velmor::test::FakeTrayIconState;
using velmor::test::Program;

namespace {

// The display-mode table, one row per mode: what each event leaves visible, as
// "button icon" with "+" shown, "-" hidden and "=" unchanged.
struct Row {
    DisplayMode mode;
    const char* select;  // radio click and settings load
    const char* firstShow;
    const char* minimize;
    const char* restore;
};
constexpr Row kTable[] = {
    {DisplayMode::Task, "+-", "==", "=-", "+-"},
    {DisplayMode::Tray, "-+", "-+", "-+", "-+"},
    {DisplayMode::Both, "++", "==", "-+", "=="},
    {DisplayMode::None, "--", "--", "--", "--"},
};

TEST(DisplayModes, EveryModeAndEventFollowsTheTable) {
    for (const Row& row : kTable) {
        const std::pair<DisplayEvent, const char*> events[] = {
            {DisplayEvent::Select, row.select},
            {DisplayEvent::FirstShow, row.firstShow},
            {DisplayEvent::Minimize, row.minimize},
            {DisplayEvent::Restore, row.restore}};
        for (const auto& [event, expected] : events) {
            // From both opposite starting states, so that "unchanged" is told from a change.
            for (bool start : {false, true}) {
                WindowState w;
                w.taskbarButtonVisible = start;
                w.trayIconVisible = !start;
                DisplayModes modes(w);
                modes.apply(row.mode, event);
                const auto want = [](char c, bool before) { return c == '=' ? before : c == '+'; };
                bool button = want(expected[0], start);
                // Restoring brings the taskbar button back by itself.
                if (event == DisplayEvent::Restore && expected[0] == '=') button = true;
                SCOPED_TRACE(testing::Message() << static_cast<int>(row.mode) << "/"
                                                << static_cast<int>(event) << "/" << start);
                EXPECT_EQ(w.taskbarButtonVisible, button);
                EXPECT_EQ(w.trayIconVisible, want(expected[1], !start));
            }
        }
    }
}

TEST(DisplayModes, WithoutATrayTheTaskbarButtonStaysUntilOneAppears) {
    WindowState w;
    DisplayModes modes(w);
    modes.setTrayAvailable(false);
    modes.apply(DisplayMode::Tray, DisplayEvent::Select);
    EXPECT_TRUE(w.taskbarButtonVisible);
    EXPECT_TRUE(w.trayIconVisible);
    EXPECT_TRUE(modes.fallingBack());
    modes.apply(DisplayMode::Both, DisplayEvent::Minimize);
    EXPECT_TRUE(w.taskbarButtonVisible);
    modes.setTrayAvailable(true);
    EXPECT_FALSE(w.taskbarButtonVisible);
    EXPECT_FALSE(modes.fallingBack());
    // Mode NONE hides both where the restore hot key brings the window back; no tray changes
    // nothing there.
    modes.setTrayAvailable(false);
    modes.apply(DisplayMode::None, DisplayEvent::Minimize);
    EXPECT_FALSE(w.taskbarButtonVisible);
    EXPECT_FALSE(w.trayIconVisible);
}

TEST(DisplayModes, IconIndexAndStatusBalloonTexts) {
    EXPECT_EQ(iconIndexFor(3, true), 7);
    EXPECT_EQ(iconIndexFor(3, false), 6);
    EXPECT_EQ(iconIndexFor(0, false), 0);
    const StatusBalloon idle = statusBalloon(kDialCaption, "Жду", "Дом", 0, "", ',');
    EXPECT_EQ(idle.title, "Нет активных подключений");
    EXPECT_EQ(idle.text, "Состояние: Жду");
    const StatusBalloon dialling = statusBalloon(kAbortCaption, "Звоним", "Дом", 0, "", ',');
    EXPECT_EQ(dialling.title, "Дом попытка подключения");
    EXPECT_EQ(dialling.text, "Состояние: Звоним");
    const StatusBalloon on = statusBalloon(kHangUpCaption, "x", "Дом", 49333, "10.0.0.7", ',');
    EXPECT_EQ(on.title, "Дом сейчас подключен");
    EXPECT_EQ(on.text, "Скорость 49,333 Кбит/с, IP 10.0.0.7");
}

TEST(TrayIconComponent, ClicksWaitForTheDoubleClickTimeAndTextsAreCut) {
    VirtualLoop loop;
    FakeTray tray;
    TTrayIcon icon(loop, &tray);
    int clicks = 0;
    int doubles = 0;
    icon.OnClick = [&] { ++clicks; };
    icon.OnDblClick = [&] { ++doubles; };
    tray.mouse(0, TrayMouse::LeftDown);
    loop.advance(399);
    EXPECT_EQ(clicks, 0);
    loop.advance(1);
    EXPECT_EQ(clicks, 1);
    loop.advance(5000);
    EXPECT_EQ(clicks, 1);  // one click, one report
    // A double click is reported alone.
    tray.mouse(0, TrayMouse::LeftDown);
    loop.advance(150);
    tray.mouse(0, TrayMouse::DoubleClick);
    loop.advance(5000);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubles, 1);

    // Tip 127 characters, title 63, text 255 (Cyrillic letters count as one each).
    icon.setHint(std::string(200, 'x'));
    EXPECT_EQ(tray.icons[0]->tip.size(), 127u);
    std::string title;
    for (int i = 0; i < 70; ++i)
        title += "ж";
    icon.ShowBalloon(title, std::string(300, 't'), BalloonKind::Warning, 10);
    const std::string expected =
        "show|" + firstCharacters(title, 63) + "|" + std::string(255, 't') + "|2|10000";
    EXPECT_EQ(firstCharacters(title, 63).size(), 126u);
    EXPECT_EQ(tray.icons[0]->balloons, (std::vector<std::string>{"hide", expected}));

    // An icon of a file with its own menu, for the programs the dialer starts.
    TTrayIcon program(loop, &tray);
    int chosen = 0;
    program.setIconFile("/usr/bin/editor");
    program.setMenu({{"Показать", true, [&] { ++chosen; }}, {"", true, {}}});
    program.setIconVisible(true);
    const FakeTrayIconState& s = *tray.icons[1];
    EXPECT_EQ(s.file, "/usr/bin/editor");
    EXPECT_TRUE(s.visible);
    ASSERT_EQ(s.menu.size(), 2u);
    s.menu[0].onClick();
    EXPECT_EQ(chosen, 1);
}

TEST(ProgramTrayIcons, OneIconPerProgramWithItsMenuAndClick) {
    VirtualLoop loop;
    TrayProgramIcons none(loop, nullptr);
    EXPECT_EQ(none.add("/usr/bin/editor", "Редактор", {}), 0);

    FakeTray tray;
    TrayProgramIcons icons(loop, &tray);
    int clicks = 0, shown = 0, exits = 0;
    bool windowShown = false;
    ProgramTrayIcons::Handlers h;
    h.click = [&] { ++clicks; };
    h.menuPopup = [&] { return std::string(windowShown ? "Спрятать" : "Показать"); };
    h.showHide = [&] { ++shown; };
    h.exit = [&] { ++exits; };
    const int a = icons.add("/usr/bin/editor", "Редактор", h);
    const int b = icons.add("/usr/bin/player", "Плеер", h);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_NE(a, b);
    const FakeTrayIconState& s = *tray.icons[0];
    EXPECT_TRUE(s.visible);
    EXPECT_EQ(s.file, "/usr/bin/editor");
    EXPECT_EQ(s.tip, "Редактор");
    ASSERT_EQ(s.menu.size(), 2u);
    EXPECT_EQ(s.menu[1].caption, "Выйти");
    // The first item's caption is asked when the menu opens.
    windowShown = true;
    static_cast<FakeTray::Icon*>(tray.backends[0])->openMenu();
    EXPECT_EQ(s.menu[0].caption, "Спрятать");
    s.menu[0].onClick();
    s.menu[1].onClick();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(exits, 1);
    tray.mouse(0, TrayMouse::LeftDown);
    loop.advance(400);
    EXPECT_EQ(clicks, 1);
    // Removed (even from its own menu's handler): out of the area at once, destroyed later.
    EXPECT_TRUE(icons.visible(a));
    icons.remove(a);
    EXPECT_FALSE(icons.visible(a));
    EXPECT_FALSE(s.visible);
    EXPECT_FALSE(s.destroyed);
    loop.runPending();
    EXPECT_TRUE(s.destroyed);
    EXPECT_TRUE(icons.visible(b));
    icons.remove(12345);  // unknown: nothing
}

// A program over the recording desktop services.
class TrayTest : public velmor::test::ProgramTest {
  protected:
    std::unique_ptr<Program> started(
        const std::vector<std::pair<std::string, std::string>>& keys = {}) {
        auto p = prepared(keys);
        p->form.setTrayService(&tray_);
        p->form.setClipboard(&clipboard_);
        p->form.setHotKeyService(&keys_);
        p->start();
        return p;
    }
    FakeTrayIconState& icon() { return *tray_.icons.at(0); }
    static bool button(Program& p) { return p.form.Model.window.taskbarButtonVisible; }
    static bool trayShown(Program& p) { return p.form.Model.window.trayIconVisible; }
    void click() {
        tray_.mouse(0, TrayMouse::LeftDown);
        loop_.advance(tray_.doubleClickTime());
    }

    FakeTray tray_;
    FakeClipboard clipboard_;
    FakeHotKeys keys_;
};

TEST_F(TrayTest, ModesFollowRadioClicksMinimizeAndRestore) {
    auto p = started();
    auto& f = p->form;
    EXPECT_TRUE(button(*p));
    EXPECT_FALSE(trayShown(*p));
    EXPECT_FALSE(icon().visible);
    EXPECT_EQ(icon().tip, "Velmor");
    EXPECT_TRUE(icon().windowMenu);

    // BOTH: minimized only the icon shows; restored both do.
    f.BothRadioClick();
    EXPECT_TRUE(button(*p));
    EXPECT_TRUE(icon().visible);
    f.Button2Click();
    EXPECT_TRUE(f.Model.window.minimized);
    EXPECT_FALSE(button(*p));
    EXPECT_TRUE(icon().visible);
    tray_.mouse(0, TrayMouse::LeftDown);
    tray_.mouse(0, TrayMouse::DoubleClick);
    EXPECT_FALSE(f.Model.window.minimized);
    EXPECT_TRUE(button(*p));
    EXPECT_TRUE(icon().visible);
    EXPECT_EQ(p->ui.broughtToFront, 0);  // the double click does not bring it to the front

    // TASK: minimizing takes the icon away, the button stays.
    f.TaskRadioClick();
    EXPECT_FALSE(icon().visible);
    f.Button2Click();
    EXPECT_TRUE(button(*p));
    EXPECT_FALSE(icon().visible);
    p->ui.restoreApplication();

    // NONE without the minimize/restore hot key keeps the taskbar button and says so once.
    f.NoneRadioClick();
    ASSERT_EQ(p->ui.messages.size(), 1u);
    EXPECT_EQ(p->ui.messages[0].kind, MessageKind::Warning);
    EXPECT_NE(p->ui.messages[0].text.find("Свернуть/развернуть"), std::string::npos);
    EXPECT_NE(p->ui.messages[0].text.find("таскбаре"), std::string::npos);
    EXPECT_TRUE(button(*p));
    f.Button2Click();
    EXPECT_TRUE(button(*p));
    EXPECT_FALSE(trayShown(*p));
    EXPECT_EQ(p->ui.messages.size(), 1u);
    // With the hot key registered the button goes, and the key is the way back.
    f.Model.hotkeys.MinCheck.checked = true;
    f.Button11Click();
    EXPECT_FALSE(button(*p));
    keys_.press(0, 122);
    EXPECT_FALSE(f.Model.window.minimized);
    EXPECT_FALSE(button(*p));
    f.NoneRadioClick();
    EXPECT_EQ(p->ui.messages.size(), 1u);
    keys_.press(0, 122);
    EXPECT_TRUE(f.Model.window.minimized);
    EXPECT_FALSE(button(*p));
    EXPECT_FALSE(icon().visible);
}

TEST_F(TrayTest, StoredTrayModeWithHideOnRunStartsWithTheIconOnly) {
    auto p = started({{"Mode", "TRAY"}, {"HideOnRun", "Y"}, {"IconIndex", "2"}});
    auto& f = p->form;
    EXPECT_TRUE(f.Model.iface.TrayRadio.checked);
    EXPECT_FALSE(button(*p));
    EXPECT_TRUE(icon().visible);
    EXPECT_FALSE(f.Model.window.minimized);
    loop_.advance(1);  // the one-shot minimize timer
    EXPECT_TRUE(f.Model.window.minimized);
    EXPECT_FALSE(button(*p));
    EXPECT_TRUE(icon().visible);
    EXPECT_EQ(icon().storeIcon, 4);
    EXPECT_EQ(f.Model.window.iconIndex, 4);
    EXPECT_FALSE(f.TimerMinimize.enabled());
    // Restored in mode TRAY, the taskbar button stays hidden.
    tray_.mouse(0, TrayMouse::DoubleClick);
    EXPECT_FALSE(f.Model.window.minimized);
    EXPECT_FALSE(button(*p));
    EXPECT_TRUE(icon().visible);
}

TEST_F(TrayTest, StoredNoneModeHiddenAtStartKeepsTheButtonWhileNoHotKeyRestores) {
    // The restore key is taken by another program, then there are no global hot keys at all.
    for (const bool usable : {true, false}) {
        SCOPED_TRACE(usable);
        keys_.usable = usable;
        keys_.takenElsewhere = {{0, 122}};
        auto p = started({{"Mode", "NONE"}, {"HideOnRun", "Y"}, {"HotMin", "122"}});
        loop_.advance(1);
        EXPECT_TRUE(p->form.Model.window.minimized);
        EXPECT_TRUE(button(*p));
        EXPECT_FALSE(trayShown(*p));
        ASSERT_EQ(p->ui.messages.size(), 1u);
        EXPECT_NE(p->ui.messages[0].text.find("таскбаре"), std::string::npos);
        p->ui.restoreApplication();
        p->ui.minimizeApplication();
        EXPECT_TRUE(button(*p));
        EXPECT_EQ(p->ui.messages.size(), 1u);
    }
    // Registered, the key restores: the window goes out of sight without a word.
    keys_.usable = true;
    keys_.takenElsewhere.clear();
    auto p = started({{"Mode", "NONE"}, {"HideOnRun", "Y"}, {"HotMin", "122"}});
    loop_.advance(1);
    EXPECT_TRUE(p->form.Model.window.minimized);
    EXPECT_FALSE(button(*p));
    EXPECT_TRUE(p->ui.messages.empty());
}

TEST_F(TrayTest, IconFollowsTheSetAndTheConnection) {
    auto p = started();
    auto& f = p->form;
    f.Model.iface.TrackBar.setPosition(3);
    f.TrackBarChange();
    EXPECT_EQ(icon().storeIcon, 6);
    EXPECT_EQ(f.Model.iface.Image7.iconIndex, 6);
    f.Button1Click();
    loop_.advance(300);
    ASSERT_EQ(f.Model.conn.Button1.caption, kAbortCaption);
    f.TrackBarChange();  // while dialling the state counts as not connected
    EXPECT_EQ(icon().storeIcon, 6);
    loop_.advance(2000);
    ASSERT_EQ(f.Model.conn.Button1.caption, kHangUpCaption);
    EXPECT_EQ(icon().storeIcon, 7);
    EXPECT_EQ(f.Model.window.iconIndex, 7);
    // The connection's balloon.
    ASSERT_GE(icon().balloons.size(), 2u);
    EXPECT_EQ(icon().balloons[icon().balloons.size() - 2], "hide");
    EXPECT_EQ(icon().balloons.back(),
              "show|Тест сейчас подключен|Скорость 33,6 Кбит/с, IP 10.64.0.2|1|60000");
    f.Button1Click();  // hang up; the next tick finds the line gone
    loop_.advance(2000);
    EXPECT_EQ(icon().storeIcon, 6);
    EXPECT_EQ(icon().balloons.back(), "hide");
}

TEST_F(TrayTest, ClickShowsTheStatusBalloonReplacingTheLastOne) {
    auto p = started();
    auto& f = p->form;
    tray_.mouse(0, TrayMouse::LeftDown);
    loop_.advance(tray_.doubleClickTime() - 1);
    EXPECT_TRUE(icon().balloons.empty());
    loop_.advance(1);
    const std::string idle =
        "show|Нет активных подключений|Состояние: Жду Ваших приказаний|1|60000";
    EXPECT_EQ(icon().balloons, (std::vector<std::string>{"hide", idle}));
    click();
    EXPECT_EQ(icon().balloons, (std::vector<std::string>{"hide", idle, "hide", idle}));

    f.Button1Click();
    loop_.advance(350);  // between two steps of the line, which come every 100 ms
    icon().balloons.clear();
    click();
    // The state line as it was when the double-click time ran out.
    EXPECT_EQ(icon().balloons.back(), "show|Тест попытка подключения|Состояние: " +
                                          f.Model.conn.Label2.caption + "|1|60000");
    EXPECT_FALSE(f.Model.conn.Label2.caption.empty());
    loop_.advance(1950);
    icon().balloons.clear();
    click();
    EXPECT_EQ(
        icon().balloons,
        (std::vector<std::string>{
            "hide", "show|Тест сейчас подключен|Скорость 33,6 Кбит/с, IP 10.64.0.2|1|60000"}));
}

TEST_F(TrayTest, MenuOffersRestoreOrMinimizeAndCopiesTheAddress) {
    auto p = started();
    auto& f = p->form;
    auto& m = f.Model.menu;
    f.PopupMenu1Popup();
    EXPECT_EQ(m.MShow.caption, "Свернуть");
    EXPECT_FALSE(m.CopyIP.enabled);
    f.MShowClick();
    EXPECT_TRUE(f.Model.window.minimized);
    f.PopupMenu1Popup();
    EXPECT_EQ(m.MShow.caption, "Восстановить");
    f.MShowClick();
    EXPECT_FALSE(f.Model.window.minimized);
    EXPECT_EQ(p->ui.broughtToFront, 1);

    f.Button1Click();
    loop_.advance(2300);
    ASSERT_EQ(f.Model.conn.Button1.caption, kHangUpCaption);
    m.MCall.enabled = true;
    f.PopupMenu1Popup();
    EXPECT_TRUE(m.CopyIP.enabled);
    EXPECT_FALSE(m.MCall.enabled);
    f.CopyIPClick();
    EXPECT_EQ(clipboard_.text, "10.64.0.2");
    // Once no connection is watched, the item stays off whatever the last address was.
    f.Button1Click();
    loop_.advance(2000);
    ASSERT_FALSE(f.Monitor.TimerStatus.enabled());
    ASSERT_FALSE(f.RasCon.LocalIP().empty());
    m.CopyIP.enabled = true;
    f.PopupMenu1Popup();
    EXPECT_FALSE(m.CopyIP.enabled);
    // A clipboard that cannot be had changes nothing and says nothing.
    clipboard_.works = false;
    clipboard_.text = "kept";
    f.CopyIPClick();
    EXPECT_EQ(clipboard_.text, "kept");
    EXPECT_TRUE(p->ui.messages.empty());
}

TEST_F(TrayTest, WithoutATrayTheWindowKeepsItsTaskbarButtonAndTheUserIsToldOnce) {
    tray_.present = false;
    auto p = started();
    auto& f = p->form;
    f.TrayRadioClick();
    EXPECT_TRUE(button(*p));
    ASSERT_EQ(p->ui.messages.size(), 1u);
    EXPECT_NE(p->ui.messages[0].text.find("таскбаре"), std::string::npos);
    f.Button2Click();
    EXPECT_TRUE(f.Model.window.minimized);
    EXPECT_TRUE(button(*p));
    f.TaskRadioClick();
    f.TrayRadioClick();
    EXPECT_EQ(p->ui.messages.size(), 1u);
    // A panel that starts late takes the icon, and the button goes.
    tray_.setPresent(true);
    EXPECT_FALSE(button(*p));
    EXPECT_TRUE(icon().visible);
    tray_.setPresent(false);
    EXPECT_TRUE(button(*p));
    EXPECT_FALSE(f.Model.iface.NoTaskbarLabel.visible);

    // Where a shown window keeps its taskbar button (Wayland), the mode page says so.
    auto wayland = prepared();
    wayland->ui.taskbarHideable = false;
    wayland->start();
    EXPECT_TRUE(wayland->form.Model.iface.NoTaskbarLabel.visible);
}

}  // namespace
