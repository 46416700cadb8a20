// The program lock dialog on screen: caption and label of its mode, the masked password edit,
// "ОК" and "Справка". It only renders the lock dialog's logic.
#pragma once

#include <QDialog>

#include "app/lock_dialog.h"

namespace velmor {

class PasswordLineEdit;
class UserInterface;

class LockDialogWindow : public QDialog {
    Q_OBJECT
  public:
    LockDialogWindow(TForm6& dialog, UserInterface& ui, QWidget* parent = nullptr);
    PasswordLineEdit* passwordEdit() const { return edit_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ok();

    TForm6& dialog_;
    UserInterface& ui_;
    PasswordLineEdit* edit_;
};

}  // namespace velmor
