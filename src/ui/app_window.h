// What the front end needs of the program's window: a parent for dialogs, the model it shows,
// its redraw, and the application's minimize and restore.
#pragma once

#include "form/form_model.h"

class QWidget;

namespace velmor {

class AppWindow {
  public:
    virtual ~AppWindow() = default;
    virtual QWidget* widget() = 0;
    virtual MainForm& model() = 0;
    // Shows the model in every widget.
    virtual void refresh() = 0;
    // The application is minimized or restored by the program.
    virtual void minimizeApplication() = 0;
    virtual void restoreApplication() = 0;
};

}  // namespace velmor
