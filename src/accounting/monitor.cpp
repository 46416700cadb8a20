#include "accounting/monitor.h"

#include "accounting/tariffs.h"
#include "form/number_text.h"
#include "form/page_switches.h"

namespace velmor {

Monitor::Monitor(EventLoop& loop, MainForm& model, Session& session, TRasCon& ras,
                 TRasPer& counters, TLogFile& log, DialCycle& cycle, Hooks hooks)
    : TimerStatus(loop, 1000),
      loop_(loop),
      m_(model),
      s_(session),
      ras_(ras),
      counters_(counters),
      log_(log),
      cycle_(cycle),
      hooks_(std::move(hooks)) {
    TimerStatus.onTimer = [this] {
        tick();
        if (hooks_.changed) hooks_.changed();
    };
}

void Monitor::connectionGone(bool& goOn) {
    auto& c = m_.conn;
    TimerStatus.setEnabled(false);
    s_.activeConnection = 0;
    if (hooks_.lossSound) hooks_.lossSound();
    if (hooks_.disconnectedIcon) hooks_.disconnectedIcon();
    if (m_.iface.ShowOnDisconnCheck.checked && hooks_.restore) hooks_.restore();
    if (!s_.hangUpRequested) {
        log_.AddLine("Соединениние было разорвано. Время на линии: " +
                     m_.timeStats.InCurrentLastLabel.caption +
                     ", получено/отправлено: " + m_.trafficStats.TrafficLastLabel.caption + " Мб.");
    }
    m_.menu.CopyIP.enabled = false;
    if (s_.hangUpRequested) s_.launchMode = true;
    if (hooks_.programsDisconnected) hooks_.programsDisconnected();
    // A pause already running (after a failed minimum download, or "Перезвонить") dials as the
    // automatic redial does: the window shows the dial that is coming.
    const bool redial = m_.general.AutoReDialCheck.checked && !s_.hangUpRequested;
    if (redial || cycle_.pauseArmed()) {
        c.Button1.caption = kAbortCaption;
        c.Button1.hint = kAbortHint;
        c.ComboBox1.enabled = false;
        m_.menu.MCall.enabled = false;
        m_.menu.MStop.enabled = true;
        m_.menu.MHangUp.enabled = false;
        m_.menu.MNext.enabled = true;
        m_.menu.MRecall.enabled = false;
        if (redial) cycle_.armPause(cycle_.TimerPause);
        goOn = false;
        return;
    }
    s_.hangUpRequested = false;
    // Back to idle: the button, the selector, the menu and the marks as after a hang-up.
    cycle_.showIdle();
    goOn = true;
}

void Monitor::tick() {
    tick(ras_.FirstConnection().empty());
}

void Monitor::endSession() {
    if (TimerStatus.enabled()) tick(true);
}

void Monitor::tick(bool gone) {
    count(gone);
    if (hooks_.ticked) hooks_.ticked(gone);
}

void Monitor::count(bool gone) {
    s_.launchMode = false;
    if (gone) {
        bool goOn = true;
        connectionGone(goOn);
        if (!goOn) return;
    }
    if (hooks_.programsCleanUp) hooks_.programsCleanUp();
    // One second on line.
    m_.stats.countSecond();
    ++s_.windowTicks;
    // The minimum download, compared with the kilobytes counted up to the previous tick; not
    // once the session has ended, when a failure would only start a dial nobody asked for.
    if (!gone && s_.windowTicks == m_.extra.SpinEdit3.value * 60 && m_.extra.CheckBox1.checked) {
        s_.windowTicks = 0;
        const bool failed = m_.extra.SpinEdit1.value > s_.windowKb;
        const std::int64_t received = m_.stats.trafficSession.in;
        s_.windowKb = 0;
        s_.windowStart = -received;
        if (failed) {
            s_.accepted = false;
            s_.hangUpRequested = false;
            ras_.HangUpAndWait(ras_.ActiveHandle(), 0, 0, false);
            setLabelText(m_.conn.Label2, "Не выполнен миниму по скачке.");
            log_.AddLine("Ошибка: Не выполнен миниму по скачке.");
            m_.conn.Label4 = m_.conn.Label2;
            cycle_.armPause(cycle_.TimerPause);
            return;
        }
    }
    chargeSecond();
    const std::int64_t sessionSeconds = m_.stats.inCurrentLast;
    if (m_.dial.PingRepeatCheck.checked && sessionSeconds % 300 == 0 && hooks_.keepAlivePing) {
        hooks_.keepAlivePing(m_.dial.PingEdit.text);
    }
    if (m_.general.AutoUpdateCheck.checked && sessionSeconds % 3600 == 0 && hooks_.updateCheck) {
        hooks_.updateCheck();
    }
    if (s_.activeConnection != 0) counters_.Refresh();
    m_.stats.trafficUpdate(counters_.BytesReceived(), counters_.BytesSent());
    s_.windowKb = m_.stats.trafficSession.in + s_.windowStart;
    m_.stats.rollover(loop_.now());
    showStatistics(m_);
}

void Monitor::chargeSecond() {
    const int login = s_.loginInUse;
    if (login < 0 || login >= static_cast<int>(m_.logins.size())) return;
    LoginItem& l = m_.logins[login];
    if (l.flag != '+') return;
    const auto& t = m_.tariffs;
    const Tariffs tariffs{t.tariffcount.itemIndex + 1,
                          static_cast<int>(t.time1.value),
                          static_cast<int>(t.time2.value),
                          static_cast<int>(t.time3.value),
                          t.tariff1.value,
                          t.tariff2.value,
                          t.tariff3.value};
    const double cost = costOfSecond(tariffs, loop_.now().hour);
    Statistics& s = m_.stats;
    s.dengiAll += cost;
    s.dengiMonth += cost;
    s.dengiToday += cost;
    s.dengiCurrentAll += cost;
    s.dengiCurrentMonth += cost;
    s.dengiLast += cost;
    const double balance = parseReal(l.money).value_or(0);
    if (balance > 0) l.money = formatReal(balance - cost, m_.locale.decimalSeparator);
}

}  // namespace velmor
