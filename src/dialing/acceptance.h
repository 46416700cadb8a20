// The acceptance checks of a new connection: ping, minimum speed, then the announcement.
#pragma once

#include <functional>
#include <string>

#include "accounting/ras_per.h"
#include "desktop/log_file.h"
#include "dialing/dial_cycle.h"
#include "dialing/ras_con.h"
#include "dialing/session.h"
#include "form/form_model.h"

namespace velmor {

class Acceptance {
  public:
    struct Hooks {
        // Tries the ping of host up to count times; true when one answered. Empty: no ping.
        std::function<bool(const std::string& host, int count)> ping;
        // What an accepted connection sets going elsewhere: the connect sound, minimizing, the
        // tray balloon and icon, the programs, the settings save, the monitor.
        std::function<void()> connectSound;
        std::function<void()> minimize;
        std::function<void(const std::string& title, const std::string& text)> balloon;
        std::function<void()> connectedIcon;
        std::function<void()> launchPrograms;
        std::function<void()> saveSettings;
        std::function<void()> startMonitor;
    };

    Acceptance(MainForm& model, Session& session, TRasCon& ras, TRasPer& counters, TLogFile& log,
               DialCycle& cycle, Hooks hooks);

    // Runs with session.accepted set; a rejection clears it.
    void run();
    // True while the check in progress still matters: the program is not closing, the dial being
    // checked is still the current one, and no command during the ping wait (abort, next, recall,
    // another phone) has ended it.
    bool goesOn() const;
    // The line speed read at acceptance, in bits per second.
    std::uint32_t speed() const { return speed_; }

  private:
    void rejectWithPause(Timer& timer);
    // The dial being checked is going on: its button aborts it and no pause runs.
    bool dialGoesOn() const;
    void announce();

    MainForm& m_;
    Session& s_;
    TRasCon& ras_;
    TRasPer& counters_;
    TLogFile& log_;
    DialCycle& cycle_;
    Hooks hooks_;
    std::uint32_t speed_ = 0;
    ras::Handle checked_ = 0;
    bool checkedWhileDialling_ = false;
};

// Moves the login in use to the top of its list; the login that was first goes second.
void moveWorkingLoginToTop(MainForm& model, Session& session);

}  // namespace velmor
