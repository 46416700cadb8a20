// The daily history of the connections: a small SQLite database of its own, one row per day and
// entry, changed only by whole transactions so that a program killed while writing leaves the
// rows of the last write that got through.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velmor {

// The figures of one day of one entry.
struct HistoryRecord {
    std::string day;  // YYYY-MM-DD, local time
    std::string entry;
    std::int64_t seconds = 0;   // on line
    std::int64_t received = 0;  // kilobytes of 1000 bytes
    std::int64_t sent = 0;
    double money = 0;
    std::int64_t connections = 0;
    friend bool operator==(const HistoryRecord&, const HistoryRecord&) = default;
};

class HistoryDb {
  public:
    explicit HistoryDb(std::string path) : path_(std::move(path)) {}
    ~HistoryDb() { close(); }
    HistoryDb(const HistoryDb&) = delete;
    HistoryDb& operator=(const HistoryDb&) = delete;

    // Adds the figures of the records to those stored for their day and entry, all of them or
    // none. The file (and its folder) is made at the first write and stays open until close.
    // False on failure, with the reason in error(); a file that is not a history is left as it is.
    bool add(const std::vector<HistoryRecord>& records);
    // The stored days of an entry (of every entry when empty) from the day from on (every day when
    // empty), by day and entry. A missing file is an empty history; nothing on failure.
    std::optional<std::vector<HistoryRecord>> read(const std::string& entry,
                                                   const std::string& from);
    void close();

    const std::string& error() const { return error_; }

  private:
    bool open(bool create);
    bool fail(const std::string& what);

    std::string path_;
    std::string error_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* add_ = nullptr;  // the statement of add, made once the file is open
};

}  // namespace velmor
