#include "ui/password_line_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QProxyStyle>

namespace velmor {
namespace {

// Draws the masked text with the edit's own password character, "*".
class StarStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

PasswordLineEdit::PasswordLineEdit(TPasswordEdit& edit, QWidget* parent)
    : QLineEdit(parent), edit_(edit) {
    auto* style = new StarStyle;
    style->setParent(this);
    setStyle(style);
    setEchoMode(QLineEdit::Password);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setFixedSize(edit.Width * 2, qMax(edit.Height, sizeHint().height()));
    showCoded();
}

void PasswordLineEdit::showCoded() {
    setText(QString::fromStdString(edit_.text()));
    setCursorPosition(static_cast<int>(text().size()));
}

void PasswordLineEdit::type(const QString& text) {
    // One character at a time, as the keyboard sends them.
    bool refused = false;
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (!edit_.typeChar(one.toStdString())) refused = true;
    }
    if (refused) QApplication::beep();
    showCoded();
}

void PasswordLineEdit::pasteText(const QString& text) {
    if (text.isEmpty()) return;
    if (!edit_.paste(text.toStdString())) QApplication::beep();
    showCoded();
}

void PasswordLineEdit::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Paste) {
        pasteText(QApplication::clipboard()->text());
        event->accept();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            event->ignore();  // the dialog's keys
            return;
        case Qt::Key_Backspace:
            type(QStringLiteral("\b"));
            event->accept();
            return;
        default:
            break;
    }
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!command && !text.isEmpty() && text.at(0).isPrint()) type(text);
    // Anything else (moving the cursor, selecting, undoing) would change the text behind the
    // password's back: it is ignored.
    event->accept();
}

void PasswordLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) type(event->commitString());
    event->accept();
}

void PasswordLineEdit::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
    setCursorPosition(static_cast<int>(text().size()));
}

void PasswordLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        // The X11 selection is pasted like the clipboard.
        pasteText(QApplication::clipboard()->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void PasswordLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* paste = menu.addAction(QStringLiteral("Вставить"));
    paste->setEnabled(!QApplication::clipboard()->text().isEmpty());
    if (menu.exec(event->globalPos()) == paste) pasteText(QApplication::clipboard()->text());
    event->accept();
}

}  // namespace velmor
