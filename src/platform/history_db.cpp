#include "platform/history_db.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

namespace velmor {
namespace {

// Marks the file as this program's history ("Vlmr"), so that another database is never changed.
constexpr int kApplicationId = 0x566c6d72;

constexpr const char* kSchema =
    "CREATE TABLE days ("
    " day TEXT NOT NULL,"
    " entry TEXT NOT NULL,"
    " seconds INTEGER NOT NULL DEFAULT 0,"
    " received INTEGER NOT NULL DEFAULT 0,"
    " sent INTEGER NOT NULL DEFAULT 0,"
    " money REAL NOT NULL DEFAULT 0,"
    " connections INTEGER NOT NULL DEFAULT 0,"
    " PRIMARY KEY (day, entry)) WITHOUT ROWID;"
    "PRAGMA user_version = 1;";

struct Finalize {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

}  // namespace

bool HistoryDb::fail(const std::string& what) {
    error_ = path_ + ": " + what + (db_ ? std::string(": ") + sqlite3_errmsg(db_) : std::string());
    return false;
}

bool HistoryDb::open(bool create) {
    if (db_) return true;
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
        // Readable by its owner only, as the settings are; the journal files take its mode.
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return fail("не удалось создать файл");
        ::close(fd);
    }
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        fail("не удалось открыть");
        close();
        return false;
    }
    sqlite3_busy_timeout(db_, 2000);
    // What a commit wrote survives a killed program; a lost power supply may lose the last
    // commits, never the file.
    int id = -1;
    int tables = -1;
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_,
                               "SELECT (SELECT application_id FROM pragma_application_id),"
                               " (SELECT count(*) FROM sqlite_schema)",
                               -1, &raw, nullptr) == SQLITE_OK) {
            Statement s(raw);
            if (sqlite3_step(s.get()) == SQLITE_ROW) {
                id = sqlite3_column_int(s.get(), 0);
                tables = sqlite3_column_int(s.get(), 1);
            }
        }
    }
    bool ok = id == kApplicationId;
    if (id == 0 && tables == 0) {
        const std::string init = "PRAGMA journal_mode = WAL; BEGIN; " + std::string(kSchema) +
                                 "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                 "; COMMIT;";
        ok = sqlite3_exec(db_, init.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!ok) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (ok)
        ok = sqlite3_exec(db_, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr) ==
             SQLITE_OK;
    if (!ok) {
        if (id != -1 && id != kApplicationId && error_.empty()) {
            error_ = path_ + ": это не файл истории Velmor";
        } else {
            fail("не удалось прочитать");
        }
        close();
        return false;
    }
    return true;
}

void HistoryDb::close() {
    if (add_) sqlite3_finalize(add_);
    add_ = nullptr;
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool HistoryDb::add(const std::vector<HistoryRecord>& records) {
    error_.clear();
    if (records.empty()) return true;
    if (!open(true)) return false;
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("не удалось записать");
    bool ok = add_ != nullptr ||
              sqlite3_prepare_v3(
                  db_,
                  "INSERT INTO days VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT (day, entry) DO UPDATE"
                  " SET seconds = seconds + excluded.seconds,"
                  " received = received + excluded.received, sent = sent + excluded.sent,"
                  " money = money + excluded.money,"
                  " connections = connections + excluded.connections",
                  -1, SQLITE_PREPARE_PERSISTENT, &add_, nullptr) == SQLITE_OK;
    for (const HistoryRecord& r : records) {
        if (!ok) break;
        sqlite3_bind_text(add_, 1, r.day.data(), static_cast<int>(r.day.size()), SQLITE_STATIC);
        sqlite3_bind_text(add_, 2, r.entry.data(), static_cast<int>(r.entry.size()), SQLITE_STATIC);
        sqlite3_bind_int64(add_, 3, r.seconds);
        sqlite3_bind_int64(add_, 4, r.received);
        sqlite3_bind_int64(add_, 5, r.sent);
        sqlite3_bind_double(add_, 6, r.money);
        sqlite3_bind_int64(add_, 7, r.connections);
        ok = sqlite3_step(add_) == SQLITE_DONE;
        sqlite3_reset(add_);
    }
    if (add_) sqlite3_clear_bindings(add_);
    if (ok) ok = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (ok) return true;
    fail("не удалось записать");
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

std::optional<std::vector<HistoryRecord>> HistoryDb::read(const std::string& entry,
                                                          const std::string& from) {
    error_.clear();
    std::vector<HistoryRecord> out;
    struct stat st {};
    if (!db_ && ::stat(path_.c_str(), &st) != 0) return out;
    if (!open(false)) return std::nullopt;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_,
                           "SELECT day, entry, seconds, received, sent, money, connections"
                           " FROM days WHERE (?1 = '' OR entry = ?1) AND day >= ?2"
                           " ORDER BY day, entry",
                           -1, &raw, nullptr) != SQLITE_OK) {
        fail("не удалось прочитать");
        return std::nullopt;
    }
    Statement s(raw);
    sqlite3_bind_text(s.get(), 1, entry.data(), static_cast<int>(entry.size()), SQLITE_STATIC);
    sqlite3_bind_text(s.get(), 2, from.data(), static_cast<int>(from.size()), SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        auto text = [&](int column) {
            const auto* p = sqlite3_column_text(s.get(), column);
            return p ? std::string(reinterpret_cast<const char*>(p)) : std::string();
        };
        out.push_back({text(0), text(1), sqlite3_column_int64(s.get(), 2),
                       sqlite3_column_int64(s.get(), 3), sqlite3_column_int64(s.get(), 4),
                       sqlite3_column_double(s.get(), 5), sqlite3_column_int64(s.get(), 6)});
    }
    if (rc != SQLITE_DONE) {
        fail("не удалось прочитать");
        return std::nullopt;
    }
    return out;
}

}  // namespace velmor
