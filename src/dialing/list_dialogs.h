// The phone dialog and the login dialogs (plain while unlocked, masked while locked).
#pragma once

#include <string>
#include <vector>

#include "form/password_edit.h"
#include "platform/locale_format.h"

namespace velmor {

// "Введите новый телефон": one number.
class TForm2 {
  public:
    const std::string Caption = "Введите новый телефон";
    const std::string LabelText = "Телефонный номер";
    std::string Number;

    // "ОК": accepted with a number; an empty one closes the dialog and changes nothing.
    void OkClick() { accepted_ = !Number.empty(); }
    bool accepted() const { return accepted_; }

  private:
    bool accepted_ = false;
};

// "Введите логин и пароль". Masked (the program is locked): login, masked password, money and
// the money-statistics switch. Plain (unlocked): the same with a plain password, the connection
// the login is meant for, and the filtered results of the login and password.
class LoginDialog {
  public:
    LoginDialog(bool masked, std::vector<std::string> entries, const std::string& currentEntry,
                LocaleFormat locale, std::string& lastMoneyText);

    const std::string Caption = "Введите логин и пароль";
    bool masked() const { return masked_; }
    const LocaleFormat& locale() const { return locale_; }

    std::string Login;
    std::string Password;        // the plain password edit
    TPasswordEdit PasswordEdit;  // the masked one
    double Money = 0;            // "Денег на счету", 0 to 500 by the arrows
    bool KeepStatistics = true;  // "Вести денежную статистику для данного логина"
    std::vector<std::string> Entries;
    int EntryIndex = -1;                      // the connection the login is meant for
    bool EntryChangeable = true;              // editing keeps a login where it is
    std::string LoginResult, PasswordResult;  // "Результат", read-only

    // Prefills the dialog from a login of the list.
    void prefill(const std::string& login, const std::string& password, const std::string& money,
                 char flag);
    // The login or password edit changed: the result fields follow.
    void textChanged();

    // "ОК" and "Результат": true when the dialog closes with a login.
    bool OkClick();
    bool ResultClick();

    // What an accepted dialog gives.
    bool accepted() const { return accepted_; }
    std::string acceptedLogin, acceptedPassword, acceptedMoney;
    char acceptedFlag = '+';
    std::string acceptedEntry;

  private:
    bool accept(const std::string& login, const std::string& password);

    bool masked_;
    LocaleFormat locale_;
    std::string& lastMoneyText_;
    bool accepted_ = false;
};

// The result filters. Login: with a "\", everything through the first one goes, then the last
// character, then everything through a "\" still left ("DOM\userX" gives "user", "DOM\srv\user!"
// gives "user"). Password: with a ":", everything through the character after the first one
// goes, then the last character ("a:bcd" gives "c").
std::string loginFilterResult(const std::string& login);
std::string passwordFilterResult(const std::string& password);

}  // namespace velmor
