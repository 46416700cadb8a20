#include "accounting/daily_history.h"

#include <cstdio>

namespace velmor {
namespace {

int dayKey(const LocalDateTime& t) {
    return t.year * 10000 + t.month * 100 + t.day;
}

std::string keyText(int key) {
    return dayText(key / 10000, key / 100 % 100, key % 100);
}

// What a figure grew by since the last tick; a figure that went down was reset by the user
// meanwhile and counts from zero.
template <class T>
T grown(T now, T& last) {
    const T d = now >= last ? now - last : now;
    last = now;
    return d;
}

}  // namespace

std::string dayText(int year, int month, int day) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year % 10000, month % 100, day % 100);
    return buf;
}

void DailyHistory::setFile(const std::string& path) {
    if (path == path_) return;
    sessionEnd();
    path_ = path;
    db_ = path_.empty() ? nullptr : std::make_unique<HistoryDb>(path_);
}

void DailyHistory::sessionStart(const std::string& entry, const LocalDateTime& now,
                                const Statistics& s) {
    if (!db_) return;
    sessionEnd();
    inSession_ = true;
    entry_ = entry;
    ticks_ = 0;
    seconds_ = s.inCurrentLast;
    traffic_ = s.trafficSession;
    money_ = s.dengiLast;
    day_ = dayKey(now);
    pendingOf(day_).connections += 1;
}

DailyHistory::Pending& DailyHistory::pendingOf(int key) {
    for (Pending& p : pending_) {
        if (p.day == key) return p;
    }
    for (Pending& p : pending_) {
        if (p.day == 0) {
            p.day = key;
            return p;
        }
    }
    // Both hold other days (the clock was set back and forth within a minute): write them first.
    write();
    pending_[0].day = key;
    return pending_[0];
}

bool DailyHistory::tick(const LocalDateTime& now, const Statistics& s) {
    if (!inSession_) return false;
    // What a tick counts belongs to the day it began on, as in the statistics, whose new day
    // begins after the tick's second has been counted.
    Pending& p = pendingOf(day_);
    day_ = dayKey(now);
    p.seconds += grown(s.inCurrentLast, seconds_);
    p.received += grown(s.trafficSession.in, traffic_.in);
    p.sent += grown(s.trafficSession.out, traffic_.out);
    p.money += grown(s.dengiLast, money_);
    if (++ticks_ < kTicksPerWrite) return false;
    write();
    return true;
}

void DailyHistory::write() {
    ticks_ = 0;
    std::vector<HistoryRecord> records;
    for (Pending& p : pending_) {
        if (p.day == 0) continue;
        records.push_back(
            {keyText(p.day), entry_, p.seconds, p.received, p.sent, p.money, p.connections});
        p = {};
    }
    if (!db_ || db_->add(records)) return;
    // The figures are dropped rather than kept to pile up: the file cannot take them now.
    tell("История соединений не записана: " + db_->error());
}

void DailyHistory::tell(const std::string& message) {
    if (!errorTold_ && onError) onError(message);
    errorTold_ = true;
}

void DailyHistory::sessionEnd() {
    if (!inSession_) return;
    inSession_ = false;
    write();
    if (db_) db_->close();
}

std::vector<HistoryRecord> DailyHistory::lastDays(const std::string& entry,
                                                  const LocalDateTime& today, int count) {
    const std::int64_t last = daysFromCivil(today.year, today.month, today.day);
    std::vector<HistoryRecord> out;
    for (std::int64_t d = last - count + 1; d <= last; ++d) {
        int y = 0, m = 0, day = 0;
        civilFromDays(d, y, m, day);
        out.push_back({dayText(y, m, day), entry});
    }
    if (!db_ || out.empty()) return out;
    const auto stored = db_->read(entry, out.front().day);
    if (!stored) tell("История соединений не прочитана: " + db_->error());
    auto add = [&](const std::string& day, const HistoryRecord& r) {
        for (HistoryRecord& o : out) {
            if (o.day != day) continue;
            o.seconds += r.seconds;
            o.received += r.received;
            o.sent += r.sent;
            o.money += r.money;
            o.connections += r.connections;
        }
    };
    if (stored) {
        for (const HistoryRecord& r : *stored)
            add(r.day, r);
    }
    if (inSession_ && entry == entry_) {
        for (const Pending& p : pending_) {
            if (p.day != 0)
                add(keyText(p.day),
                    {"", "", p.seconds, p.received, p.sent, p.money, p.connections});
        }
    }
    // Not kept open between sessions: the idle program holds no file.
    if (!inSession_) db_->close();
    return out;
}

}  // namespace velmor
