#include "ui/tform1_handlers.h"

#include "app/tform1.h"
#include "ui/main_window.h"
#include "ui/qt_user_interface.h"

namespace velmor {

// The program's window over the form (kept here, so that a window over another model does not
// need the form).
MainWindow::MainWindow(TForm1& form, QtUserInterface& ui)
    : ownedHandlers_(std::make_unique<TForm1Handlers>(form)),
      model_(form.Model),
      handlers_(*ownedHandlers_),
      binder_([&ui](const std::string& message) {
          ui.messageBox(MessageKind::Error, MessageButtons::Ok, message);
      }),
      ui_(&ui) {
    build();
    ui.setMainWindow(this);
}

#define VELMOR_FORWARD_HANDLER(name) \
    void TForm1Handlers::name() {    \
        form_.name();                \
    }
VELMOR_FORM_HANDLERS(VELMOR_FORWARD_HANDLER)
#undef VELMOR_FORWARD_HANDLER

void TForm1Handlers::PageLeft(int page, int inner) {
    form_.PageLeft(page, inner);
}

void TForm1Handlers::capplistChange(int index, bool checked) {
    form_.capplistChange(index, checked);
}

void TForm1Handlers::ListDrop(bool logins, int from, int to) {
    form_.ListDrop(logins, from, to);
}

void TForm1Handlers::TimeEditDblClick(Edit& edit, UpDown& upDown, bool hour) {
    form_.TimeEditDblClick(edit, upDown, hour);
}

void TForm1Handlers::ClocksShown(bool shown) {
    form_.Timers->Clocks.setDisplayed(shown);
}

void TForm1Handlers::GraphShown(bool shown) {
    form_.GraphShown(shown);
}

void TForm1Handlers::tariffExit(NumberEdit& edit) {
    form_.tariffExit(edit);
}

bool TForm1Handlers::Close() {
    return form_.Close();
}

}  // namespace velmor
