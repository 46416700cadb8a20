#include "dialing/acceptance.h"

#include "form/number_text.h"
#include "form/page_switches.h"

namespace velmor {

void moveWorkingLoginToTop(MainForm& m, Session& s) {
    auto& logins = m.logins;
    int inUse = -1;
    for (std::size_t i = 0; i < logins.size(); ++i) {
        if (logins[i].mark == ItemMark::InUse) inUse = static_cast<int>(i);
    }
    if (inUse <= 0) return;
    LoginItem working = logins[inUse];
    logins.erase(logins.begin() + inUse);
    logins.insert(logins.begin(), std::move(working));
    m.conn.ListView2.itemIndex = 0;
    s.loginInUse = 0;
}

Acceptance::Acceptance(MainForm& model, Session& session, TRasCon& ras, TRasPer& counters,
                       TLogFile& log, DialCycle& cycle, Hooks hooks)
    : m_(model),
      s_(session),
      ras_(ras),
      counters_(counters),
      log_(log),
      cycle_(cycle),
      hooks_(std::move(hooks)) {}

void Acceptance::rejectWithPause(Timer& timer) {
    auto& c = m_.conn;
    s_.accepted = false;
    c.Label4 = c.Label2;
    setLabelText(c.Label2, kPauseText);
    cycle_.armPause(timer);
}

bool Acceptance::dialGoesOn() const {
    return m_.conn.Button1.caption == kAbortCaption && !cycle_.pauseArmed();
}

bool Acceptance::goesOn() const {
    return !s_.closing && s_.dialHandle == checked_ && (!checkedWhileDialling_ || dialGoesOn());
}

void Acceptance::run() {
    auto& c = m_.conn;
    checked_ = s_.dialHandle;
    checkedWhileDialling_ = dialGoesOn();
    // 1. The ping check, for a connection we have just made while no other existed.
    if (m_.dial.PingCheck.checked && s_.activeConnection == 0 && hooks_.ping) {
        const std::string host = m_.dial.PingEdit.text;
        const bool answered = hooks_.ping(host, m_.dial.UpDown4.position);
        if (!goesOn()) {
            // The program is closing, or a command during the wait has already ended this dial
            // (and may have started another): nothing more to do here.
            s_.accepted = false;
            return;
        }
        if (!answered) {
            setLabelText(c.Label2, "Пинг узла " + host + " не прошел");
            log_.AddLine("Ошибка: Пинг узла " + host + " не прошел");
            const int action = m_.dial.PingBox.itemIndex;
            if (action != 0) {
                ras_.HangUpAndWait(s_.dialHandle, 0, 0, false);
                if (action == 2) return rejectWithPause(cycle_.TimerPause);
                if (action == 3) return rejectWithPause(cycle_.TimerPauseLogin);
                s_.accepted = false;  // 1: stop as the user's abort does
                cycle_.dialAction();
                return;
            }
        }
    }
    // 2.-3. The working login goes to the top.
    if (m_.general.TopLoginCheck.checked) moveWorkingLoginToTop(m_, s_);
    c.ListView2.topIndex = 0;
    // 4. The traffic counters of the new connection and its speed.
    counters_.Start(true, true);
    counters_.AttachConnection(1, s_.dialHandle);
    counters_.Refresh();
    speed_ = counters_.PortSpeed(0);
    // 5. The minimum speed. A speed of 0 means the device does not know it: nothing to check.
    if (m_.dial.LimitCheck.checked && s_.activeConnection == 0 && speed_ != 0) {
        const auto minimum = parseDecimal(m_.dial.LowLimit.text());
        if (minimum && *minimum >= 0 && speed_ < *minimum) {
            // The minimum is set in bits per second; the speed is shown in kilobits.
            const std::string text =
                lineSpeedText(speed_, m_.locale.decimalSeparator) + " слишком мала";
            setLabelText(c.Label2, text);
            log_.AddLine("Ошибка: " + text);
            ras_.HangUpAndWait(s_.dialHandle, 0, 0, false);
            return rejectWithPause(cycle_.TimerPause);
        }
    }
    announce();
}

void Acceptance::announce() {
    auto& c = m_.conn;
    // 6. Accepted: the connection ends every pause and every request of the user before it.
    cycle_.disarmPauses();
    s_.hangUpRequested = false;
    ras_.ReadProjection(s_.dialHandle);
    const std::string announce =
        lineSpeedText(speed_, m_.locale.decimalSeparator) + ", IP " + ras_.LocalIP();
    setLabelText(c.Label2, announce);
    log_.AddLine("Соединение установлено. " + announce);
    m_.menu.CopyIP.enabled = true;
    if (hooks_.connectSound) hooks_.connectSound();
    if (m_.iface.HideOnConnectCheck.checked && hooks_.minimize) hooks_.minimize();
    m_.menu.MCall.enabled = false;
    m_.menu.MStop.enabled = false;
    m_.menu.MHangUp.enabled = true;
    m_.menu.MNext.enabled = false;
    m_.menu.MRecall.enabled = true;
    if (speed_ != 0 && hooks_.balloon)
        hooks_.balloon(c.ComboBox1.text() + " сейчас подключен", announce);
    c.Button1.caption = kHangUpCaption;
    c.Button1.hint = kHangUpHint;
    if (hooks_.connectedIcon) hooks_.connectedIcon();
    m_.stats.sessionStart();
    // The session's labels start from zero too: a line lost at the first tick is logged with them.
    showStatistics(m_);
    if (hooks_.saveSettings) hooks_.saveSettings();
    s_.windowTicks = s_.windowStart = s_.windowKb = 0;
    // The monitor owns the connection from here, and ticks on while the programs start: a launch
    // may wait for a program's window.
    s_.activeConnection = s_.dialHandle;
    s_.dialHandle = 0;
    if (hooks_.startMonitor) hooks_.startMonitor();
    if (hooks_.launchPrograms) hooks_.launchPrograms();
}

}  // namespace velmor
