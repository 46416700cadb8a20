#include "app/exit_dialog.h"

namespace velmor {

TForm7::TForm7(EventLoop& loop, ProgramState& state)
    : state_(state), timer_(std::make_unique<Timer>(loop, 1000)) {
    timer_->onTimer = [this] { tick(); };
}

void TForm7::FormShow() {
    state_.closeAllowed = true;
    position_ = 0;
    closed_ = false;
    timer_->setEnabled(true);
}

void TForm7::tick() {
    if (closed_) return;
    ++position_;
    if (onTick) onTick();
    if (position_ >= kSeconds) {
        // The countdown counts as "Да".
        state_.hangUpOnExit = true;
        close();
    }
}

void TForm7::YesClick() {
    state_.hangUpOnExit = true;
    close();
}

void TForm7::NoClick() {
    state_.hangUpOnExit = false;
    close();
}

void TForm7::CancelClick() {
    timer_->setEnabled(false);
    state_.closeAllowed = false;
    close();
}

void TForm7::CloseBox() {
    close();
}

void TForm7::close() {
    timer_->setEnabled(false);
    if (closed_) return;
    closed_ = true;
    if (onClose) onClose();
}

}  // namespace velmor
