#include "ui/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace velmor {

bool QtClipboard::setText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(QString::fromStdString(text), QClipboard::Clipboard);
    return true;
}

}  // namespace velmor
