#include "dialing/sleep_handling.h"

namespace velmor {
namespace {

constexpr int kWatchMs = 1000;
constexpr int kSettlePollMs = 50;
// The system keeps a delay lock for a few seconds at most (logind: 5 s); the lock goes before.
constexpr int kSettleLimitMs = 4000;

}  // namespace

SleepHandling::SleepHandling(EventLoop& loop, MainForm& model, Session& session, DialCycle& cycle,
                             TRasCon& ras, const ras::RasService& service, TLogFile& log,
                             Hooks hooks)
    : m_(model),
      s_(session),
      cycle_(cycle),
      ras_(ras),
      service_(service),
      log_(log),
      hooks_(std::move(hooks)),
      watch_(loop, kWatchMs),
      settle_(loop, kSettlePollMs),
      redial_(loop, 1000) {
    watch_.onTimer = [this] { update(); };
    settle_.onTimer = [this] {
        if (service_.settling() && ++settleTicks_ * kSettlePollMs < kSettleLimitMs) return;
        settled();
    };
    redial_.onTimer = [this] {
        redial_.setEnabled(false);
        const Button& b = m_.conn.Button1;
        if (b.caption != kDialCaption || !b.enabled) return;  // the user was quicker
        cycle_.dialAction();
        update();
        if (hooks_.changed) hooks_.changed();
    };
}

SleepHandling::~SleepHandling() {
    setService(nullptr);
}

void SleepHandling::setService(PowerService* power) {
    if (power_) {
        power_->beforeSleep = nullptr;
        power_->afterResume = nullptr;
        if (power_->inhibited()) power_->release();
    }
    power_ = power;
    if (!power_) return;
    power_->beforeSleep = [this] { beforeSleep(); };
    power_->afterResume = [this] { afterResume(); };
    update();
}

void SleepHandling::update() {
    if (!power_ || sleeping_) return;
    const bool busy = m_.conn.Button1.caption != kDialCaption;
    if (busy && !power_->inhibited()) power_->inhibit();
    if (!busy && power_->inhibited()) power_->release();
    watch_.setEnabled(power_->inhibited());
}

void SleepHandling::beforeSleep() {
    auto& c = m_.conn;
    redial_.setEnabled(false);
    if (c.Button1.caption == kDialCaption) {
        if (power_ && power_->inhibited()) power_->release();
        return;
    }
    sleeping_ = true;
    watch_.setEnabled(false);
    redialAfterResume_ = m_.general.AutoReDialCheck.checked;
    const bool connected = c.Button1.caption == kHangUpCaption;
    s_.hangUpRequested = true;
    s_.launchMode = false;
    cycle_.disarmPauses();
    if (connected) {
        ras_.FirstConnection();
        ras_.HangUpAndWait(ras_.ActiveHandle(), 0, 0, false);
        ras_.HangUpAndWait(ras_.ActiveHandle(), 0, 0, false);
    } else {
        if (hooks_.stopMonitor) hooks_.stopMonitor();
        ras_.HangUpAndWait(s_.dialHandle, 0, 3000, false);
    }
    c.Label4 = c.Label2;
    log_.AddLine(connected ? kSleepHangUpText : kSleepAbortText);
    log_.AddLine("");
    cycle_.showIdle();
    if (hooks_.changed) hooks_.changed();
    // The sleep goes on once the devices have let go: the modem on-hook, pppd ended.
    settleTicks_ = 0;
    settle_.setEnabled(true);
}

void SleepHandling::settled() {
    settle_.setEnabled(false);
    if (power_ && power_->inhibited()) power_->release();
}

void SleepHandling::afterResume() {
    if (settle_.enabled()) settled();
    sleeping_ = false;
    if (!redialAfterResume_) return;
    redialAfterResume_ = false;
    // A USB modem comes back a moment after the wake: the usual pause first.
    redial_.setInterval(cycle_.TimerPause.interval());
    redial_.setEnabled(true);
}

}  // namespace velmor
