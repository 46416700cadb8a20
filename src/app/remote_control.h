// Other programs of the user watch and drive the running program: what they see of its state and
// counters, their commands run as the dial button and the tray menu run them, and the lock holds.
#pragma once

#include <cstdint>
#include <string>

#include "platform/control.h"
#include "platform/event_loop.h"

namespace velmor {

class TForm1;

class RemoteControl : public control::ControlHandler {
  public:
    RemoteControl(EventLoop& loop, TForm1& form);

    // The service that tells the watchers (null: none); what the program shows now is what they
    // know from then on.
    void setService(control::ControlService* service);
    // The window may show something new. The watchers learn of a changed state at once, and of
    // changed counters at most once a second; an idle program has nothing to tell, and no timer
    // runs for it.
    void modelChanged();

    control::Snapshot snapshot() const override;
    control::Outcome command(control::Command command, const std::string& argument) override;

  private:
    control::State state() const;
    control::Outcome run(control::Command command, const std::string& argument);
    control::Outcome dialUnavailable() const;

    EventLoop& loop_;
    TForm1& form_;
    control::ControlService* service_ = nullptr;
    control::Snapshot told_;
    std::uint64_t countersToldAt_ = 0;
    // The counters held back until a second has passed since they were last told.
    Timer heldCounters_;
};

}  // namespace velmor
