// What the program's small dialogs share: their frame and their buttons.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <string>

namespace velmor {

// A fixed dialog with only a close box in its title bar, in the dialogs' smaller font.
void setUpDialogFrame(QDialog* dialog, const char* objectName, const std::string& caption);
// A dialog button; the default one answers Enter, the others never do.
QPushButton* dialogButton(const char* text, const char* objectName, bool isDefault = false);

}  // namespace velmor
