// The dial cycle: dials the selected phone with the selected login, follows the progress events,
// and after every failed attempt waits the pause and dials again.
#pragma once

#include <functional>

#include "desktop/log_file.h"
#include "dialing/ras_con.h"
#include "dialing/session.h"
#include "form/form_model.h"
#include "platform/event_loop.h"

namespace velmor {

class DialCycle {
  public:
    struct Hooks {
        // The acceptance checks of a connection just made; they may clear session.accepted.
        std::function<void()> accept;
        // Enables the dial button and its menu item from the lists.
        std::function<void()> refreshDialAvailability;
        // Stops the connection monitor.
        std::function<void()> stopMonitor;
        // The user hung up: the monitor ends the session at once.
        std::function<void()> endSession;
        // The model changed in a timer's handler: the front end redraws.
        std::function<void()> changed;
    };

    DialCycle(EventLoop& loop, MainForm& model, Session& session, TRasCon& ras, TLogFile& log,
              Hooks hooks);

    // One-shot pauses before redialling the same pair, the next login, the next phone.
    Timer TimerPause, TimerPauseLogin, TimerPausePhone;

    // The dial button: starts dialling when idle, aborts a dial, hangs up a connection.
    void dialAction();
    // Ends the connection as the user's hang-up does (nothing redials it), logging logLine.
    // Does nothing unless connected.
    void hangUp(const std::string& logLine);
    // "Следуюший": drops the dial and goes on with the next phone.
    void next();
    // "Перезвонить": drops the connection and redials the same pair.
    void recall();
    // A double click on a phone or a login.
    void listDoubleClick();
    void resetCounter();
    // The pause in seconds, for all three timers.
    void setPause(int seconds);
    // One progress event of the remote access service.
    void stateEvent(const TRasStateRec& rec);
    // Arms one pause, disarming the other two: at most one pause runs at a time, and a new one
    // replaces the one running.
    void armPause(Timer& timer);
    void disarmPauses();
    bool pauseArmed() const;
    // Clears the in-use marks of both lists.
    void clearInUseMarks();
    // Menu items, button and labels of an idle program.
    void showIdle();

  private:
    enum class Advance { Same, Login, Phone };
    void pauseElapsed(Advance how);
    void calling();
    void pauseAfterFailure(bool nextPhone);
    void hangUpDial(int timeoutMs);
    void setMenu(bool call, bool stop, bool hangUp, bool next, bool recall);
    void showDialling();

    EventLoop& loop_;
    MainForm& m_;
    Session& s_;
    TRasCon& ras_;
    TLogFile& log_;
    Hooks hooks_;
};

inline constexpr const char* kWaitingText = "Жду Ваших приказаний";
inline constexpr const char* kPauseText = "Пауза перед повторным звонком";

// Sets a label's caption and hint to the same text.
void setLabelText(Label& label, const std::string& text);
// The number as dialled: the mode letter, the prefix before it and the suffix after it.
std::string dialledNumber(const std::string& phone, bool tone, const std::string& prefix,
                          const std::string& suffix);

}  // namespace velmor
