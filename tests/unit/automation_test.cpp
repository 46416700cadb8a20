// Sounds, launched programs, the schedule with power-off and the " ICQ" watchdog, in a whole
// program on virtual time.
#include <gtest/gtest.h>

#include "automation/program_dialog.h"
#include "automation_fakes.h"
#include "platform/profile.h"
#include "program_fixture.h"

using namespace velmor;
using velmor::test::Program;

namespace {

class AutomationTest : public velmor::test::ProgramTest {
  protected:
    // A started program (password set) on a phonebook with one entry, with recording services.
    std::unique_ptr<Program> started(
        const std::string& entryKeys = "PhoneNumber=1\nUserName=u\nPassword=p\n") {
        velmor::test::writeFile(book_, "[Тест]\nDevice=sim\nSimStepMs=100\n" + entryKeys);
        firstRun();
        auto p = program();
        p->form.setAutomationServices({&sound, &procs, &windows, &shutdown});
        p->form.setProgramTrayIcons(&tray);
        p->start();
        return p;
    }
    static const std::string& caption(Program& p) { return p.form.Model.conn.Button1.caption; }
    std::string stored(const std::string& key) const {
        return Profile(ini()).readString("Brontavel", key, "<none>");
    }
    static AppEntry app(const std::string& path, const std::string& params, bool restart,
                        bool mustKill, bool checked = true) {
        AppEntry a;
        a.path = path;
        a.params = params;
        a.description = path.substr(path.rfind('/') + 1);
        a.restart = restart;
        a.mustKill = mustKill;
        a.checked = checked;
        return a;
    }
    // A program with a tray run method, found by a part of its window's title.
    static AppEntry trayApp(const std::string& path, int runMethod, const std::string& titlePart,
                            bool mustKill) {
        AppEntry a = app(path, "", true, mustKill);
        a.runMethod = runMethod;
        a.titlePart = titlePart;
        return a;
    }
    // Arms a schedule for hour:minute through the page and "Применить".
    static void arm(Program& p, bool dial, int hour, int minute, bool repeat) {
        TimerPage& t = p.form.Model.timer;
        (dial ? t.TimerDialCheck : t.TimerHangCheck).checked = true;
        (dial ? t.TimerDialRepCheck : t.TimerHangRepCheck).checked = repeat;
        UpDown& h = dial ? t.DialHourUpDown : t.HangHourUpDown;
        UpDown& m = dial ? t.DialMinuteUpDown : t.HangMinuteUpDown;
        h.setPosition(hour);
        m.setPosition(minute);
        (dial ? t.DialHourEdit : t.HangHourEdit).text = std::to_string(hour);
        (dial ? t.DialMinuteEdit : t.HangMinuteEdit).text = std::to_string(minute);
        p.form.ScheduleChanged();
        p.form.Button13Click();
    }

    velmor::test::RecordingSound sound;
    velmor::test::FakeProcesses procs;
    velmor::test::FakeWindows windows{loop_};
    velmor::test::RecordingShutdown shutdown;
    velmor::test::FakeTrayIcons tray;
};

}  // namespace

TEST_F(AutomationTest, ProgramsStartOnConnectAndOnlyRestartOnesAfterARedial) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimDropAfter=5\n");
    auto& m = p->form.Model;
    m.general.AutoReDialCheck.checked = true;
    m.programs = {app("/opt/mail/Почта", "-n \"два слова\" 'x y'", false, true),
                  app("/opt/chat/chat", "", true, false),
                  app("/opt/never/never", "", true, true, false)};
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    // The first connection after the start: every ticked program, in list order.
    EXPECT_EQ(procs.startedPaths(),
              (std::vector<std::string>{"/opt/mail/Почта", "/opt/chat/chat"}));
    EXPECT_EQ(procs.starts[0].args, (std::vector<std::string>{"-n", "два слова", "x y"}));
    EXPECT_EQ(procs.starts[0].workDir, "/opt/mail");

    loop_.advance(6000);  // the line drops: nothing is closed
    EXPECT_EQ(caption(*p), kAbortCaption);
    EXPECT_TRUE(procs.terminated.empty());
    loop_.advance(7000);  // redialled automatically: only the program with restart on
    ASSERT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(procs.startedPaths(),
              (std::vector<std::string>{"/opt/mail/Почта", "/opt/chat/chat", "/opt/chat/chat"}));

    // The user hangs up: the ticked programs with must kill on end, the others run on.
    p->form.Button1Click();
    loop_.advance(1500);
    EXPECT_EQ(procs.runningCount("/opt/mail/Почта"), 0);
    EXPECT_EQ(procs.runningCount("/opt/chat/chat"), 2);
    EXPECT_EQ(procs.terminated.size(), 1u);
    // And the next dial starts every ticked program again; the unticked one never.
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(procs.starts.size(), 5u);
    for (const auto& s : procs.starts)
        EXPECT_NE(s.path, "/opt/never/never");
}

TEST_F(AutomationTest, SoundsOnConnectAndLossAndTheTestButtons) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimDropAfter=3\n");
    auto& s = p->form.Model.sounds;
    s.ConnCheck.checked = true;
    s.ConnEdit.text = "/snd/up.wav";
    s.DisconnCheck.checked = true;
    s.DisconnEdit.text = "/snd/down.wav";
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_EQ(sound.played, (std::vector<std::string>{"/snd/up.wav"}));
    loop_.advance(4000);  // a line drop plays the loss sound
    EXPECT_EQ(sound.played.back(), "/snd/down.wav");
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(sound.played.size(), 3u);
    p->form.Button1Click();  // and so does a user hang-up
    loop_.advance(1500);
    EXPECT_EQ(sound.played.size(), 4u);
    EXPECT_EQ(sound.played.back(), "/snd/down.wav");

    // "Тест" plays whatever the check box says; a check box on with no file plays nothing.
    sound.played.clear();
    s.ConnCheck.checked = false;
    p->form.Button7Click();
    p->form.Button8Click();
    EXPECT_EQ(sound.played, (std::vector<std::string>{"/snd/up.wav", "/snd/down.wav"}));
    s.DisconnCheck.checked = true;
    s.DisconnEdit.text.clear();
    p->form.Button1Click();
    loop_.advance(2000);
    p->form.Button1Click();
    loop_.advance(1500);
    EXPECT_EQ(sound.played.size(), 2u);

    // "Открыть": the file dialog with the sound filter; cancelling keeps the field.
    p->ui.fileChooser = [](const std::string&) {
        return std::optional<std::string>("/x/ring.wav");
    };
    p->form.Button9Click();
    EXPECT_EQ(s.DisconnEdit.text, "/x/ring.wav");
    EXPECT_EQ(p->ui.fileFilters.back(), "Звуковые файлы (*.wav)|*.wav");
    p->ui.fileChooser = nullptr;
    p->form.Button6Click();
    EXPECT_EQ(s.ConnEdit.text, "/snd/up.wav");
}

TEST_F(AutomationTest, TrayProgramsWaitForTheirWindowAndAreShownHiddenAndClosed) {
    auto p = started();
    auto& m = p->form.Model;
    AppEntry hidden = trayApp("/opt/a/prog", 1, "Почтовик", true);
    hidden.description = std::string(130, 'd');
    m.programs = {hidden, trayApp("/opt/b/other", 2, "Другая", false),
                  trayApp("/opt/c/slow", 2, "не бывает", false)};
    std::uint64_t slowStarted = 0, postedRan = 0;
    procs.onStart = [&](const std::string& path) {
        if (path == "/opt/a/prog") windows.add("Мой Почтовик 2.0", 3000);
        if (path == "/opt/b/other") windows.add("Другая программа");
        if (path == "/opt/c/slow") {
            slowStarted = loop_.tickCount();
            loop_.post([&] { postedRan = loop_.tickCount(); });
        }
    };
    p->form.Button1Click();
    const std::uint64_t before = loop_.tickCount();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    // The launch waited for the first window, then for the third one until it gave up without
    // an icon; the loop ran meanwhile.
    EXPECT_GE(loop_.tickCount() - before, 33000u);
    EXPECT_LT(loop_.tickCount() - before, 35000u);
    EXPECT_LT(postedRan - slowStarted, 1000u);
    ASSERT_EQ(tray.icons.size(), 2u);
    const int first = m.programs[0].trayIcon;
    const int second = m.programs[1].trayIcon;
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    EXPECT_EQ(m.programs[2].trayIcon, 0);
    EXPECT_EQ(tray.icons[first].file, "/opt/a/prog");
    EXPECT_EQ(tray.icons[first].tip, std::string(127, 'd'));
    // Run method 1 starts hidden; a click shows, a second click hides; the menu follows.
    WindowId w = windows.windows[0].id;
    EXPECT_FALSE(windows.visible(w));
    EXPECT_TRUE(windows.visible(windows.windows[1].id));
    EXPECT_EQ(tray.icons[first].handlers.menuPopup(), "Показать");
    tray.icons[first].handlers.click();
    EXPECT_TRUE(windows.visible(w));
    EXPECT_EQ(tray.icons[first].handlers.menuPopup(), "Спрятать");
    tray.icons[first].handlers.showHide();
    EXPECT_FALSE(windows.visible(w));

    // The program with run method 2 is closed by its user: the next tick removes its icon.
    windows.remove(windows.windows[1].id);
    loop_.advance(1000);
    EXPECT_FALSE(tray.visible(second));
    EXPECT_EQ(m.programs[1].trayIcon, 0);
    // "Выйти" ends the program and removes its icon.
    tray.icons[first].handlers.exit();
    EXPECT_EQ(procs.runningCount("/opt/a/prog"), 0);
    EXPECT_TRUE(tray.icons.empty());

    // Without the tray a hidden program starts shown and nothing waits.
    p->form.setProgramTrayIcons(nullptr);
    p->form.Button1Click();  // hang up
    loop_.advance(1500);
    p->form.Button1Click();
    const std::uint64_t again = loop_.tickCount();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    EXPECT_LT(loop_.tickCount() - again, 2100u);
    EXPECT_TRUE(windows.visible(windows.windows.back().id));
}

TEST_F(AutomationTest, WithoutANotificationAreaTrayOnlyProgramsStayShownAndThatIsSaidOnce) {
    auto p = started();
    tray.present = false;
    p->form.Model.programs = {trayApp("/opt/a/prog", 1, "Почтовик", true),
                              trayApp("/opt/b/chat", 1, "Болталка", true)};
    procs.onStart = [&](const std::string& path) {
        windows.add(path == "/opt/a/prog" ? "Почтовик" : "Болталка", 500);
    };
    for (int dial = 0; dial < 2; ++dial) {
        p->form.Button1Click();
        loop_.advance(3000);
        ASSERT_EQ(caption(*p), kHangUpCaption);
        for (const auto& w : windows.windows)
            EXPECT_TRUE(w.visible) << w.title;
        p->form.Button1Click();
        loop_.advance(1500);
    }
    // Their icons wait for a notification area; the reason was given once.
    EXPECT_EQ(tray.icons.size(), 0u);
    EXPECT_EQ(tray.removed.size(), 4u);
    EXPECT_EQ(p->ui.texts(),
              std::vector<std::string>{"На этом рабочем столе нет области уведомлений (трея), "
                                       "поэтому окна программ, запускаемых \"только в трэе\", "
                                       "остаются на экране."});
}

TEST_F(AutomationTest, TheMonitorTicksWhileALaunchWaitsForAWindow) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimDropAfter=10\n");
    auto& m = p->form.Model;
    AppEntry waits = app("/opt/a/slow", "", false, false);
    waits.runMethod = 1;
    waits.titlePart = "не бывает";
    m.programs = {waits, app("/opt/b/next", "", false, false)};
    p->form.Button1Click();
    loop_.advance(2000);  // connected, then 30 s of waiting for a window that never comes
    // The seconds were counted and the drop was found meanwhile.
    EXPECT_GE(m.stats.inCurrentLast, 9);
    EXPECT_LE(m.stats.inCurrentLast, 11);
    EXPECT_EQ(count("Соединениние было разорвано. Время на линии: 0.00:00:"), 1);
    EXPECT_EQ(caption(*p), kDialCaption);
    // The next program still started, though the ticks cleared the launch mode meanwhile.
    EXPECT_EQ(procs.startedPaths(), (std::vector<std::string>{"/opt/a/slow", "/opt/b/next"}));

    // The user hangs up during the wait: the program that waits is stopped, the wait ends and
    // no further program starts.
    m.programs[0].mustKill = true;
    m.programs[1].mustKill = true;
    Timer hangUp(loop_, 5000);
    hangUp.onTimer = [&] {
        hangUp.setEnabled(false);
        p->form.Button1Click();
    };
    procs.onStart = [&](const std::string&) { hangUp.setEnabled(true); };
    p->form.Button1Click();
    const std::uint64_t before = loop_.tickCount();
    loop_.advance(2000);
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_LT(loop_.tickCount() - before, 10000u);
    EXPECT_EQ(procs.startedPaths(),
              (std::vector<std::string>{"/opt/a/slow", "/opt/b/next", "/opt/a/slow"}));
    EXPECT_EQ(procs.runningCount("/opt/a/slow"), 0);
    EXPECT_EQ(procs.runningCount("/opt/b/next"), 0);
}

TEST_F(AutomationTest, ProgramListAddEditDeleteThroughTheDialog) {
    auto p = started();
    auto& m = p->form.Model;
    p->ui.fileChooser = [](const std::string&) {
        return std::optional<std::string>("/opt/Мой клиент/client");
    };
    p->ui.programDialog = [&](TForm8& d) {
        EXPECT_EQ(d.Caption, "Добавить приложение");
        EXPECT_EQ(d.Note, "");
        d.Button1Click(p->ui);  // "Обзор"
        d.Edit3 = "Клиент";
        d.Edit4 = "--x 'open";
        d.RadioGroup1 = 2;
        d.CheckBox2 = true;
        std::string error;
        EXPECT_FALSE(d.OkClick(error));  // an open quote is refused and the dialog stays
        EXPECT_EQ(error, "В параметрах запуска не закрыта кавычка.");
        d.Edit4 = "--x 'open'";
        EXPECT_TRUE(d.OkClick(error));
    };
    p->form.BitBtn9Click();
    EXPECT_EQ(p->ui.fileFilters.back(), "Выполняемые файлы (*.exe)|*.exe|Все файлы|*.*");
    ASSERT_EQ(m.programs.size(), 1u);
    EXPECT_EQ(m.programs[0].path, "/opt/Мой клиент/client");
    EXPECT_EQ(m.programs[0].description, "client");
    EXPECT_EQ(m.programs[0].params, "--x 'open'");
    EXPECT_EQ(m.programs[0].runMethod, 2);
    EXPECT_TRUE(m.programs[0].checked);
    EXPECT_TRUE(m.programs[0].mustKill);
    EXPECT_FALSE(m.programs[0].restart);

    // "Отмена" adds nothing; editing without a selected row does nothing.
    p->ui.programDialog = nullptr;
    p->form.BitBtn9Click();
    EXPECT_EQ(m.programs.size(), 1u);
    m.programs.push_back(app("/bin/second", "", true, true));
    m.programs[0].checked = false;
    m.apps.capplist.itemIndex = -1;
    int shown = 0;
    // Where only X11 programs' windows can be seen (Wayland), the dialog says what goes missing.
    windows.seesAll = false;
    p->ui.programDialog = [&](TForm8& d) {
        ++shown;
        EXPECT_NE(d.Note.find("окно \" ICQ\" не закроется"), std::string::npos);
        EXPECT_EQ(d.Edit2, "/opt/Мой клиент/client");  // filled from the row
        EXPECT_EQ(d.RadioGroup1, 2);
        d.Edit1 = "Клиент";
        std::string error;
        d.OkClick(error);
    };
    p->form.BitBtn10Click();
    EXPECT_EQ(shown, 0);
    m.apps.capplist.itemIndex = 0;
    p->form.BitBtn10Click();
    EXPECT_EQ(m.programs[0].description, "Клиент");
    EXPECT_TRUE(m.programs[0].checked);  // an edited row is ticked again
    p->form.BitBtn14Click();
    ASSERT_EQ(m.programs.size(), 1u);
    EXPECT_EQ(m.programs[0].path, "/bin/second");
    // The list is stored with the entry.
    p->form.capplistChange(0, false);
    ASSERT_TRUE(p->form.Close());
    Profile saved(ini());
    EXPECT_EQ(saved.readString("RAS_Entry_Тест", "appcount", ""), "1");
    EXPECT_EQ(saved.readString("RAS_Entry_Тест", "app0path", ""), "/bin/second");
}

TEST_F(AutomationTest, ScheduledDialForAPassedMinuteComesTomorrowAndDisarmsWithoutRepeat) {
    auto p = started();
    auto& t = p->form.Model.timer;
    p->form.Timers->Clocks.setDisplayed(true);  // the clocks on screen follow the time
    EXPECT_EQ(t.DialClock.caption, "00:30");
    arm(*p, true, 0, 20, false);  // 00:30:15 now
    EXPECT_FALSE(t.Button13.enabled);
    EXPECT_EQ(stored("TimerDial"), "Y");
    EXPECT_EQ(stored("DialHour"), "0");
    EXPECT_EQ(stored("DialMinute"), "20");
    EXPECT_EQ(stored("HangHour"), "");  // not armed: no time stored
    EXPECT_EQ(stored("TimerHang"), "N");
    loop_.advance((23 * 3600 + 49 * 60 + 44) * 1000LL);  // tomorrow 00:19:59
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(t.DialClock.caption, "00:19");
    EXPECT_EQ(t.HangClock.caption, "00:19");
    loop_.advance(1000 + ScheduleClocks::kTickMs);
    EXPECT_EQ(caption(*p), kAbortCaption);
    EXPECT_FALSE(t.TimerDialCheck.checked);
    EXPECT_TRUE(t.Button13.enabled);
    EXPECT_FALSE(p->form.Timers->DialClock().AlarmEnabled);
    loop_.advance(2000);
    EXPECT_EQ(caption(*p), kHangUpCaption);

    // The double click puts the current time into a field and does not enable "Применить".
    t.Button13.enabled = false;
    p->form.TimeEditDblClick(t.HangMinuteEdit, t.HangMinuteUpDown, false);
    p->form.TimeEditDblClick(t.HangHourEdit, t.HangHourUpDown, true);
    EXPECT_EQ(t.HangMinuteEdit.text, "20");
    EXPECT_EQ(t.HangMinuteUpDown.position, 20);
    EXPECT_EQ(t.HangHourEdit.text, "0");
    EXPECT_FALSE(t.Button13.enabled);
}

TEST_F(AutomationTest, DialAlarmWhileConnectedDoesNothingButStillDisarms) {
    auto p = started();
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    arm(*p, true, 0, 31, false);
    loop_.advance(60000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(p->form.Model.conn.Label6.caption, "1");
    EXPECT_FALSE(p->form.Model.timer.TimerDialCheck.checked);
    EXPECT_FALSE(p->form.Timers->DialClock().AlarmEnabled);
    EXPECT_TRUE(p->form.Model.timer.Button13.enabled);
}

TEST_F(AutomationTest, HangUpAlarmSavesSettingsAndPowersOffWhetherConnectedOrNot) {
    auto p = started();
    auto& m = p->form.Model;
    m.timer.PowerCheck.checked = true;
    arm(*p, false, 0, 31, true);
    EXPECT_EQ(stored("PowerOff"), "Y");
    EXPECT_EQ(stored("AutoReDial"), "N");
    m.general.AutoReDialCheck.checked = true;        // not saved yet
    loop_.advance(45000 + ScheduleClocks::kTickMs);  // 00:31:00.4
    EXPECT_EQ(shutdown.requests, (std::vector<unsigned>{EWX_SHUTDOWN}));
    EXPECT_EQ(stored("AutoReDial"), "Y");
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_TRUE(m.timer.TimerHangCheck.checked);  // repeating: still armed

    // Next day, connected and forced: the hang-up, then the forced power-off.
    m.timer.ForceCheck.checked = true;
    loop_.advance((24 * 3600 - 10) * 1000LL);
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    loop_.advance(8000 + ScheduleClocks::kTickMs);
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(shutdown.requests, (std::vector<unsigned>{EWX_SHUTDOWN, EWX_SHUTDOWN | EWX_FORCE}));
    EXPECT_NE(log().find(" --- Соединение было разорвано пользователем\r\n"), std::string::npos);
}

TEST_F(AutomationTest, BothSchedulesAtMidnightFireAtTheFirstTickOfTheMinuteEveryDay) {
    loop_.setLocalDateTime({2026, 12, 7, 23, 59, 50, 0});
    auto p = started();
    arm(*p, true, 0, 0, true);
    arm(*p, false, 0, 0, true);
    loop_.advance(9999);  // 23:59:59.999
    EXPECT_EQ(count("Инициализация соединения"), 0);
    loop_.advance(ScheduleClocks::kTickMs);
    // The dial alarm dialled, the hang-up alarm aborted the attempt.
    EXPECT_EQ(count("Инициализация соединения"), 1);
    EXPECT_EQ(count("Процесс установления соединения был прерван пользователем"), 1);
    EXPECT_EQ(caption(*p), kDialCaption);
    // "Применить" again within the minute, and the clock set back over it: no second ringing.
    p->form.ScheduleChanged();
    p->form.Button13Click();
    loop_.advance(ScheduleClocks::kTickMs);
    EXPECT_EQ(count("Инициализация соединения"), 1);
    loop_.setLocalDateTime({2026, 12, 7, 23, 59, 58, 0});
    loop_.advance(2000 + ScheduleClocks::kTickMs);
    EXPECT_EQ(count("Инициализация соединения"), 1);
    loop_.advance(59000);  // once in the minute
    EXPECT_EQ(count("Инициализация соединения"), 1);
    loop_.advance(24 * 3600 * 1000LL - 59000);
    EXPECT_EQ(count("Инициализация соединения"), 2);
    EXPECT_TRUE(shutdown.requests.empty());  // "Выключить компьютер" is off
}

TEST_F(AutomationTest, IcqWatchdogClosesOnlyTheWindowTitledWithTheLeadingBlankAtOnce) {
    windows.add("ICQ");
    const WindowId icq = windows.add(" ICQ");
    windows.add(" ICQ 2");
    auto p = started();
    EXPECT_TRUE(p->form.Icq->watching());
    EXPECT_EQ(windows.watched, " ICQ");
    loop_.runPending();  // no timer: the window there at start goes at once
    EXPECT_EQ(windows.closed, (std::vector<WindowId>{icq}));
    EXPECT_EQ(windows.windows.size(), 2u);

    // A window created with the title, or retitled to it, goes as soon as it is told.
    const WindowId later = windows.add(" ICQ");
    const WindowId renamed = windows.add("ICQ 2003b");
    loop_.runPending();
    EXPECT_EQ(windows.closed, (std::vector<WindowId>{icq, later}));
    windows.retitle(renamed, " ICQ");
    loop_.runPending();
    EXPECT_EQ(windows.closed, (std::vector<WindowId>{icq, later, renamed}));
    const int listings = windows.listings;
    loop_.advance(600000);  // nothing is looked at without news
    EXPECT_EQ(windows.listings, listings);
}

TEST_F(AutomationTest, NothingWakesWhileIdleAndNotConnected) {
    auto p = started();
    std::uint64_t before = loop_.firings();
    loop_.advance(600000);
    EXPECT_EQ(loop_.firings() - before, 0u) << "with a display";

    // The page "Таймер" on screen: its clocks show the time, once a minute.
    p->form.Timers->Clocks.setDisplayed(true);
    before = loop_.firings();
    loop_.advance(600000);
    EXPECT_LE(loop_.firings() - before, 11u);
    p->form.Timers->Clocks.setDisplayed(false);

    windows.present = false;
    p->form.setAutomationServices({&sound, &procs, &windows, &shutdown});
    EXPECT_FALSE(p->form.Icq->watching());
    before = loop_.firings();
    loop_.advance(600000);
    EXPECT_EQ(loop_.firings() - before, 0u) << "without a display";
}
