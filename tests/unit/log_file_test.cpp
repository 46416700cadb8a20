#include "desktop/log_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/virtual_loop.h"

#include "temp_dir.h"

using namespace velmor;
namespace fs = std::filesystem;

namespace {

using velmor::test::TempDir;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// "Запуск" in Windows-1251.
const std::string kStart = "\xC7\xE0\xEF\xF3\xF1\xEA Velmor 0.97";

// The log as the program sets it up.
struct ProgramLog {
    TempDir dir;
    VirtualLoop loop;
    TLogFile log{loop, dir.path.string(), LocaleFormat::russian()};
    std::vector<std::string> seen;
    ProgramLog() {
        loop.setLocalDateTime({2026, 12, 7, 0, 30, 15, 0});
        log.LogFileName = "Velmor.log";
        log.IncDateTime = true;
        log.IncSeparator = true;
        log.Separator = " --- ";
        log.onLine = [this](const std::string& line) { seen.push_back(line); };
        log.Loaded();
    }
    fs::path file() const { return dir.path / "Velmor.log"; }
};

}  // namespace

TEST(LogFile, ProgramStartWritesDatedWindows1251Lines) {
    ProgramLog p;
    EXPECT_FALSE(fs::exists(p.file()));  // nothing is created before the first line

    // The start form: an empty line without time stamp, then the dated start line.
    p.log.IncDateTime = false;
    p.log.IncSeparator = false;
    p.log.AddLine("", 0, 0);
    p.log.IncDateTime = true;
    p.log.IncSeparator = true;
    p.log.AddLine("Запуск Velmor 0.97", 0, 0);
    EXPECT_EQ(p.log.LogFileName, (p.dir.path / "Velmor.log").string());
    EXPECT_EQ(readFile(p.file()), "\r\n07.12.2026 0:30:15 --- " + kStart + "\r\n");

    // An empty text with both on: the time stamp and separator alone; the next second appends.
    p.loop.advance(1000);
    p.log.AddLine("");
    EXPECT_EQ(readFile(p.file()),
              "\r\n07.12.2026 0:30:15 --- " + kStart + "\r\n07.12.2026 0:30:16 --- \r\n");
    EXPECT_EQ(p.seen, (std::vector<std::string>{"", "07.12.2026 0:30:15 --- Запуск Velmor 0.97",
                                                "07.12.2026 0:30:16 --- "}));
}

TEST(LogFile, LineIsBuiltFromTheSwitchedParts) {
    ProgramLog p;
    writeFile(p.file(), "old line\r\n");
    p.log.IncPrefix = true;
    p.log.Prefix = "[";
    p.log.IncSuffix = true;
    p.log.Suffix = "]";
    p.log.DateTimeFormatStr = "yyyy-mm-dd hh:nn:ss";
    p.log.AddLine("x", 2, 1);
    p.log.DateTimeFormatStr = "";  // empty counts as "c"
    p.log.Prefix = "Ж";            // the prefix goes through the code page as well
    p.log.AddLine("y", -1, 0);     // negative counts write no blank lines
    EXPECT_EQ(readFile(p.file()),
              "old line\r\n\r\n\r\n[2026-12-07 00:30:15 --- x]\r\n\r\n"
              "\xC6"
              "07.12.2026 0:30:15 --- y]\r\n");
    // Blank lines are not reported as lines.
    EXPECT_EQ(p.seen, (std::vector<std::string>{"[2026-12-07 00:30:15 --- x]",
                                                "Ж07.12.2026 0:30:15 --- y]"}));
}

TEST(LogFile, NamesAreResolvedAgainstTheProgramDirectory) {
    TempDir dir;
    VirtualLoop loop;
    for (std::string programDir :
         {dir.path.string(), dir.path.string() + "/", dir.path.string() + "//"}) {
        TLogFile log(loop, programDir, LocaleFormat::russian());
        log.LogFileName = "x.log";
        log.AddLine("a");
        EXPECT_EQ(log.LogFileName, (dir.path / "x.log").string());
        log.AddLine("b");  // the resolved name is kept and not prefixed again
        EXPECT_EQ(log.LogFileName, (dir.path / "x.log").string());
    }
    EXPECT_EQ(readFile(dir.path / "x.log"), "a\r\nb\r\na\r\nb\r\na\r\nb\r\n");

    TempDir other;
    TLogFile log(loop, dir.path.string(), LocaleFormat::russian());
    log.LogFileName = (other.path / "abs.log").string();
    log.AddLine("abs");
    EXPECT_EQ(log.LogFileName, (other.path / "abs.log").string());
    EXPECT_EQ(readFile(other.path / "abs.log"), "abs\r\n");

    // Drive-letter and network names are opened unchanged (here: relative to the working
    // directory).
    const fs::path savedCwd = fs::current_path();
    fs::current_path(other.path);
    for (const char* name : {"D:\\logs\\x.log", "\\\\server\\share\\x.log"}) {
        log.LogFileName = name;
        log.AddLine("kept");
        EXPECT_EQ(log.LogFileName, name);
        EXPECT_EQ(readFile(other.path / name), "kept\r\n");
    }
    fs::current_path(savedCwd);
}

TEST(LogFile, UnwritableLogDropsTheLineSilently) {
    ProgramLog p;
    // A directory in place of the file fails to open even for root.
    fs::create_directory(p.file());
    EXPECT_NO_THROW(p.log.AddLine("lost"));
    EXPECT_TRUE(fs::is_directory(p.file()));
    EXPECT_EQ(p.seen.size(), 1u);  // still reported to the echo

    p.log.LogFileName = (p.dir.path / "missing" / "x.log").string();
    EXPECT_NO_THROW(p.log.AddLine("lost"));
    EXPECT_FALSE(fs::exists(p.dir.path / "missing"));
    p.log.ClearonCreate = true;
    EXPECT_NO_THROW(p.log.Loaded());
}

TEST(LogFile, OverwriteAndClearOnCreate) {
    ProgramLog p;
    p.log.IncDateTime = false;
    p.log.IncSeparator = false;
    writeFile(p.file(), "kept\r\n");
    p.log.Loaded();  // ClearonCreate off: the file stays as it is
    EXPECT_EQ(readFile(p.file()), "kept\r\n");

    p.log.OverwriteExistingFile = true;
    p.log.AddLine("one");
    p.log.AddLine("two");
    EXPECT_EQ(readFile(p.file()), "two\r\n");

    p.log.ClearonCreate = true;
    p.log.Loaded();
    EXPECT_EQ(readFile(p.file()), "");
    fs::remove(p.file());
    p.log.Loaded();  // a missing file is created empty
    EXPECT_TRUE(fs::exists(p.file()));
    EXPECT_EQ(fs::file_size(p.file()), 0u);
}
