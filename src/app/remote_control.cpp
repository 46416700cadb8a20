#include "app/remote_control.h"

#include <algorithm>

#include "app/tform1.h"
#include "app/tform1_private.h"

namespace velmor {
namespace {

using control::Command;
using control::Outcome;
using control::Property;
using control::Refusal;
using control::State;

// Counters are told once a second, with the few milliseconds of play a window timer has.
constexpr std::uint64_t kCounterPeriodMs = 1000;
constexpr std::uint64_t kTimerPlayMs = 20;

constexpr const char* kLocked =
    "Программа заблокирована: снимите блокировку в окне программы, чтобы управлять ею";
constexpr const char* kNotIdle = "Соединение уже устанавливается или установлено";
constexpr const char* kNothingToHangUp = "Соединение не устанавливается и не установлено";
constexpr const char* kNextOnlyDialling = "Следующий номер набирается только во время дозвона";
constexpr const char* kRedialOnlyConnected =
    "Перезвонить можно только при установленном соединении";
constexpr const char* kSelectOnlyIdle =
    "Соединение можно выбрать, только когда нет дозвона и связи";

}  // namespace

RemoteControl::RemoteControl(EventLoop& loop, TForm1& form)
    : loop_(loop), form_(form), heldCounters_(loop, static_cast<int>(kCounterPeriodMs)) {
    heldCounters_.onTimer = [this] {
        heldCounters_.setEnabled(false);
        modelChanged();
    };
}

void RemoteControl::setService(control::ControlService* service) {
    service_ = service;
    heldCounters_.setEnabled(false);
    told_ = snapshot();
    countersToldAt_ = loop_.tickCount();
}

State RemoteControl::state() const {
    const std::string& caption = form_.Model.conn.Button1.caption;
    if (caption == kDialCaption) return State::Idle;
    // A pause runs between attempts, and from "Перезвонить" or a failed check on line until the
    // redial.
    if (form_.Cycle.pauseArmed()) return State::Pausing;
    return caption == kHangUpCaption ? State::Connected : State::Dialling;
}

control::Snapshot RemoteControl::snapshot() const {
    const MainForm& m = form_.Model;
    control::Snapshot s;
    s.state = state();
    s.locked = m.state.locked;
    s.entry = m.conn.ComboBox1.text();
    const auto inUse = std::find_if(m.phones.begin(), m.phones.end(),
                                    [](const PhoneItem& p) { return p.mark == ItemMark::InUse; });
    if (inUse != m.phones.end()) s.phone = inUse->number;
    s.stateText = m.conn.Label2.caption;
    if (s.state == State::Connected) {
        s.speed = form_.Accept.speed();
        s.localAddress = form_.RasCon.LocalIP();
        s.remoteAddress = form_.RasCon.ServerIP();
    }
    s.sessionSeconds = m.stats.inCurrentLast;
    s.receivedBytes =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, m.stats.trafficSession.in)) * 1000;
    s.sentBytes =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, m.stats.trafficSession.out)) * 1000;
    s.sessionMoney = m.stats.dengiLast;
    s.attempts = static_cast<std::uint32_t>(std::max(0, form_.session.attemptCount));
    return s;
}

void RemoteControl::modelChanged() {
    if (!service_) return;
    const control::Snapshot now = snapshot();
    const std::vector<Property> changed = control::differences(told_, now);
    if (changed.empty()) return;
    const bool countersOnly = std::all_of(changed.begin(), changed.end(), control::isCounter);
    const std::uint64_t t = loop_.tickCount();
    const std::uint64_t since = t - countersToldAt_;
    if (countersOnly && since + kTimerPlayMs < kCounterPeriodMs) {
        // Told at the end of the second (a state change before then tells them with it).
        if (!heldCounters_.enabled()) {
            heldCounters_.setInterval(static_cast<int>(kCounterPeriodMs - since));
            heldCounters_.setEnabled(true);
        }
        return;
    }
    heldCounters_.setEnabled(false);
    if (std::any_of(changed.begin(), changed.end(), control::isCounter)) countersToldAt_ = t;
    told_ = now;
    service_->propertiesChanged(now, changed);
}

Outcome RemoteControl::dialUnavailable() const {
    std::string why = "в списках телефонов и логинов нет ни одного, по которому можно звонить";
    if (form_.Model.conn.ComboBox1.items.empty()) {
        why = kNoEntry;
    } else if (!form_.RasCon.RasAvailable()) {
        why = "RAS is not installed";
    }
    return {Refusal::Unavailable, "Звонить нельзя: " + why};
}

Outcome RemoteControl::command(Command command, const std::string& argument) {
    Outcome outcome = run(command, argument);
    form_.ui_.refresh();
    modelChanged();
    return outcome;
}

Outcome RemoteControl::run(Command command, const std::string& argument) {
    MainForm& m = form_.Model;
    // Bringing the window back is the one thing a locked program does: the window has its own
    // lock.
    if (command == Command::Show || command == Command::Activate) {
        form_.MRestoreClick();
        return {};
    }
    if (m.state.locked) return {Refusal::Locked, kLocked};
    const State now = state();
    switch (command) {
        case Command::Dial:
            if (now != State::Idle) return {Refusal::NotIdle, kNotIdle};
            if (!m.conn.Button1.enabled) return dialUnavailable();
            form_.guarded([&] { form_.Button1Click(); });
            return {};
        case Command::HangUp:
            if (now == State::Idle || !m.conn.Button1.enabled) {
                return {Refusal::NotActive, kNothingToHangUp};
            }
            form_.guarded([&] { form_.Button1Click(); });
            return {};
        case Command::Next:
            if (!m.menu.MNext.enabled) return {Refusal::NotActive, kNextOnlyDialling};
            form_.guarded([&] { form_.MNextClick(); });
            return {};
        case Command::Redial:
            if (!m.menu.MRecall.enabled) return {Refusal::NotActive, kRedialOnlyConnected};
            form_.guarded([&] { form_.MRecallClick(); });
            return {};
        case Command::SelectEntry: {
            ComboBox& combo = m.conn.ComboBox1;
            if (std::find(combo.items.begin(), combo.items.end(), argument) == combo.items.end()) {
                return {Refusal::NoSuchEntry,
                        "Нет соединения «" + argument + "» в телефонной книге"};
            }
            if (now != State::Idle || !combo.enabled) return {Refusal::NotIdle, kSelectOnlyIdle};
            if (combo.text() == argument) return {};
            // As the selector does: opened, an item chosen, changed.
            form_.ComboBox1DropDown();
            combo.selectText(argument);
            form_.ComboBox1Change();
            return {};
        }
        case Command::Show:
        case Command::Activate:
            break;
    }
    return {};
}

}  // namespace velmor
