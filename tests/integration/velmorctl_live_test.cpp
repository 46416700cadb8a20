// velmorctl history and log: the daily history as a table and as CSV, and the event log in the
// terminal's character set, also followed while it grows.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>

#include "platform/codepage.h"
#include "platform/history_db.h"
#include "support/files.h"
#include "support/process.h"

using velmor::test::readFile;
using velmor::test::writeFile;
namespace fs = std::filesystem;

namespace {

class VelmorctlLive : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-ctl-live-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }
    velmor::test::ProcessResult velmorctl(const std::vector<std::string>& args,
                                          const std::string& locale = "ru_RU.UTF-8") const {
        return velmor::test::runProcess(velmor::test::binary("velmorctl"), args,
                                        {"VELMOR_HOME=" + dir_, "LC_ALL=" + locale});
    }
    void appendLog(const std::string& utf8) const {
        std::ofstream(dir_ + "/Velmor.log", std::ios::binary | std::ios::app)
            << velmor::utf8ToCp1251(utf8);
    }

    std::string dir_;
};

}  // namespace

TEST_F(VelmorctlLive, HistoryAsATableOrCsvOfAllEntriesOrOne) {
    {
        velmor::HistoryDb db(dir_ + "/history.sqlite");
        ASSERT_TRUE(db.add({{"2027-01-31", "Дом, \"работа\"", 3724, 1500, 300, 1.25, 2},
                            {"2027-02-01", "Тест", 59, 1048, 0, 0, 1}}))
            << db.error();
    }
    auto r = velmorctl({"history", "--csv"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "day,entry,seconds,received_kb,sent_kb,money,connections\n"
              "2027-01-31,\"Дом, \"\"работа\"\"\",3724,1500,300,1.25,2\n"
              "2027-02-01,Тест,59,1048,0,0,1\n");
    // As the statistics pages show the figures, in the columns of the head.
    r = velmorctl({"history", "--entry", "Тест"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto end = r.out.find('\n');
    ASSERT_NE(end, std::string::npos);
    const std::string row = r.out.substr(end + 1);
    EXPECT_EQ(row.find("2027-02-01  Тест"), 0u) << row;
    EXPECT_NE(row.find("0.00:00:59   1,02 / 0,00"), std::string::npos) << row;
    EXPECT_EQ(row.find("2027-01-31"), std::string::npos);
    EXPECT_EQ(velmor::utf8Length(r.out.substr(0, r.out.find("На линии"))),
              velmor::utf8Length(row.substr(0, row.find("0.00:00:59"))));
    // A terminal without Cyrillic gets its nearest letters.
    r = velmorctl({"history", "--entry", "Тест"}, "C");
    EXPECT_NE(r.out.find("2027-02-01  Test"), std::string::npos) << r.out;

    // A file that is not a history: said, and left as it is.
    const std::string junk(5000, 'x');
    writeFile(dir_ + "/history.sqlite", junk);
    r = velmorctl({"history"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir_ + "/history.sqlite"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(dir_ + "/history.sqlite"), junk);
}

TEST_F(VelmorctlLive, LogInTheTerminalsCharacterSetFollowedLineByLine) {
    appendLog("07.12.2026 0:30:15 --- Запуск Velmor 0.97\r\n");
    auto r = velmorctl({"log"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "07.12.2026 0:30:15 --- Запуск Velmor 0.97\n");
    r = velmorctl({"log"}, "C");
    EXPECT_EQ(r.out, "07.12.2026 0:30:15 --- Zapusk Velmor 0.97\n");

    velmor::test::ChildProcess follow(velmor::test::binary("velmorctl"), {"log", "--follow"},
                                      {"VELMOR_HOME=" + dir_, "LC_ALL=ru_RU.UTF-8"});
    ASSERT_TRUE(follow.waitForOutput("Запуск Velmor 0.97\n")) << follow.err();
    // A line still being written waits for its end.
    appendLog("07.12.2026 0:30:16 --- Жду Ваших приказаний\r\n07.12.2026 0:30:17 --- Иници");
    ASSERT_TRUE(follow.waitForOutput("Жду Ваших приказаний\n")) << follow.err();
    appendLog("ализация соединения\r\n");
    ASSERT_TRUE(follow.waitForOutput("Инициализация соединения\n")) << follow.out();
    // A log started anew is shown from its beginning.
    writeFile(dir_ + "/Velmor.log", velmor::utf8ToCp1251("08.12.2026 9:00:00 --- Новый\r\n"));
    ASSERT_TRUE(follow.waitForOutput("Новый\n")) << follow.out();
    follow.signal(SIGTERM);
    EXPECT_EQ(follow.wait().out,
              "07.12.2026 0:30:15 --- Запуск Velmor 0.97\n"
              "07.12.2026 0:30:16 --- Жду Ваших приказаний\n"
              "07.12.2026 0:30:17 --- Инициализация соединения\n"
              "08.12.2026 9:00:00 --- Новый\n");
}
