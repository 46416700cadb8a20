// The daily history of the sessions: what each day took of each entry (time on line, traffic,
// money, connections), gathered tick by tick and written at most once a minute and at the end of
// the session, never while no session runs.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "form/statistics.h"
#include "platform/event_loop.h"
#include "platform/history_db.h"

namespace velmor {

class DailyHistory {
  public:
    static constexpr int kTicksPerWrite = 60;

    // Where the history is kept; empty: nowhere (nothing is gathered).
    void setFile(const std::string& path);

    // A session of entry begins (the statistics' session figures are at zero): one connection.
    void sessionStart(const std::string& entry, const LocalDateTime& now, const Statistics& s);
    // A tick was counted at now; s holds the session's figures after it. What grew since the last
    // tick counts on the day of that tick (the statistics too count a tick's second before they
    // turn to a new day). Every kTicksPerWrite ticks what has gathered is written: true then.
    bool tick(const LocalDateTime& now, const Statistics& s);
    // The session ended (or the program closes during one): the rest is written, the file closed.
    void sessionEnd();

    // The last count days of entry up to today, oldest first, one record for every day (zeros
    // where nothing is kept), with what is gathered and not yet written.
    std::vector<HistoryRecord> lastDays(const std::string& entry, const LocalDateTime& today,
                                        int count);

    // The history could not be written or read: the message, once a run.
    std::function<void(const std::string&)> onError;

  private:
    struct Pending {
        int day = 0;  // yyyymmdd; 0 unused
        std::int64_t seconds = 0, received = 0, sent = 0, connections = 0;
        double money = 0;
    };
    Pending& pendingOf(int day);
    void write();
    void tell(const std::string& message);

    std::string path_;
    std::unique_ptr<HistoryDb> db_;
    std::string entry_;
    bool inSession_ = false;
    bool errorTold_ = false;
    int day_ = 0;  // yyyymmdd of the last tick
    int ticks_ = 0;
    // The session's figures at the last tick.
    std::int64_t seconds_ = 0;
    TrafficPair traffic_;
    double money_ = 0;
    // What has gathered since the last write: a session crosses midnight at most once a tick.
    std::array<Pending, 2> pending_{};
};

// "2026-12-07".
std::string dayText(int year, int month, int day);

}  // namespace velmor
