#include "ui/dialog_parts.h"

namespace velmor {

void setUpDialogFrame(QDialog* dialog, const char* objectName, const std::string& caption) {
    dialog->setObjectName(QString::fromLatin1(objectName));
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setWindowTitle(QString::fromStdString(caption));
    QFont small = dialog->font();
    small.setPointSizeF(8);
    dialog->setFont(small);
}

QPushButton* dialogButton(const char* text, const char* objectName, bool isDefault) {
    auto* button = new QPushButton(QString::fromUtf8(text));
    button->setObjectName(QString::fromLatin1(objectName));
    if (isDefault) {
        button->setDefault(true);
    } else {
        button->setAutoDefault(false);
    }
    return button;
}

}  // namespace velmor
