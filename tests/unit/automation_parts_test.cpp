// The pieces of the automation: parameter splitting, WAV headers, file filters, the power-off
// command, killing by path and the alarm clocks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "automation/alarm_clock.h"
#include "automation/command_line.h"
#include "automation/launched_programs.h"
#include "automation_fakes.h"
#include "form/file_filter.h"
#include "platform/linux/systemctl_shutdown.h"
#include "platform/virtual_loop.h"
#include "platform/wav.h"
#include "ras_test_support.h"

using namespace velmor;

namespace {

using Args = std::vector<std::string>;

void put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8 & 0xFF);
}
void put32(std::string& s, unsigned v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// A WAVE file: "fmt " of the given fields, optional chunks before the data, the data bytes.
std::string wave(unsigned tag, unsigned channels, unsigned rate, unsigned bits,
                 std::size_t dataBytes, const std::string& before = {}, long declaredData = -1) {
    std::string fmt;
    put16(fmt, tag);
    put16(fmt, channels);
    put32(fmt, rate);
    put32(fmt, rate * channels * bits / 8);
    put16(fmt, channels * bits / 8);
    put16(fmt, bits);
    if (tag == 0xFFFE) {
        put16(fmt, 22);
        put16(fmt, bits);
        put32(fmt, 3);
        put16(fmt, 1);  // the sub-format GUID begins with the PCM tag
        fmt += std::string(14, '\0');
    }
    std::string body = "WAVEfmt ";
    put32(body, static_cast<unsigned>(fmt.size()));
    body += fmt + before + "data";
    put32(body, declaredData >= 0 ? static_cast<unsigned>(declaredData)
                                  : static_cast<unsigned>(dataBytes));
    body += std::string(dataBytes, '\x10');
    std::string file = "RIFF";
    put32(file, static_cast<unsigned>(body.size()));
    return file + body;
}

std::optional<WavFormat> header(const std::string& bytes) {
    std::istringstream in(bytes);
    return readWavHeader(in);
}

}  // namespace

TEST(Parameters, SplitLikeAShellWithoutExpanding) {
    EXPECT_EQ(splitParameters("").args, Args{});
    EXPECT_EQ(splitParameters("  -a\t -b  ").args, (Args{"-a", "-b"}));
    EXPECT_EQ(splitParameters("--name \"два слова\" 'a \"b\" c'").args,
              (Args{"--name", "два слова", "a \"b\" c"}));
    EXPECT_EQ(splitParameters("x\"y z\"'w' \"\" ''").args, (Args{"xy zw", "", ""}));
    EXPECT_EQ(splitParameters(R"(a\ b "c\"d\\e\n" 'f\g')").args,
              (Args{"a b", "c\"d\\e\\n", "f\\g"}));
    EXPECT_EQ(splitParameters("$HOME * ~ `x`").args, (Args{"$HOME", "*", "~", "`x`"}));
    const SplitParameters open = splitParameters("-m 'не закрыта");
    EXPECT_FALSE(open.complete);
    EXPECT_EQ(open.args, (Args{"-m", "не закрыта"}));
    EXPECT_TRUE(splitParameters("'a' \"b\"").complete);
    EXPECT_FALSE(splitParameters("\"a").complete);
}

TEST(WavHeader, ReadsPcmFormatsAndRefusesTheRest) {
    auto mono = header(wave(1, 1, 8000, 16, 1000));
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->channels, 1);
    EXPECT_EQ(mono->sampleRate, 8000);
    EXPECT_EQ(mono->bitsPerSample, 16);
    EXPECT_EQ(mono->dataBytes, 1000u);
    auto stereo8 = header(wave(1, 2, 11025, 8, 301));
    ASSERT_TRUE(stereo8);
    EXPECT_EQ(stereo8->frameBytes(), 2);
    EXPECT_EQ(stereo8->dataBytes, 300u);  // whole frames only
    auto extensible = header(wave(0xFFFE, 2, 44100, 16, 400));
    ASSERT_TRUE(extensible);
    EXPECT_EQ(extensible->sampleRate, 44100);
    // Other chunks are skipped, an odd one with its pad byte.
    std::string list = "LIST";
    put32(list, 3);
    list += "abc";
    list += '\0';
    auto withList = header(wave(1, 1, 22050, 8, 10, list));
    ASSERT_TRUE(withList);
    EXPECT_EQ(withList->dataBytes, 10u);
    // A data size beyond the end of the file (a recording cut short) stops at the end.
    auto cut = header(wave(1, 1, 8000, 16, 100, {}, 0x7FFFFFF0));
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->dataBytes, 100u);

    EXPECT_FALSE(header(""));
    EXPECT_FALSE(header("Это не звук, а текст, достаточно длинный для заголовка."));
    std::string notWave = wave(1, 1, 8000, 16, 10);
    notWave.replace(8, 4, "AVI ");
    EXPECT_FALSE(header(notWave));
    EXPECT_FALSE(header(wave(3, 1, 8000, 32, 10)));  // floating point
    EXPECT_FALSE(header(wave(1, 1, 8000, 24, 12)));
    EXPECT_FALSE(header(wave(1, 3, 8000, 16, 12)));
    EXPECT_FALSE(header(wave(1, 0, 8000, 16, 12)));
    EXPECT_FALSE(header(wave(1, 1, 0, 16, 12)));
    std::string dataFirst = "RIFF";
    put32(dataFirst, 12);
    dataFirst += "WAVEdata";
    put32(dataFirst, 0);
    EXPECT_FALSE(header(dataFirst));
    EXPECT_FALSE(header(wave(1, 1, 8000, 16, 10).substr(0, 30)));  // cut inside the format
}

TEST(FileFilter, PairsOfDescriptionAndPatterns) {
    const auto items = parseFileFilter("Выполняемые файлы (*.exe)|*.exe|Все файлы|*.*");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].description, "Выполняемые файлы (*.exe)");
    EXPECT_EQ(items[0].patterns, Args{"*.exe"});
    EXPECT_EQ(items[1].patterns, Args{"*.*"});
    EXPECT_EQ(filterName(items[0].description), "Выполняемые файлы");
    EXPECT_EQ(filterName("Все файлы"), "Все файлы");
    const auto several = parseFileFilter("Звуки|*.wav; *.au|Без шаблона");
    ASSERT_EQ(several.size(), 2u);
    EXPECT_EQ(several[0].patterns, (Args{"*.wav", "*.au"}));
    EXPECT_EQ(several[1].patterns, Args{"*"});
    EXPECT_TRUE(parseFileFilter("").empty());
}

TEST(PowerOff, SystemctlCommandForTheFlagsAndNothingElse) {
    std::vector<Args> ran;
    SystemctlShutdown shutdown([&](const Args& argv) {
        ran.push_back(argv);
        return true;
    });
    EXPECT_TRUE(shutdown.ExitWindowsWithPrivilege(EWX_SHUTDOWN));
    EXPECT_TRUE(shutdown.ExitWindowsWithPrivilege(EWX_SHUTDOWN | EWX_FORCE));
    EXPECT_FALSE(shutdown.ExitWindowsWithPrivilege(0));          // log off: not ours
    EXPECT_FALSE(shutdown.ExitWindowsWithPrivilege(EWX_FORCE));  // forced log off
    // Forced: other programs cannot delay it, but the services still stop in order.
    EXPECT_EQ(ran, (std::vector<Args>{{"systemctl", "poweroff"},
                                      {"systemctl", "poweroff", "--ignore-inhibitors"}}));
    SystemctlShutdown refused([](const Args&) { return false; });
    EXPECT_FALSE(refused.ExitWindowsWithPrivilege(EWX_SHUTDOWN));
}

TEST(KillByPath, TheFileItselfOrTheInterpreterOfTheScriptOfThisUserOnly) {
    namespace fs = std::filesystem;
    const long me = static_cast<long>(::getuid());
    velmor::test::FakeProcesses procs;
    procs.running = {{10, "/opt/Mail/Почта", {}, "", me},
                     {11, "/usr/bin/mail", {}, "", me},
                     {12, "/opt/mail/почта", {}, "", me},
                     {13, "/opt/mail/почта", {}, "", me + 1},  // another user's
                     {static_cast<int>(::getpid()), "/opt/velmor/velmor", {}, "", me},
                     {14, "/opt/other/prog", {}, "", me}};
    EXPECT_TRUE(KillProgramByPath(procs, "/OPT/MAIL/ПОЧТА"));
    EXPECT_EQ(procs.terminated, (std::vector<int>{10, 12}));
    // A bare name matches the file-name part; a full path only the full path.
    EXPECT_TRUE(KillProgramByPath(procs, "MAIL"));
    EXPECT_EQ(procs.terminated.back(), 11);
    EXPECT_FALSE(KillProgramByPath(procs, "/elsewhere/prog"));
    EXPECT_FALSE(KillProgramByPath(procs, "/opt/velmor/velmor"));
    EXPECT_EQ(procs.runningCount("/opt/velmor/velmor"), 1);
    EXPECT_EQ(procs.runningCount("/opt/mail/почта"), 1);
    EXPECT_FALSE(KillProgramByPath(procs, ""));
    // Letters outside Windows-1251 match only themselves.
    procs.running = {{15, "/opt/Große/mail", {}, "", me}, {16, "/opt/Groùe/mail", {}, "", me}};
    EXPECT_TRUE(KillProgramByPath(procs, "/opt/Große/mail"));
    EXPECT_EQ(procs.runningCount("/opt/Groùe/mail"), 1);

    // Real files: a program, a link to it, a script for sh and one that env runs with sh.
    velmor::test::TempDir dir;
    const std::string folder = fs::canonical(dir.path).string();
    const std::string prog = folder + "/prog", link = folder + "/link";
    const std::string script = folder + "/run.sh", viaEnv = folder + "/tool";
    velmor::test::writeFile(prog,
                            "\x7f"
                            "ELF");
    fs::create_symlink(prog, link);
    velmor::test::writeFile(script, "#!/bin/sh\necho\n");
    velmor::test::writeFile(viaEnv, "#!/usr/bin/env -S sh -e\necho\n");
    const std::string sh = fs::canonical("/bin/sh").string();
    procs.terminated.clear();
    procs.running = {{20, prog, {prog}, "/", me},
                     {21, prog, {"./prog"}, folder, me},
                     {22, sh, {"/bin/sh", script}, "/", me},
                     {23, sh, {"sh", "-e", "run.sh", "x"}, folder, me},
                     {24, sh, {"sh", "/etc/profile"}, "/", me},
                     {25, "/usr/bin/vi", {"vi", script}, "/", me},  // editing it is not running it
                     {26, sh, {"/bin/sh", script}, "/", me + 1},
                     {27, sh, {"sh", "-e", viaEnv}, "/", me}};
    // A stored link ends the link's target only where it was started through the link.
    EXPECT_FALSE(KillProgramByPath(procs, link));
    EXPECT_TRUE(KillProgramByPath(procs, link, {21}));
    EXPECT_EQ(procs.terminated, std::vector<int>{21});
    EXPECT_TRUE(KillProgramByPath(procs, prog));
    EXPECT_TRUE(KillProgramByPath(procs, script));
    EXPECT_TRUE(KillProgramByPath(procs, viaEnv));
    EXPECT_EQ(procs.terminated, (std::vector<int>{21, 20, 22, 23, 27}));
}

TEST(AlarmClock, RingsOnceInItsMinuteAndAgainTheNextDay) {
    VirtualLoop loop;
    loop.setLocalDateTime({2026, 12, 7, 11, 58, 30, 0});
    ScheduleClocks clocks(loop, {});
    std::vector<LocalDateTime> rang;
    clocks.DialClock.OnAlarm = [&] { rang.push_back(loop.now()); };
    clocks.start();
    clocks.DialClock.setAlarmHour(12);
    clocks.DialClock.setAlarmMinute(0);
    EXPECT_TRUE(clocks.DialClock.waiting());
    loop.advance(60000);
    EXPECT_TRUE(rang.empty());  // not armed
    clocks.DialClock.AlarmEnabled = true;
    clocks.alarmsChanged();
    loop.advance(60000);  // to 12:00:30
    ASSERT_EQ(rang.size(), 1u);
    EXPECT_EQ(rang[0].hour, 12);
    EXPECT_EQ(rang[0].minute, 0);
    EXPECT_EQ(rang[0].second, 0);
    EXPECT_LT(rang[0].millisecond, ScheduleClocks::kTickMs);
    EXPECT_FALSE(clocks.DialClock.waiting());
    loop.advance(12 * 3600 * 1000LL);  // past midnight: waiting again
    EXPECT_TRUE(clocks.DialClock.waiting());
    EXPECT_EQ(rang.size(), 1u);
    loop.advance(12 * 3600 * 1000LL);
    ASSERT_EQ(rang.size(), 2u);
    EXPECT_EQ(rang[1].day, 8);

    // Set inside its own minute, an alarm counts as passed; midnight is the exception and rings
    // within one tick.
    loop.setLocalDateTime({2026, 12, 9, 0, 0, 20, 0});
    clocks.DialClock.setAlarmMinute(0);
    clocks.DialClock.setAlarmHour(0);
    EXPECT_TRUE(clocks.DialClock.waiting());
    clocks.alarmsChanged();
    loop.advance(ScheduleClocks::kTickMs);
    EXPECT_EQ(rang.size(), 3u);
    loop.setLocalDateTime({2026, 12, 9, 7, 30, 20, 0});
    clocks.DialClock.setAlarmHour(7);
    clocks.DialClock.setAlarmMinute(30);
    EXPECT_FALSE(clocks.DialClock.waiting());
    clocks.alarmsChanged();
    loop.advance(60000);
    EXPECT_EQ(rang.size(), 3u);
}

TEST(AlarmClock, TheTimerWakesOnlyForAlarmsAndForTheTimeOnScreen) {
    VirtualLoop loop;
    loop.setLocalDateTime({2026, 12, 7, 9, 5, 59, 900});
    std::vector<std::string> shown;
    ScheduleClocks clocks(loop, [&](const std::string& t) { shown.push_back(t); });
    std::vector<LocalDateTime> rang;
    clocks.DialClock.OnAlarm = [&] { rang.push_back(loop.now()); };
    clocks.start();
    EXPECT_EQ(shown, Args{"09:05"});
    // Out of sight and with no alarm armed, nothing wakes.
    std::uint64_t before = loop.firings();
    loop.advance(3600 * 1000LL);
    EXPECT_EQ(loop.firings(), before);
    EXPECT_EQ(loop.armedTimers(), 0);

    // On screen: the time at once, then once a minute.
    clocks.setDisplayed(true);
    loop.runPending();
    EXPECT_EQ(shown.back(), "10:05");
    before = loop.firings();
    loop.advance(3600 * 1000LL);
    EXPECT_EQ(loop.firings() - before, 60u);
    EXPECT_EQ(shown.back(), "11:05");
    clocks.setDisplayed(false);

    // An alarm at 12:00: the timer sleeps until its minute, then until its end and midnight.
    clocks.DialClock.setAlarmHour(12);
    clocks.DialClock.setAlarmMinute(0);
    clocks.DialClock.AlarmEnabled = true;
    clocks.alarmsChanged();
    before = loop.firings();
    loop.advance(55 * 60000LL);  // 12:00:59.9
    ASSERT_EQ(rang.size(), 1u);
    EXPECT_EQ(rang[0].minute, 0);
    EXPECT_LT(rang[0].second * 1000 + rang[0].millisecond, ScheduleClocks::kTickMs);
    EXPECT_EQ(loop.firings() - before, 1u);
    loop.advance(24 * 3600 * 1000LL);
    ASSERT_EQ(rang.size(), 2u);
    EXPECT_EQ(rang[1].day, 8);
    EXPECT_EQ(loop.firings() - before, 4u);

    // The clock set forward or back: the alarm still rings in its minute.
    loop.setLocalDateTime({2026, 12, 9, 11, 59, 58, 0});
    loop.advance(2500);
    ASSERT_EQ(rang.size(), 3u);
    EXPECT_EQ(rang[2].day, 9);
    // Back before the alarm, the same day: it has rung today, so it does not ring again.
    loop.setLocalDateTime({2026, 12, 9, 8, 0, 0, 0});
    loop.advance(3600 * 1000LL);
    EXPECT_FALSE(clocks.DialClock.waiting());
    loop.advance(3 * 3600 * 1000LL + 1000);
    EXPECT_EQ(rang.size(), 3u);
    loop.setLocalDateTime({2026, 12, 10, 11, 59, 59, 0});
    loop.advance(1500);
    ASSERT_EQ(rang.size(), 4u);
    EXPECT_EQ(rang[3].day, 10);
    // Another time on the same day still rings.
    clocks.DialClock.setAlarmHour(13);
    clocks.alarmsChanged();
    loop.advance(3600 * 1000LL);
    ASSERT_EQ(rang.size(), 5u);
    EXPECT_EQ(rang[4].hour, 13);
}
