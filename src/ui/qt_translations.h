// Qt's own texts (the file dialog, the edit menus of text fields, the standard buttons) in the
// interface's language, from the translations that come with the system's Qt.
#pragma once

#include <QCoreApplication>
#include <QTranslator>

namespace velmor {

// Installs Qt's Russian translation for app, which owns it; null where the system has none (Qt's
// texts then stay in English).
QTranslator* installQtTranslations(QCoreApplication& app);

}  // namespace velmor
