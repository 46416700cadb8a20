#include <gtest/gtest.h>

#include "app/cipher.h"
#include "dialing/acceptance.h"
#include "dialing/list_dialogs.h"
#include "platform/profile.h"
#include "program_fixture.h"

using namespace velmor;
using velmor::test::Program;

namespace {

class ListsTest : public velmor::test::ProgramTest {
  protected:
    std::unique_ptr<Program> started() {
        velmor::test::writeFile(book_,
                                "[Дом]\nDevice=sim\nPhoneNumber=1\nUserName=u\nPassword=p\n"
                                "[Офис]\nDevice=sim\nPhoneNumber=2\n");
        firstRun();
        auto p = program();
        p->start();
        return p;
    }
    static std::vector<std::string> numbers(const MainForm& m) {
        std::vector<std::string> out;
        for (const PhoneItem& p : m.phones)
            out.push_back(p.number);
        return out;
    }
    static std::vector<std::string> logins(const MainForm& m) {
        std::vector<std::string> out;
        for (const LoginItem& l : m.logins)
            out.push_back(l.login);
        return out;
    }
};

}  // namespace

TEST_F(ListsTest, PhonesAddDeleteExcludeAndMove) {
    auto p = started();
    auto& m = p->form.Model;
    auto& f = p->form;
    p->ui.phoneDialog = [](TForm2& d) {
        EXPECT_EQ(d.Caption, "Введите новый телефон");
        d.Number = "";
        d.OkClick();  // empty: nothing changes
    };
    f.BitBtn1Click();
    EXPECT_EQ(numbers(m), std::vector<std::string>{"1"});
    for (const char* n : {"22", "333", "4444"}) {
        p->ui.phoneDialog = [n](TForm2& d) {
            d.Number = n;
            d.OkClick();
        };
        f.BitBtn1Click();
    }
    EXPECT_EQ(numbers(m), (std::vector<std::string>{"1", "22", "333", "4444"}));
    // Drag "22" onto "4444": it goes before it; onto empty space: to the end.
    f.ListDrop(false, 1, 3);
    EXPECT_EQ(numbers(m), (std::vector<std::string>{"1", "333", "22", "4444"}));
    EXPECT_EQ(m.conn.ListView1.itemIndex, 2);
    f.ListDrop(false, 0, -1);
    EXPECT_EQ(numbers(m), (std::vector<std::string>{"333", "22", "4444", "1"}));
    EXPECT_EQ(m.conn.ListView1.itemIndex, 3);
    // Edit the selected one.
    p->ui.phoneDialog = [](TForm2& d) {
        EXPECT_EQ(d.Number, "1");
        d.Number = "9,1";
        d.OkClick();
    };
    f.BitBtn3Click();
    EXPECT_EQ(m.phones[3].number, "9,1");
    // Deleting the first selects the new first; excluding every phone disables dialling.
    m.conn.ListView1.itemIndex = 0;
    f.BitBtn2Click();
    EXPECT_EQ(numbers(m), (std::vector<std::string>{"22", "4444", "9,1"}));
    EXPECT_EQ(m.conn.ListView1.itemIndex, 0);
    for (int i = 0; i < 3; ++i) {
        m.conn.ListView1.itemIndex = i;
        f.BitBtn4Click();
    }
    EXPECT_FALSE(m.conn.Button1.enabled);
    EXPECT_FALSE(m.menu.MCall.enabled);
    f.BitBtn4Click();  // the last one back in
    EXPECT_TRUE(m.conn.Button1.enabled);
    // A phone in use can be neither deleted nor excluded.
    m.phones[2].mark = ItemMark::InUse;
    f.BitBtn2Click();
    f.BitBtn4Click();
    EXPECT_EQ(m.phones.size(), 3u);
    EXPECT_EQ(m.phones[2].mark, ItemMark::InUse);
    const auto& texts = p->ui.texts();
    EXPECT_EQ(texts[texts.size() - 2],
              "Нельзя удалить телефон, который используеться в данный момент.");
    EXPECT_EQ(texts.back(), "Нельзя отменить телефон, который используеться в данный момент.");
    // Deleting the only phone leaves the list empty and dialling off.
    m.phones.resize(1);
    m.phones[0].mark = ItemMark::Normal;
    m.conn.ListView1.itemIndex = 0;
    f.BitBtn2Click();
    EXPECT_TRUE(m.phones.empty());
    EXPECT_EQ(m.conn.ListView1.itemIndex, -1);
    EXPECT_FALSE(m.conn.Button1.enabled);
}

TEST_F(ListsTest, ListsRefuseMoreThanTheFileKeeps) {
    auto p = started();
    auto& m = p->form.Model;
    while (m.phones.size() < 51)
        m.phones.push_back({"x"});
    int shown = 0;
    p->ui.phoneDialog = [&](TForm2&) { ++shown; };
    p->form.BitBtn1Click();
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(m.phones.size(), 51u);
    EXPECT_NE(p->ui.texts().back().find("51"), std::string::npos);
}

TEST_F(ListsTest, LoginsWithDuplicatesMoneyAndAnotherEntry) {
    auto p = started();
    auto& m = p->form.Model;
    auto& f = p->form;
    ASSERT_EQ(logins(m), std::vector<std::string>{"u"});
    // The plain dialog (the program is unlocked) with the current entry preset.
    m.state.locked = false;
    p->ui.loginDialog = [](LoginDialog& d) {
        EXPECT_FALSE(d.masked());
        EXPECT_EQ(d.Entries[d.EntryIndex], "Дом");
        d.Login = "u";
        d.Password = "p2";
        d.Money = 12.5;
        d.KeepStatistics = false;
        EXPECT_TRUE(d.OkClick());
    };
    p->ui.answers = {MessageResult::Cancel};
    f.BitBtn11Click();
    EXPECT_EQ(logins(m), std::vector<std::string>{"u"});  // a duplicate, cancelled
    EXPECT_EQ(p->ui.texts().back(), "Логин u уже занесён в список.");
    p->ui.answers = {MessageResult::Ignore};
    f.BitBtn11Click();
    ASSERT_EQ(logins(m), (std::vector<std::string>{"u", "u"}));
    EXPECT_EQ(m.logins[1].password, "p2");
    EXPECT_EQ(m.logins[1].money, "12,5");
    EXPECT_EQ(m.logins[1].flag, '-');

    // "Результат" takes the filtered fields, and the money shown even when it is 0.
    p->ui.loginDialog = [](LoginDialog& d) {
        d.Login = "DOM\\ivanX";
        d.Password = "a:bcd";
        d.textChanged();
        EXPECT_EQ(d.LoginResult, "ivan");
        EXPECT_EQ(d.PasswordResult, "c");
        EXPECT_TRUE(d.ResultClick());
    };
    f.BitBtn11Click();
    ASSERT_EQ(m.logins.size(), 3u);
    EXPECT_EQ(m.logins[2].login, "ivan");
    EXPECT_EQ(m.logins[2].password, "c");
    EXPECT_EQ(m.logins[2].money, "0");

    // A login meant for the other entry goes straight into its section.
    p->ui.loginDialog = [](LoginDialog& d) {
        d.EntryIndex = 1;  // "Офис"
        d.Login = "office";
        d.Password = "secret";
        EXPECT_TRUE(d.OkClick());
    };
    f.BitBtn11Click();
    EXPECT_EQ(m.logins.size(), 3u);
    Profile saved(ini());
    const std::string stored = saved.readString("RAS_Entry_Офис", "Login_0", "");
    EXPECT_EQ(stored, encipherText("пароль", "office") + "{0}+");
    // "Офис" had no section yet: it gets its phone from the phonebook with the login.
    f.ComboBox1DropDown();
    m.conn.ComboBox1.selectText("Офис");
    f.ComboBox1Change();
    EXPECT_EQ(numbers(m), std::vector<std::string>{"2"});
    EXPECT_EQ(logins(m), std::vector<std::string>{"office"});
    EXPECT_EQ(m.logins[0].password, "secret");
}

TEST_F(ListsTest, LockedProgramUsesTheMaskedDialogAndEditKeepsThePlace) {
    auto p = started();
    auto& m = p->form.Model;
    ASSERT_TRUE(m.state.locked);
    p->ui.loginDialog = [](LoginDialog& d) {
        EXPECT_TRUE(d.masked());
        EXPECT_EQ(d.PasswordEdit.Password(), "p");  // prefilled, shown masked
        EXPECT_EQ(d.Login, "u");
        EXPECT_FALSE(d.EntryChangeable);
        d.Login = "";
        EXPECT_FALSE(d.OkClick());  // both are needed
        d.Login = "новый";
        d.PasswordEdit.setPassword("пароль2");
        EXPECT_TRUE(d.OkClick());
    };
    p->form.BitBtn13Click();
    ASSERT_EQ(m.logins.size(), 1u);
    EXPECT_EQ(m.logins[0].login, "новый");
    EXPECT_EQ(m.logins[0].password, "пароль2");
}

TEST_F(ListsTest, WorkingLoginMovesToTheTopAndStaysTheOneInUse) {
    MainForm m;
    Session s;
    for (const char* l : {"L1", "L2", "L3", "L4"})
        m.logins.push_back({l, "p"});
    m.logins[2].mark = ItemMark::InUse;
    s.loginInUse = 2;
    moveWorkingLoginToTop(m, s);
    EXPECT_EQ(logins(m), (std::vector<std::string>{"L3", "L1", "L2", "L4"}));
    EXPECT_EQ(s.loginInUse, 0);
    EXPECT_EQ(m.conn.ListView2.itemIndex, 0);
    moveWorkingLoginToTop(m, s);  // already first: unchanged
    EXPECT_EQ(logins(m), (std::vector<std::string>{"L3", "L1", "L2", "L4"}));
}

TEST(LoginFilters, ResultFields) {
    EXPECT_EQ(loginFilterResult("plain"), "plain");
    EXPECT_EQ(loginFilterResult("DOM\\user\\x"), "");  // "user\" after the first two steps
    EXPECT_EQ(loginFilterResult("DOM\\userX"), "user");
    EXPECT_EQ(loginFilterResult("\\"), "");
    EXPECT_EQ(loginFilterResult("a\\b\\c\\dЖ"), "c\\d");
    EXPECT_EQ(passwordFilterResult("plain"), "plain");
    EXPECT_EQ(passwordFilterResult("a:bcd"), "c");
    EXPECT_EQ(passwordFilterResult("a:Жпароль!"), "пароль");
    EXPECT_EQ(passwordFilterResult("a:"), "");
}
