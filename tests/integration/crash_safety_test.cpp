// Programs killed with SIGKILL at random moments while they write the settings file, the log or
// the daily history.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <thread>

#include "platform/codepage.h"
#include "platform/history_db.h"
#include "platform/profile.h"
#include "support/process.h"

namespace fs = std::filesystem;
using velmor::test::ChildProcess;

namespace {

constexpr int kKills = 200;

class CrashSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-crash-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        const unsigned seed = std::random_device{}();
        std::printf("seed %u\n", seed);
        rng_.seed(seed);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string raw(const std::string& name) const {
        std::ifstream in(dir_ + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Temporary files of the settings file's flushes, except those of a process still running.
    std::vector<std::string> temps(int runningPid = 0) const {
        std::vector<std::string> out;
        const std::string mine = "Velmor.ini.tmp-" + std::to_string(runningPid) + "-";
        for (const auto& e : fs::directory_iterator(dir_)) {
            const std::string name = e.path().filename().string();
            if (name.starts_with("Velmor.ini.tmp-") && !name.starts_with(mine)) out.push_back(name);
        }
        return out;
    }
    // Starts the writer, lets it write for a random while, kills it.
    void runAndKill(const std::vector<std::string>& args, int maxMs,
                    const std::function<void(int pid)>& whileRunning = {},
                    std::string* out = nullptr) {
        ChildProcess p(velmor::test::binary("velmor_crash_writer"), args);
        ASSERT_TRUE(p.waitForOutput("ready")) << p.err();
        if (whileRunning) whileRunning(p.pid());
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, maxMs * 1000)(rng_)));
        p.signal(SIGKILL);
        const auto r = p.wait();
        ASSERT_EQ(r.signal, SIGKILL) << r.err;
        if (out) *out = r.out;
    }

    std::string dir_;
    std::mt19937 rng_;
};

}  // namespace

TEST_F(CrashSafety, AKilledSaveLeavesTheOldOrTheNewFileAndNoTemporaryOne) {
    ASSERT_EQ(velmor::test::runProcess(velmor::test::binary("velmor_crash_writer"),
                                       {"settings", dir_, "ref"})
                  .status,
              0);
    const std::string a = raw("a.ini"), b = raw("b.ini");
    ASSERT_NE(a, b);
    ASSERT_GT(a.size(), 5000u);  // every list full
    fs::copy_file(dir_ + "/a.ini", dir_ + "/Velmor.ini");
    int old = 0, changed = 0, leftTemp = 0;
    for (int i = 0; i < kKills && !HasFailure(); ++i) {
        const std::string before = raw("Velmor.ini");
        runAndKill({"settings", dir_, "loop"}, 20, [&](int pid) {
            // The start removed what an earlier killed save left.
            EXPECT_EQ(temps(pid), std::vector<std::string>{}) << "kill " << i;
        });
        const std::string after = raw("Velmor.ini");
        ASSERT_TRUE(after == a || after == b) << "kill " << i << ": " << after.size() << " bytes";
        ++(after == before ? old : changed);
        leftTemp += !temps().empty();
        // Every value reads back (the file parses).
        velmor::Profile p(dir_ + "/Velmor.ini");
        EXPECT_EQ(p.readString("RAS_Entry_Домашний", "Phone_50", "").size() > 0, true);
    }
    std::printf("%d kills: %d left the file as it was, %d after a save; %d left a temporary file\n",
                kKills, old, changed, leftTemp);
    EXPECT_GT(changed, 0);
    // The next start cleans up.
    ChildProcess last(velmor::test::binary("velmor_crash_writer"), {"settings", dir_, "start"});
    ASSERT_TRUE(last.waitForOutput("ready"));
    EXPECT_EQ(last.wait().status, 0);
    EXPECT_EQ(temps(), std::vector<std::string>{});
}

TEST_F(CrashSafety, AKilledLogLosesAtMostItsLastLine) {
    // "07.12.2026 12:00:00 --- Запуск R строка N ....": every line whole, in order per run.
    const std::regex line(
        R"(\d\d\.\d\d\.\d{4} \d+:\d\d:\d\d --- Запуск (\d+) строка (\d+) \.{40})");
    long lines = 0;
    int cut = 0, lastRun = -1;
    long lastN = -1;
    std::string verified;  // the whole lines seen so far: never to change
    for (int run = 0; run < kKills && !HasFailure(); ++run) {
        runAndKill({"log", dir_, std::to_string(run), "loop"}, 1);
        const std::string text = velmor::cp1251ToUtf8(raw("Velmor.log"));
        ASSERT_TRUE(text.starts_with(verified)) << "an earlier line changed at kill " << run;
        std::size_t at = verified.size();
        while (at < text.size()) {
            const std::size_t end = text.find("\r\n", at);
            if (end == std::string::npos) {  // the last line, cut short by the kill
                ++cut;
                break;
            }
            std::smatch m;
            const std::string l = text.substr(at, end - at);
            ASSERT_TRUE(std::regex_match(l, m, line)) << "after kill " << run << ": " << l;
            const int r = std::stoi(m[1]);
            const long n = std::stol(m[2]);
            ASSERT_TRUE(r > lastRun ? n == 0 : (r == lastRun && n == lastN + 1)) << l;
            lastRun = r;
            lastN = n;
            ++lines;
            at = end + 2;
        }
        verified = text.substr(0, at);
    }
    std::printf("%d kills, %ld whole lines, %d kills cut a line short\n", kKills, lines, cut);
    EXPECT_GT(lines, kKills);
    // The next run drops a line left cut short before it writes its own.
    ASSERT_EQ(velmor::test::runProcess(velmor::test::binary("velmor_crash_writer"),
                                       {"log", dir_, std::to_string(kKills), "once"})
                  .status,
              0);
    const std::string text = velmor::cp1251ToUtf8(raw("Velmor.log"));
    EXPECT_TRUE(text.ends_with(" строка 0 ........................................\r\n"));
}

TEST_F(CrashSafety, AKilledHistoryWriteKeepsEveryWriteItMadeAndAWholeFile) {
    const std::string file = dir_ + "/history.sqlite";
    std::int64_t before = 0;  // the seconds kept after the runs before
    int runsWritten = 0, lastWriteCut = 0;
    for (int run = 0; run < kKills / 2 && !HasFailure(); ++run) {
        std::string out;
        runAndKill({"history", dir_}, 20, {}, &out);
        // The last write the run reported as done (one more may have got through unreported).
        std::int64_t reported = 0;
        for (std::size_t at = out.find("written "); at != std::string::npos;
             at = out.find("written ", at + 1)) {
            if (out.find('\n', at) != std::string::npos) reported = std::stoll(out.substr(at + 8));
        }
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        std::string check;
        sqlite3_exec(
            db, "PRAGMA integrity_check",
            [](void* c, int, char** v, char**) {
                *static_cast<std::string*>(c) += v[0];
                return 0;
            },
            &check, nullptr);
        sqlite3_close(db);
        ASSERT_EQ(check, "ok") << "run " << run;
        velmor::HistoryDb history(file);
        const auto rows = history.read("", "");
        ASSERT_TRUE(rows) << history.error();
        ASSERT_LE(rows->size(), 1u) << "run " << run;  // none before the first write
        const velmor::HistoryRecord r = rows->empty() ? velmor::HistoryRecord{} : rows->front();
        // Every write is whole: its minute of time, traffic and money together.
        const std::int64_t kept = r.seconds - before;
        EXPECT_EQ(kept % 60, 0) << "run " << run;
        EXPECT_GE(kept, reported) << "run " << run;
        EXPECT_LE(kept, reported + 60) << "run " << run;
        EXPECT_EQ(r.received, 3 * r.seconds);
        EXPECT_EQ(r.sent, r.seconds);
        EXPECT_NEAR(r.money, 0.001 * static_cast<double>(r.seconds), 1e-6);
        runsWritten += kept > 0;
        lastWriteCut += kept > reported;
        EXPECT_EQ(r.connections, runsWritten);
        before = r.seconds;
    }
    std::printf(
        "%d kills: %d wrote, %lld seconds kept, %d kills came between a write and its "
        "report\n",
        kKills / 2, runsWritten, static_cast<long long>(before), lastWriteCut);
    EXPECT_GT(runsWritten, kKills / 4);
}
