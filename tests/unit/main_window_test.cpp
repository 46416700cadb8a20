#include "app/tform1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/cipher.h"
#include "platform/codepage.h"
#include "platform/machine.h"
#include "platform/virtual_loop.h"
#include "program_fixture.h"

using namespace velmor;
using velmor::test::ScriptedUI;
using velmor::test::writeFile;
namespace fs = std::filesystem;

namespace {

using MainWindowTest = velmor::test::ProgramTest;

}  // namespace

TEST_F(MainWindowTest, FirstStartAsksForAPasswordAndStartsLocked) {
    auto p = program();
    p->ui.lockDialog = ScriptedUI::typing("ab");
    p->start();
    EXPECT_TRUE(fs::exists(ini()));
    EXPECT_EQ(fs::file_size(ini()), 0u);  // created empty; nothing saved before the close
    ASSERT_EQ(p->ui.texts(), std::vector<std::string>{"Не задан пароль для работы с программой."});
    EXPECT_EQ(p->ui.lockCaptions, std::vector<std::string>{"Смена пароля"});
    const MainForm& m = p->form.Model;
    EXPECT_EQ(m.state.lockPassword, "ab");
    EXPECT_TRUE(m.state.locked);
    EXPECT_EQ(m.conn.BitLockGlyph, "UNLOCK");
    EXPECT_EQ(m.conn.Label2.caption, "Жду Ваших приказаний");
    EXPECT_EQ(m.conn.Label2.hint, "Жду Ваших приказаний");
    EXPECT_EQ(m.conn.ComboBox1.text(), "Демо-провайдер");
    EXPECT_EQ(m.phones.size(), 3u);  // seeded from the phonebook entry
    ASSERT_EQ(m.logins.size(), 1u);
    EXPECT_EQ(m.logins[0].login, "demo");
    EXPECT_TRUE(m.conn.Button1.enabled);
    EXPECT_EQ(m.iface.TrackBar.max, 4);
    EXPECT_EQ(m.iface.Label28.caption, "5");
    EXPECT_EQ(log(),
              "\r\n07.12.2026 0:30:15 --- Запуск Velmor 0.97\r\n"
              "07.12.2026 0:30:15 --- Жду Ваших приказаний\r\n");

    ASSERT_TRUE(p->form.Close());
    EXPECT_NE(log().find("0:30:15 --- Завершение работы программы\r\n"), std::string::npos);
    Profile saved(ini());
    EXPECT_EQ(
        decipherText(machineBinding("").machineKey, saved.readString("Brontavel", "LockPass", "")),
        "ab");
    EXPECT_EQ(saved.readString("Brontavel", "LockCode", "-"), "");
    EXPECT_EQ(saved.readString("RAS_Entry_Демо-провайдер", "Phone_2", ""), "555-0103");
}

TEST_F(MainWindowTest, SetPasswordDialogClosedWithoutOneEndsWithoutSaving) {
    auto p = program();
    p->ui.lockDialog = [](TForm6& d) {
        std::string error;
        d.PasswordEdit.paste("a");  // one character: refused, then the close box
        EXPECT_FALSE(d.OkClick(error));
        EXPECT_EQ(error, "Пароль не может быть короче двух символов");
    };
    p->form.FormCreate("");
    EXPECT_TRUE(p->form.TerminateRequested());
    EXPECT_TRUE(p->ui.terminated);
    // The creation sequence still ran to its end.
    EXPECT_NE(log().find("Жду Ваших приказаний"), std::string::npos);
    // The empty file made for this run goes with it: the next start is a first start again,
    // not a damaged file.
    EXPECT_FALSE(fs::exists(ini()));
}

TEST_F(MainWindowTest, LockStateSurvivesARestartOnThisComputer) {
    firstRun("пароль");
    {
        auto p = program();
        p->start();
        EXPECT_TRUE(p->ui.texts().empty());  // a password is stored: no question
        EXPECT_TRUE(p->form.Model.state.locked);
        // Unlocking needs the password; a wrong one changes nothing and says nothing.
        p->ui.lockDialog = ScriptedUI::typing("Пароль");
        p->form.BitLockClick();
        EXPECT_TRUE(p->form.Model.state.locked);
        EXPECT_EQ(p->ui.lockCaptions.back(), "Отключение защиты");
        p->form.PopupChangePassPopup();
        EXPECT_FALSE(p->form.Model.conn.N1.enabled);
        p->ui.lockDialog = ScriptedUI::typing("пароль");
        p->form.BitLockClick();
        EXPECT_FALSE(p->form.Model.state.locked);
        EXPECT_EQ(p->form.Model.conn.BitLockGlyph, "LOCK");
        EXPECT_EQ(p->form.Model.conn.BitLock.hint, "Заблокировать");
        p->form.PopupChangePassPopup();
        EXPECT_TRUE(p->form.Model.conn.N1.enabled);
        ASSERT_TRUE(p->form.Close());
    }
    auto p = program();
    p->start();
    EXPECT_FALSE(p->form.Model.state.locked);
    // Locking asks for nothing.
    const auto dialogs = p->ui.lockCaptions.size();
    p->form.BitLockClick();
    EXPECT_TRUE(p->form.Model.state.locked);
    EXPECT_EQ(p->ui.lockCaptions.size(), dialogs);
    EXPECT_EQ(p->form.Model.conn.BitLock.hint, "Разблокировать");
}

TEST_F(MainWindowTest, LockHotKeyRules) {
    firstRun("пароль");
    auto p = program();
    p->start();
    p->ui.lockDialog = ScriptedUI::typing("пароль");
    // Minimized and locked: nothing, not even a dialog.
    p->ui.minimized = true;
    p->form.LockHotKey();
    EXPECT_TRUE(p->form.Model.state.locked);
    EXPECT_TRUE(p->ui.lockCaptions.empty());
    // Visible and locked: the unlock dialog.
    p->ui.minimized = false;
    p->form.LockHotKey();
    EXPECT_FALSE(p->form.Model.state.locked);
    // Minimized and unlocked: locks without showing anything.
    p->ui.minimized = true;
    p->form.LockHotKey();
    EXPECT_TRUE(p->form.Model.state.locked);
    EXPECT_EQ(p->ui.lockCaptions.size(), 1u);
}

TEST_F(MainWindowTest, ChangingThePasswordKeepsEveryEntrysSecretsReadable) {
    velmor::test::writeFile(book_,
                            "[Дом]\nDevice=sim\nPhoneNumber=1\n[Офис]\nDevice=sim\n"
                            "PhoneNumber=2\n");
    const std::string key = machineBinding("").machineKey;
    {
        Profile f(ini());
        f.writeString("Brontavel", "LockPass", encipherText(key, "старый"));
        f.writeString("Brontavel", "LockCode", machineBinding("").machineCode);
        f.writeString("RAS_Entry_Офис", "Login_0", encipherText("старый", "office") + "{5}-");
        f.writeString("RAS_Entry_Офис", "Password_0", encipherText("старый", "secret"));
        f.writeString("RAS_Entry_Офис", "Login_1", encipherText("старый", "bare"));
        f.writeString("RAS_Entry_Офис", "Password_1", "");
    }
    auto p = program();
    p->start();
    ASSERT_FALSE(p->form.Model.state.locked);
    p->ui.lockDialog = [](TForm6& d) {
        EXPECT_EQ(d.mode(), LockMode::Change);
        EXPECT_EQ(d.PasswordEdit.Password(), "старый");  // starts with the current password
        std::string error;
        d.PasswordEdit.setPassword("новый");
        EXPECT_TRUE(d.OkClick(error));
    };
    p->form.PopupChangePassPopup();
    p->form.N1Click();
    EXPECT_EQ(p->form.Model.state.lockPassword, "новый");
    Profile f(ini());  // what is on disk now, before any save
    EXPECT_EQ(decipherText(key, f.readString("Brontavel", "LockPass", "")), "новый");
    const std::string login = f.readString("RAS_Entry_Офис", "Login_0", "");
    ASSERT_TRUE(login.ends_with("{5}-"));
    EXPECT_EQ(decipherText("новый", login.substr(0, login.find('{'))), "office");
    EXPECT_EQ(decipherText("новый", f.readString("RAS_Entry_Офис", "Password_0", "")), "secret");
    EXPECT_EQ(decipherText("новый", f.readString("RAS_Entry_Офис", "Login_1", "")), "bare");
    // Switching to the other entry shows its logins in clear.
    p->form.ComboBox1DropDown();
    p->form.Model.conn.ComboBox1.selectText("Офис");
    p->form.ComboBox1Change();
    ASSERT_EQ(p->form.Model.logins.size(), 2u);
    EXPECT_EQ(p->form.Model.logins[0].login, "office");
    EXPECT_EQ(p->form.Model.logins[0].password, "secret");
    EXPECT_EQ(p->form.Model.logins[1].login, "bare");
}

TEST_F(MainWindowTest, NoPhonebookEntryGivesTheReducedWindowAndKeepsStoredFigures) {
    velmor::test::writeFile(book_, "; no entries\n");
    {
        Profile f(ini());
        f.writeString("Brontavel", "InInternetAll", "123");
        f.writeString("Brontavel", "Mode", "TRAY");
        f.writeString("Brontavel", "HotDial", "121");
        f.writeString("Brontavel", "LockPass", encipherText(machineBinding("").machineKey, "pw"));
        f.writeString("Brontavel", "LockCode", machineBinding("").machineCode);  // unlocked
    }
    auto p = program();
    p->start();
    EXPECT_EQ(p->ui.texts(), std::vector<std::string>{"Не найдено ни одного подключения."});
    const auto& c = p->form.Model.conn;
    EXPECT_FALSE(c.Button1.enabled);
    EXPECT_FALSE(c.BitLock.enabled);
    EXPECT_FALSE(c.ComboBox1.enabled);
    EXPECT_FALSE(c.BitBtn1.enabled);
    EXPECT_FALSE(c.BitBtn7.enabled);
    EXPECT_TRUE(c.BitBtn6.enabled);
    EXPECT_EQ(p->form.Model.state.lockPassword, "pw");
    // A scheduled hang-up saves as the close does.
    auto& t = p->form.Model.timer;
    t.TimerHangCheck.checked = true;
    t.HangMinuteUpDown.setPosition(31);
    t.HangMinuteEdit.text = "31";
    p->form.Button13Click();
    loop_.advance(60'000);
    ASSERT_FALSE(t.TimerHangCheck.checked);  // it ran
    EXPECT_EQ(Profile(ini()).readString("Brontavel", "Mode", ""), "TRAY");
    ASSERT_TRUE(p->form.Close());
    Profile f(ini());
    EXPECT_EQ(f.readString("Brontavel", "InInternetAll", ""), "123");
    EXPECT_EQ(f.readString("Brontavel", "Mode", ""), "TRAY");
    EXPECT_EQ(f.readString("Brontavel", "HotDial", ""), "121");
    EXPECT_EQ(f.readString("Brontavel", "LockCode", "-"), machineBinding("").machineCode);
    EXPECT_FALSE(f.sectionExists("RAS_Entry_"));

    // Creating an entry brings the controls back.
    p->ui.entryDialog = [](PhonebookEntry& e, bool creating) {
        EXPECT_TRUE(creating);
        e.name = "Новое";
        e.phoneNumber = "777";
        return true;
    };
    p->form.BitBtn6Click();
    EXPECT_EQ(c.ComboBox1.items, std::vector<std::string>{"Новое"});
    EXPECT_TRUE(c.ComboBox1.enabled);
    EXPECT_TRUE(c.BitLock.enabled);
    ASSERT_EQ(p->form.Model.phones.size(), 1u);
    EXPECT_EQ(p->form.Model.phones[0].number, "777");
}

TEST_F(MainWindowTest, CreatingOrDeletingAnEntrySavesWhatIsOnDisplayFirst) {
    velmor::test::writeFile(book_, "[Первое]\nPhoneNumber=1\n[Второе]\nPhoneNumber=2\n");
    auto p = program();
    p->ui.lockDialog = ScriptedUI::typing("пароль");
    p->start();
    auto& m = p->form.Model;
    // A session's figures and a new phone, then a create that the user cancels.
    m.stats.inInternetAll = 3600;
    m.stats.dengiAll = 12.5;
    m.phones.push_back({"555"});
    p->form.BitBtn6Click();
    EXPECT_EQ(m.stats.inInternetAll, 3600);
    EXPECT_EQ(m.stats.dengiAll, 12.5);
    ASSERT_EQ(m.phones.size(), 2u);
    EXPECT_EQ(m.state.lockPassword, "пароль");  // the password set at this first start
    // Deleting "Второе" (sorted first) keeps the totals.
    m.stats.inInternetAll = 7200;
    ASSERT_EQ(m.conn.ComboBox1.text(), "Второе");
    p->ui.answers = {MessageResult::Yes};
    p->form.BitBtn7Click();
    ASSERT_EQ(m.conn.ComboBox1.text(), "Первое");
    EXPECT_EQ(m.stats.inInternetAll, 7200);
    ASSERT_TRUE(p->form.Close());
    auto again = program();
    again->start();
    EXPECT_TRUE(again->ui.texts().empty());  // the password is stored: no question
    EXPECT_EQ(again->form.Model.state.lockPassword, "пароль");
}

TEST_F(MainWindowTest, CreatingAnEntryKeepsTheEntryShownSelected) {
    writeFile(book_, "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\nUserName=u\nPassword=p\n");
    firstRun();
    auto p = program();
    p->start();
    auto& m = p->form.Model;
    p->ui.entryDialog = [](PhonebookEntry& e, bool) {
        e.name = e.name.empty() ? "Альфа" : e.name;  // sorts before "Тест"
        e.phoneNumber = "777";
        return true;
    };
    // Created while dialling: the dial goes on with "Тест", whose section the acceptance saves.
    p->form.Button1Click();
    p->form.BitBtn6Click();
    EXPECT_EQ(m.conn.ComboBox1.text(), "Тест");
    loop_.advance(2000);
    ASSERT_EQ(m.conn.Button1.caption, kHangUpCaption);
    EXPECT_EQ(p->form.RasCon.EntryName, "Тест");
    EXPECT_FALSE(Profile(ini()).sectionExists("RAS_Entry_Альфа"));
    p->form.Button1Click();
    // Created while idle: "Тест" stays on display with its own lists.
    p->ui.entryDialog = [](PhonebookEntry& e, bool) {
        e.name = "Бета";
        e.phoneNumber = "888";
        return true;
    };
    p->form.BitBtn6Click();
    EXPECT_EQ(m.conn.ComboBox1.items, (std::vector<std::string>{"Альфа", "Бета", "Тест"}));
    EXPECT_EQ(m.conn.ComboBox1.text(), "Тест");
    ASSERT_EQ(m.phones.size(), 1u);
    EXPECT_EQ(m.phones[0].number, "1");
}

TEST_F(MainWindowTest, EditingAnEntryFillsOnlyItsEmptyLists) {
    writeFile(book_, "[Тест]\nDevice=sim\nSimStepMs=100\n");
    firstRun();
    auto p = program();
    p->start();
    auto& m = p->form.Model;
    ASSERT_TRUE(m.phones.empty());
    ASSERT_FALSE(m.conn.Button1.enabled);
    std::string number = "123", user = "u";
    p->ui.entryDialog = [&](PhonebookEntry& e, bool creating) {
        EXPECT_FALSE(creating);
        e.phoneNumber = number;
        e.alternates = {"456"};
        e.userName = user;
        return true;
    };
    p->form.BitBtn8Click();
    ASSERT_EQ(m.phones.size(), 2u);
    EXPECT_EQ(m.phones[1].number, "456");
    ASSERT_EQ(m.logins.size(), 1u);
    EXPECT_EQ(m.logins[0].password, "?");  // the phonebook keeps no password
    EXPECT_EQ(m.conn.ListView1.itemIndex, 0);
    EXPECT_EQ(m.conn.ListView2.itemIndex, 0);
    EXPECT_TRUE(m.conn.Button1.enabled);
    // Lists the user has stay as they are; only an emptied one is filled again.
    m.logins.clear();
    number = "999";
    user = "v";
    p->form.BitBtn8Click();
    ASSERT_EQ(m.phones.size(), 2u);
    EXPECT_EQ(m.phones[0].number, "123");
    ASSERT_EQ(m.logins.size(), 1u);
    EXPECT_EQ(m.logins[0].login, "v");
    // A dialog closed with "Отмена" fills nothing.
    m.logins.clear();
    p->ui.entryDialog = [](PhonebookEntry&, bool) { return false; };
    p->form.BitBtn8Click();
    EXPECT_TRUE(m.logins.empty());
}

TEST_F(MainWindowTest, SeedingFromThePhonebookTakesNoMoreThanTheFileKeeps) {
    std::string alternates;
    for (int i = 1; i <= 60; ++i)
        alternates += (i > 1 ? ";" : "") + std::to_string(i);
    velmor::test::writeFile(book_,
                            "[Тест]\nPhoneNumber=0\nAlternatePhoneNumbers=" + alternates + "\n");
    auto p = program();
    p->ui.lockDialog = ScriptedUI::typing("пароль");
    p->start();
    ASSERT_EQ(p->form.Model.phones.size(), 51u);
    EXPECT_EQ(p->form.Model.phones.back().number, "50");
}

TEST_F(MainWindowTest, RasMissingDisablesDialling) {
    firstRun();
    auto p = program(false);
    p->start();
    EXPECT_EQ(p->form.Model.conn.Label2.caption, "RAS is not installed");
    EXPECT_FALSE(p->form.Model.conn.Button1.enabled);
    EXPECT_NE(log().find("--- RAS is not installed\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, AnErrorDuringCreationDoesNotSkipTheRestOfIt) {
    {
        Profile f(ini());
        f.writeString("Brontavel", "InInternetAll", "12x");
    }
    auto p = program();
    p->ui.lockDialog = ScriptedUI::typing("пароль");
    p->start();
    EXPECT_EQ(p->ui.texts(),
              (std::vector<std::string>{"'12x' is not a valid integer value.",
                                        "Не задан пароль для работы с программой."}));
    EXPECT_EQ(p->form.Model.phones.size(), 3u);
    EXPECT_NE(log().find("Жду Ваших приказаний"), std::string::npos);
}

TEST_F(MainWindowTest, ExitWhileConnected) {
    firstRun();
    struct Case {
        std::function<void(TForm7&)> user;
        bool closes;
        bool lineStaysUp;
    };
    VirtualLoop& loop = loop_;
    TForm1* current = nullptr;
    const std::vector<Case> cases = {
        {[&](TForm7& d) {
             loop.advance(15000);
             EXPECT_TRUE(d.closed());
         },
         true, false},
        {[](TForm7& d) { d.NoClick(); }, true, true},
        {[](TForm7& d) { d.CancelClick(); }, false, true},
        {[](TForm7& d) { d.CloseBox(); }, true, true},
        {[](TForm7& d) { d.YesClick(); }, true, false},
        // Told to end while the question is shown (a signal): the line is dropped and the
        // window closes, once, whatever is answered afterwards.
        {[&](TForm7& d) {
             EXPECT_TRUE(current->Close(false));
             d.CancelClick();
         },
         true, false},
    };
    for (const Case& c : cases) {
        auto p = program();
        p->start();
        current = &p->form;
        p->form.Button1Click();
        loop_.advance(60000);
        ASSERT_EQ(p->form.Model.conn.Button1.caption, kHangUpCaption);
        p->ui.exitDialog = c.user;
        const int ends = count("Завершение работы программы");
        EXPECT_EQ(p->form.Close(), c.closes);
        EXPECT_EQ(p->ui.exitDialogs, 1);
        EXPECT_EQ(p->form.RasCon.FirstConnection().empty(), !c.lineStaysUp);
        EXPECT_EQ(count("Завершение работы программы") - ends, c.closes ? 1 : 0);
        p->form.RasCon.HangUpAndWait(p->form.RasCon.ActiveHandle(), 0, 0, false);
    }
    // Told to end (a signal, the end of the session): no question, the line dropped.
    auto p = program();
    p->start();
    p->form.Button1Click();
    loop_.advance(60000);
    ASSERT_EQ(p->form.Model.conn.Button1.caption, kHangUpCaption);
    const int ends = count("Завершение работы программы");
    EXPECT_TRUE(p->form.Close(false));
    EXPECT_EQ(p->ui.exitDialogs, 0);
    EXPECT_TRUE(p->form.RasCon.FirstConnection().empty());
    EXPECT_TRUE(p->form.Close(false));  // closed already: nothing more
    EXPECT_EQ(count("Завершение работы программы") - ends, 1);
}

TEST_F(MainWindowTest, ExitCountdownCountsDownToHangUp) {
    ProgramState state;
    TForm7 d(loop_, state);
    d.FormShow();
    EXPECT_EQ(d.secondsText(), "15");
    loop_.advance(14000);
    EXPECT_EQ(d.position(), 14);
    EXPECT_EQ(d.secondsText(), "1");
    EXPECT_FALSE(d.closed());
    EXPECT_FALSE(state.hangUpOnExit);
    loop_.advance(1000);
    EXPECT_TRUE(d.closed());
    EXPECT_TRUE(state.hangUpOnExit);
    EXPECT_TRUE(state.closeAllowed);
    loop_.advance(5000);
    EXPECT_EQ(d.position(), 15);  // the timer stopped
}

TEST_F(MainWindowTest, ClosingWhileDiallingAbortsWithoutAQuestion) {
    firstRun();
    auto p = program();
    p->start();
    p->form.Button1Click();
    loop_.advance(900);  // dialling the first number
    ASSERT_EQ(p->form.Model.conn.Button1.caption, kAbortCaption);
    const ras::Handle dial = p->form.session.dialHandle;
    ASSERT_NE(dial, 0u);
    ASSERT_EQ(p->form.RasCon.ReadConnectStatus(dial, 0), 0);
    EXPECT_TRUE(p->form.Close());
    EXPECT_EQ(p->ui.exitDialogs, 0);
    EXPECT_NE(p->form.RasCon.ReadConnectStatus(dial, 0), 0);  // the dial is gone
    EXPECT_EQ(p->form.RasCon.CurrentState(), 601);
}

TEST_F(MainWindowTest, RenamingAnEntryTakesItsSettingsAndTheSelectorAlong) {
    writeFile(book_, "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\nUserName=u\nPassword=p\n");
    firstRun();
    {
        Profile stale(ini());  // left by a deleted entry of the new name
        stale.writeString("RAS_Entry_Новое", "Phone_7", "999");
    }
    auto p = program();
    p->start();
    p->ui.entryDialog = [](PhonebookEntry& e, bool) {
        e.name = "Новое";
        return true;
    };
    const std::uint64_t writes = p->form.settingsFile()->fileWrites();
    p->form.BitBtn8Click();
    auto& combo = p->form.Model.conn.ComboBox1;
    EXPECT_EQ(combo.items, std::vector<std::string>{"Новое"});
    EXPECT_EQ(combo.text(), "Новое");
    EXPECT_EQ(p->form.settingsFile()->fileWrites(), writes + 1);
    {
        Profile saved(ini());
        EXPECT_FALSE(saved.sectionExists("RAS_Entry_Тест"));
        EXPECT_EQ(saved.readString("RAS_Entry_Новое", "Phone_0", ""), "1");
        EXPECT_FALSE(saved.readString("RAS_Entry_Новое", "Login_0", "").empty());
        EXPECT_EQ(saved.readString("RAS_Entry_Новое", "Phone_7", "-"), "");
        EXPECT_EQ(saved.readString("Brontavel", "LastSelectedEntry", ""), "Новое");
    }
    p->form.Button1Click();  // the entry is dialled by its new name
    loop_.advance(2000);
    EXPECT_EQ(p->form.Model.conn.Button1.caption, kHangUpCaption);
    p->form.Button1Click();
    ASSERT_TRUE(p->form.Close());
    auto again = program();
    again->start();
    EXPECT_EQ(again->form.Model.conn.ComboBox1.text(), "Новое");
    EXPECT_EQ(again->form.Model.logins.at(0).login, "u");
}
