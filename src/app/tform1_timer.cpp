// The main window, page "Таймер": the daily dial and hang-up.
#include "app/tform1.h"

#include "app/tform1_private.h"

namespace velmor {

// --- timer page ------------------------------------------------------------------------------

void TForm1::ScheduleChanged() {
    Model.timer.Button13.enabled = true;
}

void TForm1::TimeEditDblClick(Edit& edit, velmor::UpDown& upDown, bool hour) {
    const LocalDateTime now = loop_.now();
    upDown.setPosition(hour ? now.hour : now.minute);
    edit.text = std::to_string(upDown.position);
}

void TForm1::applySchedule() {
    Timers->apply();
    // Applied by the button, by leaving the page or by loading the settings: nothing is left
    // to apply.
    Model.timer.Button13.enabled = false;
}

void TForm1::Button13Click() {
    applySchedule();
    if (settings_) {
        guarded([&] {
            Profile::Batch batch(*profile_);
            settings_->WriteSchedule();
        });
    }
}

}  // namespace velmor
