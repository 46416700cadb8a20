// The machine's sleep and the line: while a dial or a connection is under way a delay lock holds
// the sleep back; before the sleep the line is taken down cleanly (the modem on-hook, pppd ended)
// and the lock let go; after the wake the same entry is dialled again when automatic redial is on.
#pragma once

#include <functional>

#include "desktop/log_file.h"
#include "dialing/dial_cycle.h"
#include "dialing/ras_con.h"
#include "dialing/session.h"
#include "form/form_model.h"
#include "platform/event_loop.h"
#include "platform/power.h"
#include "platform/ras.h"

namespace velmor {

inline constexpr const char* kSleepHangUpText =
    "Соединение было разорвано перед переходом в спящий режим";
inline constexpr const char* kSleepAbortText =
    "Процесс установления соединения был прерван перед переходом в спящий режим";

class SleepHandling {
  public:
    struct Hooks {
        std::function<void()> stopMonitor;  // the connection monitor's tick
        std::function<void()> changed;      // the model changed outside a handler
    };

    SleepHandling(EventLoop& loop, MainForm& model, Session& session, DialCycle& cycle,
                  TRasCon& ras, const ras::RasService& service, TLogFile& log, Hooks hooks);
    ~SleepHandling();
    SleepHandling(const SleepHandling&) = delete;
    SleepHandling& operator=(const SleepHandling&) = delete;

    // The system's sleep; none (nullptr) holds nothing back. It must outlive this object.
    void setService(PowerService* power);
    // Takes the lock when a dial or a connection is under way (the dial button does not read
    // "Звонить"), lets it go when the program is idle again.
    void update();

  private:
    void beforeSleep();
    void afterResume();
    void settled();

    MainForm& m_;
    Session& s_;
    DialCycle& cycle_;
    TRasCon& ras_;
    const ras::RasService& service_;
    TLogFile& log_;
    Hooks hooks_;
    PowerService* power_ = nullptr;
    Timer watch_;   // while the lock is held: looks whether the program has become idle
    Timer settle_;  // after the hang-up before a sleep: until the devices have let go
    Timer redial_;  // after the wake: the pause before the dial
    int settleTicks_ = 0;
    bool sleeping_ = false;
    bool redialAfterResume_ = false;
};

}  // namespace velmor
