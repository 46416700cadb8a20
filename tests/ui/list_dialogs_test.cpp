// The phone dialog and both login dialogs on screen: what they show, what the edits give the
// dialogs' logic, and which buttons close them with what.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "dialing/list_dialogs.h"
#include "ui/login_dialog_window.h"
#include "ui/main_window.h"
#include "ui/password_line_edit.h"
#include "ui/phone_dialog.h"
#include "ui/qt_user_interface.h"
#include "ui/widgets.h"
#include "ui_test_support.h"

namespace velmor::test {
namespace {

// Leaves a widget as a click elsewhere would.
void leave(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

TEST(PhoneDialog, AcceptsATypedNumberAndNothingOnCancelOrEmpty) {
    QtUserInterface ui;

    TForm2 added;
    whenModal([](QWidget* up) {
        EXPECT_EQ(up->windowTitle(), QStringLiteral("Введите новый телефон"));
        EXPECT_EQ(child<QLabel>(up, "Label1")->text(), QStringLiteral("Телефонный номер"));
        auto* edit = child<QLineEdit>(up, "Edit1");
        EXPECT_TRUE(edit->text().isEmpty());
        typeText(edit, QStringLiteral("8-800,W 123"));
        typeText(edit, QStringLiteral("漢"));  // not storable: refused
        child<QPushButton>(up, "OkButton")->click();
    });
    ui.showPhoneDialog(added);
    EXPECT_TRUE(added.accepted());
    EXPECT_EQ(added.Number, "8-800,W 123");

    TForm2 cancelled;
    whenModal([](QWidget* up) {
        typeText(child<QLineEdit>(up, "Edit1"), QStringLiteral("555"));
        child<QPushButton>(up, "CancelButton")->click();
    });
    ui.showPhoneDialog(cancelled);
    EXPECT_FALSE(cancelled.accepted());

    // Editing: the number is there; clearing it and "ОК" closes without accepting.
    TForm2 edited;
    edited.Number = "2-22";
    whenModal([](QWidget* up) {
        auto* edit = child<QLineEdit>(up, "Edit1");
        EXPECT_EQ(edit->text(), QStringLiteral("2-22"));
        edit->clear();
        child<QPushButton>(up, "OkButton")->click();
    });
    ui.showPhoneDialog(edited);
    EXPECT_FALSE(edited.accepted());

    // Return presses "ОК".
    TForm2 returned;
    whenModal([](QWidget* up) {
        auto* edit = child<QLineEdit>(up, "Edit1");
        typeText(edit, QStringLiteral("7"));
        pressKey(edit, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    });
    ui.showPhoneDialog(returned);
    EXPECT_TRUE(returned.accepted());
    EXPECT_EQ(returned.Number, "7");
}

class LoginDialogTest : public ::testing::Test {
  protected:
    std::string lastMoney = "0";
    std::vector<std::string> entries{"Дом", "Работа"};
};

TEST_F(LoginDialogTest, MaskedCodesThePasswordAndNeedsBothFields) {
    LoginDialog dialog(true, entries, "Дом", LocaleFormat::russian(), lastMoney);
    LoginDialogWindow window(dialog, LocaleFormat::russian());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Введите логин и пароль"));
    EXPECT_EQ(child<QLabel>(&window, "Label1")->text(), QStringLiteral("Логин"));
    EXPECT_EQ(child<QLabel>(&window, "Label2")->text(), QStringLiteral("Пароль"));
    EXPECT_EQ(child<QLabel>(&window, "Label3")->text(), QStringLiteral("Денег на счету"));
    EXPECT_FALSE(window.findChild<QComboBox*>()) << "no connection selector while locked";
    EXPECT_FALSE(window.findChild<QLineEdit*>(QStringLiteral("LoginResult")));
    EXPECT_FALSE(window.findChild<QPushButton*>(QStringLiteral("ResultButton")));
    auto* check = child<QCheckBox>(&window, "StatisticsCheck");
    EXPECT_EQ(check->text(), QStringLiteral("Вести денежную статистику для данного логина"));
    EXPECT_TRUE(check->isChecked());

    auto* password = child<PasswordLineEdit>(&window, "PasswordEdit");
    typeText(password, QStringLiteral("Секрет"));
    EXPECT_EQ(dialog.PasswordEdit.Password(), "Секрет");
    EXPECT_NE(password->text(), QStringLiteral("Секрет"));
    EXPECT_EQ(password->text().toStdString(), dialog.PasswordEdit.text());
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);

    // Without a login "ОК" keeps the dialog open.
    QtUserInterface ui;
    bool openAfterOk = false;
    whenModal([&](QWidget* up) {
        child<QPushButton>(up, "OkButton")->click();
        openAfterOk = up->isVisible();
        typeText(child<QLineEdit>(up, "LoginEdit"), QStringLiteral("иван"));
        child<QCheckBox>(up, "StatisticsCheck")->click();
        child<QPushButton>(up, "OkButton")->click();
    });
    EXPECT_EQ(window.exec(), QDialog::Accepted);
    EXPECT_TRUE(openAfterOk);
    ASSERT_TRUE(dialog.accepted());
    EXPECT_EQ(dialog.acceptedLogin, "иван");
    EXPECT_EQ(dialog.acceptedPassword, "Секрет");
    EXPECT_EQ(dialog.acceptedFlag, '-');
    EXPECT_EQ(dialog.acceptedMoney, "0");

    // A login without a password is refused as well; "Отмена" closes with nothing.
    LoginDialog second(true, entries, "Дом", LocaleFormat::russian(), lastMoney);
    whenModal([&](QWidget* up) {
        typeText(child<QLineEdit>(up, "LoginEdit"), QStringLiteral("петр"));
        child<QPushButton>(up, "OkButton")->click();
        openAfterOk = up->isVisible();
        child<QPushButton>(up, "CancelButton")->click();
    });
    ui.showLoginDialog(second);
    EXPECT_TRUE(openAfterOk);
    EXPECT_FALSE(second.accepted());
}

TEST_F(LoginDialogTest, MaskedEditingShowsTheStoredLoginWithoutThePassword) {
    LoginDialog dialog(true, entries, "Дом", LocaleFormat::russian(), lastMoney);
    dialog.prefill("anna", "tajna", "7.25", '-');
    LoginDialogWindow window(dialog, LocaleFormat::russian());
    EXPECT_EQ(child<QLineEdit>(&window, "LoginEdit")->text(), QStringLiteral("anna"));
    const QString shown = child<PasswordLineEdit>(&window, "PasswordEdit")->text();
    EXPECT_EQ(shown.size(), 5);
    EXPECT_NE(shown, QStringLiteral("tajna"));
    EXPECT_EQ(child<QLineEdit>(&window, "MoneyEdit")->text(), QStringLiteral("7,25"));
    EXPECT_FALSE(child<QCheckBox>(&window, "StatisticsCheck")->isChecked());

    child<QPushButton>(&window, "OkButton")->click();
    ASSERT_TRUE(dialog.accepted());
    EXPECT_EQ(dialog.acceptedPassword, "tajna");
    EXPECT_EQ(dialog.acceptedMoney, "7,25");
    EXPECT_EQ(dialog.acceptedFlag, '-');
}

TEST_F(LoginDialogTest, PlainFiltersTheTypedTextAndResultTakesIt) {
    LoginDialog dialog(false, entries, "Работа", LocaleFormat::russian(), lastMoney);
    LoginDialogWindow window(dialog, LocaleFormat::russian());
    auto* login = child<QLineEdit>(&window, "LoginEdit");
    auto* password = child<QLineEdit>(&window, "Password");
    auto* loginResult = child<QLineEdit>(&window, "LoginResult");
    auto* passwordResult = child<QLineEdit>(&window, "PasswordResult");
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(loginResult->isReadOnly());
    EXPECT_TRUE(passwordResult->isReadOnly());
    EXPECT_EQ(loginResult->toolTip(), QStringLiteral("Результат фильтра"));
    EXPECT_EQ(passwordResult->toolTip(), QStringLiteral("Результат фильтра"));

    auto* selector = child<QComboBox>(&window, "Entries");
    ASSERT_EQ(selector->count(), 2);
    EXPECT_EQ(selector->itemText(0), QStringLiteral("Дом"));
    EXPECT_EQ(selector->currentText(), QStringLiteral("Работа")) << "preset to the current entry";
    EXPECT_TRUE(selector->isEnabled());

    // The login loses everything up to its first "\", its last character and then everything up
    // to a "\" still left; the password everything up to the character after the first ":" and
    // its last character.
    typeText(login, QStringLiteral("DOM\\user\\x"));
    EXPECT_EQ(loginResult->text().toStdString(), loginFilterResult("DOM\\user\\x"));
    login->clear();
    typeText(login, QStringLiteral("DOM\\srv\\user!"));
    typeText(password, QStringLiteral("a:bcd"));
    EXPECT_EQ(loginResult->text(), QStringLiteral("user"));
    EXPECT_EQ(passwordResult->text(), QStringLiteral("c"));
    pressKey(password, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_EQ(passwordResult->text(), QStringLiteral("")) << "follows every change";
    typeText(password, QStringLiteral("d"));

    selector->setCurrentIndex(0);
    child<QPushButton>(&window, "ResultButton")->click();
    ASSERT_TRUE(dialog.accepted());
    EXPECT_EQ(dialog.acceptedLogin, "user");
    EXPECT_EQ(dialog.acceptedPassword, "c");
    EXPECT_EQ(dialog.acceptedEntry, "Дом");
    EXPECT_EQ(dialog.acceptedMoney, "0") << "a zero money keeps the last money text";
    EXPECT_EQ(window.result(), QDialog::Accepted);

    // Text without "\" and ":" is taken as it is; an empty result keeps the dialog open.
    LoginDialog plain(false, entries, "Дом", LocaleFormat::russian(), lastMoney);
    LoginDialogWindow other(plain, LocaleFormat::russian());
    typeText(child<QLineEdit>(&other, "LoginEdit"), QStringLiteral("a\\"));
    typeText(child<QLineEdit>(&other, "Password"), QStringLiteral("пароль"));
    child<QPushButton>(&other, "ResultButton")->click();
    EXPECT_FALSE(plain.accepted()) << "the login result is empty";
    child<QLineEdit>(&other, "LoginEdit")->setText(QStringLiteral("имя"));
    EXPECT_EQ(child<QLineEdit>(&other, "LoginResult")->text(), QStringLiteral("имя"));
    child<QPushButton>(&other, "OkButton")->click();
    ASSERT_TRUE(plain.accepted());
    EXPECT_EQ(plain.acceptedLogin, "имя");
    EXPECT_EQ(plain.acceptedPassword, "пароль");
    EXPECT_EQ(plain.acceptedEntry, "Дом");
}

TEST_F(LoginDialogTest, PlainEditingKeepsTheLoginInItsConnection) {
    LoginDialog dialog(false, entries, "Работа", LocaleFormat::russian(), lastMoney);
    dialog.prefill("DOM\\olga!", "p:xyz!", "3", '+');
    LoginDialogWindow window(dialog, LocaleFormat::russian());
    EXPECT_FALSE(child<QComboBox>(&window, "Entries")->isEnabled());
    EXPECT_EQ(child<QLineEdit>(&window, "Password")->text(), QStringLiteral("p:xyz!"));
    EXPECT_EQ(child<QLineEdit>(&window, "LoginResult")->text(), QStringLiteral("olga"));
    EXPECT_EQ(child<QLineEdit>(&window, "PasswordResult")->text(), QStringLiteral("yz"));
    EXPECT_TRUE(child<QCheckBox>(&window, "StatisticsCheck")->isChecked());
}

TEST_F(LoginDialogTest, MoneyEditReachesTheLogicAndItsArrowsStayWithinRange) {
    LoginDialog dialog(false, entries, "Дом", LocaleFormat::russian(), lastMoney);
    LoginDialogWindow window(dialog, LocaleFormat::russian());
    auto* money = child<NumberLineEdit>(&window, "MoneyEdit");
    auto* arrows = child<UpDownArrows>(&window, "MoneyUpDown");
    EXPECT_EQ(money->text(), QStringLiteral("0"));
    EXPECT_EQ(money->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    money->selectAll();
    typeText(money, QStringLiteral("1a2,5р"));
    EXPECT_EQ(money->text(), QStringLiteral("12,5")) << "letters are refused";
    leave(money);
    EXPECT_EQ(dialog.Money, 12.5);

    arrows->upButton()->click();
    EXPECT_EQ(money->text(), QStringLiteral("13,5"));
    EXPECT_EQ(dialog.Money, 13.5);
    money->setText(QStringLiteral("499"));  // typed, the edit not yet left
    arrows->upButton()->click();
    arrows->upButton()->click();
    EXPECT_EQ(dialog.Money, 500.0) << "the arrows stop at 500";
    money->setText(QStringLiteral("0,5"));
    arrows->downButton()->click();
    EXPECT_EQ(money->text(), QStringLiteral("0")) << "and at 0";

    // Text put in by other means: what is no number leaves the money as it was.
    money->setText(QStringLiteral("1 234,5 руб"));
    leave(money);
    EXPECT_EQ(money->text(), QStringLiteral("1234,5"));
    money->setText(QStringLiteral("1,2,3"));
    leave(money);
    EXPECT_EQ(money->text(), QStringLiteral("1234,5"));

    // "ОК" reads the edit first, even when it was not left.
    typeText(child<QLineEdit>(&window, "LoginEdit"), QStringLiteral("u"));
    typeText(child<QLineEdit>(&window, "Password"), QStringLiteral("p"));
    money->setText(QStringLiteral("42"));
    child<QPushButton>(&window, "OkButton")->click();
    ASSERT_TRUE(dialog.accepted());
    EXPECT_EQ(dialog.acceptedMoney, "42");
    EXPECT_EQ(lastMoney, "42");

    // "Результат" takes a non-zero money too.
    LoginDialog result(false, entries, "Дом", LocaleFormat::russian(), lastMoney);
    LoginDialogWindow resultWindow(result, LocaleFormat::russian());
    typeText(child<QLineEdit>(&resultWindow, "LoginEdit"), QStringLiteral("u"));
    typeText(child<QLineEdit>(&resultWindow, "Password"), QStringLiteral("p"));
    child<QLineEdit>(&resultWindow, "MoneyEdit")->setText(QStringLiteral("7,5"));
    child<QPushButton>(&resultWindow, "ResultButton")->click();
    ASSERT_TRUE(result.accepted());
    EXPECT_EQ(result.acceptedMoney, "7,5");
}

}  // namespace
}  // namespace velmor::test
