// Name lookup and ICMP echo for tests: answers from a script, on the virtual loop's time.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/icmp.h"
#include "platform/virtual_loop.h"

namespace velmor::test {

class ScriptedIcmp : public icmp::IcmpService {
  public:
    explicit ScriptedIcmp(VirtualLoop& loop) : loop_(loop) {}

    // Names the resolver knows; any other name fails with kHostNotFound.
    std::map<std::string, icmp::Ipv4> names;
    int lookupDelayMs = 30;
    // Addresses that answer an echo, and after how many milliseconds; others stay silent until
    // the time-out.
    std::map<icmp::Ipv4, int> answering;
    // Answers for the next echoes, in order, before the rule above (true: a reply after 20 ms).
    std::deque<bool> nextAnswers;
    // No ICMP socket may be opened: every echo fails at once.
    bool noSocket = false;

    // What was asked.
    std::vector<std::string> lookups;
    std::vector<icmp::EchoRequest> echoes;
    int cancelled = 0;

    LookupId startLookup(const std::string& host, LookupDone done, int& /*startError*/) override {
        lookups.push_back(host);
        const LookupId id = ++lastId_;
        const auto known = names.find(host);
        const int error = known == names.end() ? icmp::kHostNotFound : 0;
        const icmp::Ipv4 address = known == names.end() ? 0 : known->second;
        later(id, lookupDelayMs, [done, error, address] { done(error, address); });
        return id;
    }

    void cancelLookup(LookupId id) override {
        if (pending_.erase(id) != 0) ++cancelled;
    }

    EchoId startEcho(const icmp::EchoRequest& request, EchoDone done) override {
        echoes.push_back(request);
        bool answers = false;
        int delay = request.timeoutMs;
        if (!nextAnswers.empty()) {
            answers = nextAnswers.front();
            nextAnswers.pop_front();
            if (answers) delay = 20;
        } else if (const auto a = answering.find(request.address); a != answering.end()) {
            answers = true;
            delay = a->second;
        }
        if (noSocket) {
            answers = false;
            delay = 1;
        }
        icmp::EchoResult result;
        result.noSocket = noSocket;
        result.replies = answers ? 1 : 0;
        result.error = answers ? 0 : icmp::kEchoTimedOut;
        result.from = answers ? request.address : 0;
        result.roundTripMs = answers ? delay : 0;
        result.dataSize = answers ? request.size : 0;
        const EchoId id = ++lastId_;
        later(id, delay, [done, result] { done(result); });
        return id;
    }

    // The wait of a real echo: time passes; the timers due meanwhile fire at the next round.
    void waitForNews(int maxMs) override { loop_.sleepMs(maxMs); }

    bool idle() const { return pending_.empty(); }

  private:
    // Runs what after delay milliseconds of the loop's time, unless cancelled first.
    void later(std::uint64_t id, int delay, std::function<void()> what) {
        auto timer = std::make_unique<Timer>(loop_, std::max(delay, 1));
        Timer* t = timer.get();
        t->onTimer = [this, id, what] {
            const auto it = pending_.find(id);
            if (it == pending_.end()) return;
            it->second->setEnabled(false);
            spent_.push_back(std::move(it->second));  // a timer outlives its own handler
            pending_.erase(it);
            what();
        };
        pending_[id] = std::move(timer);
        t->setEnabled(true);
    }

    VirtualLoop& loop_;
    std::uint64_t lastId_ = 0;
    std::map<std::uint64_t, std::unique_ptr<Timer>> pending_;
    std::vector<std::unique_ptr<Timer>> spent_;
};

}  // namespace velmor::test
