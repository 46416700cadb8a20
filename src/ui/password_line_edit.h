// The masked password edit on screen: its text is the coded text of a TPasswordEdit, shown as
// "*"; every typed or pasted character goes through the TPasswordEdit.
#pragma once

#include <QLineEdit>

#include "form/password_edit.h"

namespace velmor {

class PasswordLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    PasswordLineEdit(TPasswordEdit& edit, QWidget* parent = nullptr);
    TPasswordEdit& passwordEdit() { return edit_; }
    // Shows the TPasswordEdit's text again (after it was changed from outside).
    void showCoded();
    // Pastes text as the TPasswordEdit codes it; a character it cannot hold refuses the whole
    // text with a beep.
    void pasteText(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void type(const QString& text);

    TPasswordEdit& edit_;
};

}  // namespace velmor
