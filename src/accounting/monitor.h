// The connection monitor: the one-second tick of an accepted connection.
#pragma once

#include <functional>

#include "accounting/ras_per.h"
#include "desktop/log_file.h"
#include "dialing/dial_cycle.h"
#include "dialing/ras_con.h"
#include "dialing/session.h"
#include "form/form_model.h"
#include "platform/event_loop.h"

namespace velmor {

class Monitor {
  public:
    struct Hooks {
        std::function<void()> lossSound;
        std::function<void()> disconnectedIcon;  // also hides the balloon
        std::function<void()> restore;
        std::function<void()> programsDisconnected;
        std::function<void()> programsCleanUp;
        std::function<void(const std::string& host)> keepAlivePing;
        std::function<void()> updateCheck;
        // The model changed: the front end redraws.
        std::function<void()> changed;
        // A tick has run: the session goes on, or ended with it.
        std::function<void(bool ended)> ticked;
    };

    Monitor(EventLoop& loop, MainForm& model, Session& session, TRasCon& ras, TRasPer& counters,
            TLogFile& log, DialCycle& cycle, Hooks hooks);

    Timer TimerStatus;

    void tick();
    // The user hung up: the session ends now, as the tick that finds the line gone would end it
    // (its second is counted), so that nothing of it runs on into a dial started before that
    // tick. Does nothing while no session runs.
    void endSession();

  private:
    // One tick; gone: no connection is left.
    void tick(bool gone);
    void count(bool gone);
    void connectionGone(bool& goOn);
    void chargeSecond();

    EventLoop& loop_;
    MainForm& m_;
    Session& s_;
    TRasCon& ras_;
    TRasPer& counters_;
    TLogFile& log_;
    DialCycle& cycle_;
    Hooks hooks_;
};

}  // namespace velmor
