#include "dialing/acceptance.h"

#include "form/number_text.h"

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
    timer.setEnabled(true);
}

bool Acceptance::dialGoesOn() const {
    return m_.conn.Button1.caption == kAbortCaption && !cycle_.TimerPause.enabled() &&
           !cycle_.TimerPauseLogin.enabled() && !cycle_.TimerPausePhone.enabled();
}

void Acceptance::run() {
    auto& c = m_.conn;
    // 1. The ping check, for a connection we have just made while no other existed.
    if (m_.dial.PingCheck.checked && s_.activeConnection == 0 && hooks_.ping) {
        const std::string host = m_.dial.PingEdit.text;
        const bool dialling = dialGoesOn();
        const bool answered = hooks_.ping(host, m_.dial.UpDown4.position);
        if (dialling && !dialGoesOn()) {
            // A command during the wait has already ended this dial: nothing more to do here.
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
    const std::string speedText = std::to_string(speed_);
    // 5. The minimum speed.
    if (m_.dial.LimitCheck.checked && s_.activeConnection == 0) {
        const auto minimum = parseDecimal(m_.dial.LowLimit.text());
        if (minimum && *minimum >= 0 && speed_ < *minimum) {
            setLabelText(c.Label2, "Скорость " + speedText + " Кбит/с слишком мала");
            log_.AddLine("Ошибка: Скорость " + speedText + " Кбит/с слишком мала");
            c.Label4 = c.Label2;
            setLabelText(c.Label2, kPauseText);
            ras_.HangUpAndWait(s_.dialHandle, 0, 0, false);
            s_.accepted = false;
            cycle_.TimerPause.setEnabled(true);
            return;
        }
    }
    // 6. Accepted.
    ras_.ReadProjection(s_.dialHandle);
    const std::string announce = "Скорость " + speedText + " Кбит/с, IP " + ras_.LocalIP();
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
    if (hooks_.launchPrograms) hooks_.launchPrograms();
    m_.stats.sessionStart();
    if (hooks_.saveSettings) hooks_.saveSettings();
    s_.windowTicks = s_.windowStart = s_.windowKb = 0;
    if (hooks_.startMonitor) hooks_.startMonitor();
}

}  // namespace velmor
