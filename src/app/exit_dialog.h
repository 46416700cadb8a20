// The exit question shown while a connection is up: hang up or not, with a 15-second countdown.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "form/form_model.h"
#include "platform/event_loop.h"

namespace velmor {

class TForm7 {
  public:
    TForm7(EventLoop& loop, ProgramState& state);

    static constexpr int kSeconds = 15;
    const std::string Caption = "Velmor - выход из программы";
    const std::string Text1 = "Сейчас установлено соединение с Интернетом.";
    const std::string Text2 = "Разорвать при выходе из программы?";

    // The progress bar position (0 to 15) and the seconds left, as shown.
    int position() const { return position_; }
    std::string secondsText() const { return std::to_string(kSeconds - position_); }
    bool closed() const { return closed_; }

    void FormShow();
    void YesClick();
    void NoClick();
    void CancelClick();
    // The title bar's close box: changes neither flag.
    void CloseBox();

    // Called once when the dialog closes, by any way; and after every tick (to redraw).
    std::function<void()> onClose;
    std::function<void()> onTick;

  private:
    void tick();
    void close();

    ProgramState& state_;
    std::unique_ptr<Timer> timer_;
    int position_ = 0;
    bool closed_ = false;
};

}  // namespace velmor
