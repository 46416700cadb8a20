// Small widgets the pages are made of: edits, labels and arrows that report what the form needs.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>
#include <QWidget>
#include <cstdint>

class QToolButton;

namespace velmor {

// A line edit that reports double clicks and the loss of the input focus.
class FormLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit FormLineEdit(QWidget* parent = nullptr);

  signals:
    void doubleClicked();
    void focusLost();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

// A right-aligned number edit: digits, one decimal separator and a sign in the first position;
// any other character is refused with a beep. Entering it selects the whole text.
class NumberLineEdit : public FormLineEdit {
    Q_OBJECT
  public:
    explicit NumberLineEdit(QWidget* parent = nullptr);
    void setDecimalSeparator(QChar c) { separator_ = c; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    QChar separator_ = QLatin1Char(',');
};

// Keeps out of an edit, with a beep, every character the settings file's code page cannot hold,
// so that what is typed is what is stored.
class StorableTextValidator : public QValidator {
    Q_OBJECT
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// A label that reports double clicks.
class FormLabel : public QLabel {
    Q_OBJECT
  public:
    explicit FormLabel(QWidget* parent = nullptr);

  signals:
    void doubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A picture that reports the mouse coming over it and leaving it.
class HoverLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void hovered(bool inside);

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

// The pair of up and down arrows beside a number field; each press steps by one.
class UpDownArrows : public QWidget {
    Q_OBJECT
  public:
    explicit UpDownArrows(QWidget* parent = nullptr);
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

  signals:
    void stepped(int delta);

  private:
    QToolButton* up_;
    QToolButton* down_;
};

// A key-combination field: shows the combination pressed in it ("Ctrl+F11"); Backspace or Delete
// alone clears it.
class HotKeyField : public QLineEdit {
    Q_OBJECT
  public:
    explicit HotKeyField(QWidget* parent = nullptr);
    std::uint16_t value() const { return value_; }
    void setValue(std::uint16_t value);

  signals:
    void edited(std::uint16_t value);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void showValue();
    std::uint16_t value_ = 0;
};

// A drop-down list that reports that it is about to open (and every key pressed in it, which may
// change its selection in the same way).
class DropDownCombo : public QComboBox {
    Q_OBJECT
  public:
    explicit DropDownCombo(QWidget* parent = nullptr);
    void showPopup() override;

  signals:
    void aboutToDropDown();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace velmor
