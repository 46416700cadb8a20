#include "ui/widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/codepage.h"
#include "ui/hotkey_text.h"
#include "ui/qt_virtual_keys.h"

namespace velmor {

FormLineEdit::FormLineEdit(QWidget* parent) : QLineEdit(parent) {}

void FormLineEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void FormLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit focusLost();
}

NumberLineEdit::NumberLineEdit(QWidget* parent) : FormLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void NumberLineEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool typed = text.size() == 1 && text[0].isPrint() &&
                       !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (typed) {
        const QChar c = text[0];
        const bool sign = (c == QLatin1Char('+') || c == QLatin1Char('-')) && cursorPosition() == 0;
        QString rest = QLineEdit::text();  // what stays beside the typed character
        if (hasSelectedText()) rest.remove(selectionStart(), selectedText().size());
        const bool secondSeparator = c == separator_ && rest.contains(separator_);
        if ((!c.isDigit() && c != separator_ && !sign) || secondSeparator) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    FormLineEdit::keyPressEvent(event);
}

void NumberLineEdit::focusInEvent(QFocusEvent* event) {
    FormLineEdit::focusInEvent(event);
    // After the mouse press that gave the focus has placed the cursor.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus()) selectAll();
    });
}

QValidator::State StorableTextValidator::validate(QString& input, int&) const {
    if (fitsCp1251(input.toStdString())) return Acceptable;
    QApplication::beep();
    return Invalid;
}

FormLabel::FormLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

void FormLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void HoverLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    emit hovered(true);
}

void HoverLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    emit hovered(false);
}

UpDownArrows::UpDownArrows(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* b : {up_, down_}) {
        b->setArrowType(b == up_ ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(16);
        b->setMinimumHeight(6);  // the pair is as high as the field beside it
        layout->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedWidth(16);
}

HotKeyField::HotKeyField(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
    setPlaceholderText(QStringLiteral("Нет"));
    showValue();
}

void HotKeyField::setValue(std::uint16_t value) {
    value_ = value;
    showValue();
}

void HotKeyField::showValue() {
    setText(QString::fromStdString(hotKeyText(value_)));
}

void HotKeyField::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    switch (event->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            event->accept();  // a modifier alone makes no combination
            return;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
                event->ignore();
                return;
            }
            break;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            if (mods == Qt::NoModifier) {
                setValue(0);
                emit edited(0);
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    const std::uint16_t v = hotKeyFromEvent(*event);
    event->accept();
    if (v == 0 || v == value_) return;
    setValue(v);
    emit edited(v);
}

void HotKeyField::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
}

void HotKeyField::inputMethodEvent(QInputMethodEvent* event) {
    event->accept();
}

void HotKeyField::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

DropDownCombo::DropDownCombo(QWidget* parent) : QComboBox(parent) {}

void DropDownCombo::showPopup() {
    emit aboutToDropDown();
    QComboBox::showPopup();
}

void DropDownCombo::keyPressEvent(QKeyEvent* event) {
    emit aboutToDropDown();
    QComboBox::keyPressEvent(event);
}

}  // namespace velmor
