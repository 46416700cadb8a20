#include "dialing/dial_cycle.h"

namespace velmor {

void setLabelText(Label& label, const std::string& text) {
    label.caption = text;
    label.hint = text;
}

std::string dialledNumber(const std::string& phone, bool tone, const std::string& prefix,
                          const std::string& suffix) {
    std::string n = (tone ? "t" : "p") + phone;
    if (!prefix.empty()) n = prefix + n;
    if (!suffix.empty()) n += suffix;
    return n;
}

namespace {

// Moves the selection of a list to the next item, after the last to the first.
int following(int index, std::size_t size) {
    return size == 0 ? -1 : static_cast<int>((static_cast<std::size_t>(index + 1)) % size);
}

// While the selected item is excluded, selects the following one; -1 when every item is.
template <class Item>
int skipExcluded(int index, const std::vector<Item>& items) {
    if (items.empty()) return -1;
    if (index < 0 || index >= static_cast<int>(items.size())) index = 0;
    for (std::size_t n = 0; n < items.size(); ++n) {
        if (items[index].mark != ItemMark::Excluded) return index;
        index = following(index, items.size());
    }
    return -1;
}

}  // namespace

DialCycle::DialCycle(EventLoop& loop, MainForm& model, Session& session, TRasCon& ras,
                     TLogFile& log, Hooks hooks)
    : TimerPause(loop, 5000),
      TimerPauseLogin(loop, 3000),
      TimerPausePhone(loop, 3000),
      loop_(loop),
      m_(model),
      s_(session),
      ras_(ras),
      log_(log),
      hooks_(std::move(hooks)) {
    auto fire = [this](Advance how) {
        pauseElapsed(how);
        if (hooks_.changed) hooks_.changed();
    };
    TimerPause.onTimer = [fire] { fire(Advance::Same); };
    TimerPauseLogin.onTimer = [fire] { fire(Advance::Login); };
    TimerPausePhone.onTimer = [fire] { fire(Advance::Phone); };
}

void DialCycle::setPause(int seconds) {
    for (Timer* t : {&TimerPause, &TimerPauseLogin, &TimerPausePhone})
        t->setInterval(seconds * 1000);
}

void DialCycle::setMenu(bool call, bool stop, bool hangUp, bool next, bool recall) {
    m_.menu.MCall.enabled = call;
    m_.menu.MStop.enabled = stop;
    m_.menu.MHangUp.enabled = hangUp;
    m_.menu.MNext.enabled = next;
    m_.menu.MRecall.enabled = recall;
}

void DialCycle::armPause(Timer& timer) {
    for (Timer* t : {&TimerPause, &TimerPauseLogin, &TimerPausePhone}) {
        if (t != &timer) t->setEnabled(false);
    }
    timer.setEnabled(true);
}

void DialCycle::disarmPauses() {
    for (Timer* t : {&TimerPause, &TimerPauseLogin, &TimerPausePhone})
        t->setEnabled(false);
}

bool DialCycle::pauseArmed() const {
    return TimerPause.enabled() || TimerPauseLogin.enabled() || TimerPausePhone.enabled();
}

void DialCycle::showDialling() {
    auto& c = m_.conn;
    setMenu(false, true, false, true, false);
    c.ComboBox1.enabled = false;
    c.Button1.enabled = true;
    c.Button1.caption = kAbortCaption;
    c.Button1.hint = kAbortHint;
}

void DialCycle::clearInUseMarks() {
    for (PhoneItem& p : m_.phones) {
        if (p.mark == ItemMark::InUse) p.mark = ItemMark::Normal;
    }
    for (LoginItem& l : m_.logins) {
        if (l.mark == ItemMark::InUse) l.mark = ItemMark::Normal;
    }
}

void DialCycle::showIdle() {
    auto& c = m_.conn;
    c.ComboBox1.enabled = true;
    c.Button1.caption = kDialCaption;
    c.Button1.hint = kDialHint;
    setLabelText(c.Label2, kWaitingText);
    clearInUseMarks();
    setMenu(true, false, false, false, false);
    if (hooks_.refreshDialAvailability) hooks_.refreshDialAvailability();
}

void DialCycle::dialAction() {
    auto& c = m_.conn;
    if (!c.Button1.enabled) return;
    if (c.Button1.caption == kDialCaption) {
        showDialling();
        s_.launchMode = true;
        // A request of the last cycle (an abort) is not one of this cycle: its first line failure
        // goes on with the next phone.
        s_.hangUpRequested = false;
        // A pause still running will dial: a second dial beside it would only fight it for the
        // port.
        if (pauseArmed()) return;
        clearInUseMarks();
        c.Label4 = c.Label2;
        log_.AddLine("Инициализация соединения");
        setLabelText(c.Label2, "Инициализация соединения");
        pauseElapsed(Advance::Same);
    } else if (c.Button1.caption == kAbortCaption) {
        c.Button1.caption = kDialCaption;
        c.Button1.hint = kDialHint;
        if (hooks_.stopMonitor) hooks_.stopMonitor();
        s_.hangUpRequested = true;
        s_.launchMode = false;
        disarmPauses();
        hangUpDial(3000);
        c.ComboBox1.enabled = true;
        c.Label4 = c.Label2;
        log_.AddLine("Процесс установления соединения был прерван пользователем");
        log_.AddLine("");
        showIdle();
    } else if (c.Button1.caption == kHangUpCaption) {
        hangUp("Соединение было разорвано пользователем");
    }
}

void DialCycle::hangUp(const std::string& logLine) {
    auto& c = m_.conn;
    if (c.Button1.caption != kHangUpCaption) return;
    s_.hangUpRequested = true;
    s_.launchMode = false;
    // A redial asked for meanwhile ("Перезвонить", a failed check) is called off too.
    disarmPauses();
    // The first active connection as it is now: right after the acceptance the monitor has not
    // asked for it yet.
    ras_.FirstConnection();
    ras_.HangUpAndWait(ras_.ActiveHandle(), 0, 0, false);
    ras_.HangUpAndWait(ras_.ActiveHandle(), 0, 0, false);
    c.Label4 = c.Label2;
    log_.AddLine(logLine);
    log_.AddLine("");
    showIdle();
    // The session ends here and not at the next tick, which a new dial could come before.
    if (hooks_.endSession) hooks_.endSession();
}

void DialCycle::hangUpDial(int timeoutMs) {
    ras_.HangUpAndWait(s_.dialHandle, 0, timeoutMs, false);
}

void DialCycle::next() {
    hangUpDial(0);
    armPause(TimerPausePhone);
}

void DialCycle::recall() {
    ras_.FirstConnection();
    ras_.HangUpAndWait(ras_.ActiveHandle(), 0, 0, false);
    armPause(TimerPause);
}

void DialCycle::listDoubleClick() {
    const std::string& caption = m_.conn.Button1.caption;
    if (caption == kDialCaption) {
        dialAction();
    } else if (caption == kAbortCaption) {
        hangUpDial(3000);
        if (pauseArmed()) {
            // The pause running would go on with the next phone or login: the one after it dials
            // the pair just chosen.
            armPause(TimerPause);
            return;
        }
        s_.hangUpRequested = true;
        // A dial dropped by us reports nothing more, so the pause that its error would have
        // started begins here: the new selection is dialled after it.
        pauseAfterFailure(false);
    }
}

void DialCycle::resetCounter() {
    s_.attemptCount = 0;
    m_.conn.Label6.caption = "0";
}

void DialCycle::pauseElapsed(Advance how) {
    clearInUseMarks();
    auto& phoneSel = m_.conn.ListView1.itemIndex;
    auto& loginSel = m_.conn.ListView2.itemIndex;
    if (how == Advance::Phone) phoneSel = following(phoneSel, m_.phones.size());
    if (how == Advance::Login) loginSel = following(loginSel, m_.logins.size());
    // Excluded items are skipped in both lists: the one a pause keeps may have been clicked
    // meanwhile.
    const int phone = skipExcluded(phoneSel, m_.phones);
    const int login = skipExcluded(loginSel, m_.logins);
    Timer* own = how == Advance::Same    ? &TimerPause
                 : how == Advance::Login ? &TimerPauseLogin
                                         : &TimerPausePhone;
    own->setEnabled(false);
    if (phone < 0 || login < 0) return;  // nothing that may be dialled is left in a list
    phoneSel = phone;
    loginSel = login;
    m_.phones[phoneSel].mark = ItemMark::InUse;
    m_.logins[loginSel].mark = ItemMark::InUse;
    s_.loginInUse = loginSel;
    calling();
}

void DialCycle::calling() {
    auto& c = m_.conn;
    ++s_.attemptCount;
    c.Label6.caption = std::to_string(s_.attemptCount);
    const PhoneItem& phone = m_.phones[c.ListView1.itemIndex];
    const LoginItem& login = m_.logins[c.ListView2.itemIndex];
    ras_.EntryName = c.ComboBox1.text();
    ras_.UserName = login.login;
    ras_.Password = login.password;
    ras_.PhoneNumber = dialledNumber(phone.number, m_.extra.Tone.checked, m_.extra.InitPrefix.text,
                                     m_.extra.InitSufix.text);
    ras_.SubEntry = 0;
    s_.dialHandle = 0;
    // Each dial starts with no state handled: its first event is never taken for a repeat, even
    // when the last attempt ended with the same error.
    s_.lastHandledState.reset();
    ras_.ListConnections();
    s_.activeConnection = ras_.ActiveHandle();
    if (ras_.Dial(s_.dialHandle) != 0) {
        setLabelText(c.Label2, ras_.StatusText());
        log_.AddLine("Ошибка: " + ras_.StatusText());
        armPause(TimerPausePhone);
    }
}

void DialCycle::pauseAfterFailure(bool nextPhone) {
    auto& c = m_.conn;
    c.Label4 = c.Label2;
    setLabelText(c.Label2, kPauseText);
    if (!nextPhone && s_.hangUpRequested) {
        s_.hangUpRequested = false;
        armPause(TimerPause);
    } else {
        armPause(TimerPausePhone);
    }
}

void DialCycle::stateEvent(const TRasStateRec& rec) {
    auto& c = m_.conn;
    // The state the notification carries, not the layer's newest: a device may report several
    // before the first is handled, and judged by the newest, the earlier ones would take the
    // last one's place and it would be dropped as a repeat.
    const auto s = static_cast<std::uint16_t>(rec.State);
    if (s == s_.lastHandledState) return;
    s_.lastHandledState = s;
    setLabelText(c.Label2, rec.StatusText);
    if (s == ras::kStateConnectDevice) {
        const int sel = c.ListView1.itemIndex;
        const std::string number =
            sel >= 0 && sel < static_cast<int>(m_.phones.size()) ? m_.phones[sel].number : "";
        setLabelText(c.Label2, "Звоним по номеру " + number);
        log_.AddLine("Звоним по номеру " + number);
        return;
    }
    if (s == ras::kStateConnected) {
        const ras::Handle dialled = s_.dialHandle;
        s_.accepted = true;
        setLabelText(c.Label2, "Доступ разрешён");
        if (hooks_.accept) hooks_.accept();
        // The checks hand an accepted connection over before they start the monitor; a dial
        // started while they waited is not taken for it.
        if (s_.accepted && dialled != 0 && s_.dialHandle == dialled) {
            s_.activeConnection = dialled;
            s_.dialHandle = 0;
        }
        return;
    }
    const std::uint32_t error = rec.ErrorCode;
    if (error == ras::kErrorRemoteDisconnection || error == ras::kErrorAuthenticationFailure) {
        hangUpDial(3000);
        setLabelText(c.Label2, "Доступ запрещен");
        log_.AddLine("Доступ запрещен");
        c.Label4 = c.Label2;
        setLabelText(c.Label2, kPauseText);
        armPause(TimerPauseLogin);
    } else if (error != 0 && c.Button1.caption != kDialCaption) {
        hangUpDial(3000);
        const bool samePair = s_.hangUpRequested;
        s_.hangUpRequested = false;
        c.Label4 = c.Label2;
        setLabelText(c.Label2, kPauseText);
        armPause(samePair ? TimerPause : TimerPausePhone);
    } else if (error != 0 && error != ras::kErrorUserDisconnection && !s_.hangUpRequested) {
        hangUpDial(3000);
        c.Label4 = c.Label2;
        setLabelText(c.Label2, kPauseText);
        armPause(TimerPausePhone);
        s_.hangUpRequested = false;
    }
}

}  // namespace velmor
