// The login dialog on screen, in both of its forms: masked while the program is locked (login,
// masked password, money, the statistics switch), plain while it is unlocked (the same with a
// plain password, the connection the login is for and the filtered results). It only renders the
// login dialog's logic.
#pragma once

#include <QDialog>

#include "dialing/list_dialogs.h"
#include "platform/locale_format.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace velmor {

class NumberLineEdit;
class PasswordLineEdit;
class UpDownArrows;

class LoginDialogWindow : public QDialog {
    Q_OBJECT
  public:
    // locale: the decimal and thousands separators of the money edit.
    LoginDialogWindow(LoginDialog& dialog, LocaleFormat locale, QWidget* parent = nullptr);

    // The arrows of the money edit: 0 to 500, one per press.
    static constexpr double kMoneyMin = 0;
    static constexpr double kMoneyMax = 500;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void textChanged();
    // The money edit's text read into the dialog's money, then shown again as a number.
    void readMoney();
    void showMoney();
    void stepMoney(int delta);
    void ok();
    void resultClick();
    void focusFirstEmpty();

    LoginDialog& dialog_;
    LocaleFormat locale_;
    QLineEdit* login_;
    QLineEdit* password_ = nullptr;               // plain
    PasswordLineEdit* maskedPassword_ = nullptr;  // masked
    NumberLineEdit* money_;
    UpDownArrows* moneyArrows_;
    QCheckBox* statistics_;
    QComboBox* entries_ = nullptr;
    QLineEdit* loginResult_ = nullptr;
    QLineEdit* passwordResult_ = nullptr;
};

}  // namespace velmor
