// The phone dialog on screen: "Телефонный номер", "ОК" and "Отмена". It only renders the phone
// dialog's logic.
#pragma once

#include <QDialog>

#include "dialing/list_dialogs.h"

class QLineEdit;

namespace velmor {

class PhoneDialogWindow : public QDialog {
    Q_OBJECT
  public:
    PhoneDialogWindow(TForm2& dialog, QWidget* parent = nullptr);
    QLineEdit* numberEdit() const { return edit_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ok();

    TForm2& dialog_;
    QLineEdit* edit_;
};

}  // namespace velmor
