#include "app/program_entry.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/codepage.h"
#include "ras_test_support.h"
#include "scripted_ui.h"

using namespace velmor;
using velmor::test::ScriptedUI;
namespace fs = std::filesystem;

TEST(ProgramEntry, CommandLine) {
    auto o = parseProgramOptions({"--headless", "--entry", "Дом", "--dial", "/mnt/usb"});
    EXPECT_TRUE(o.headless);
    EXPECT_TRUE(o.dial);
    EXPECT_EQ(o.entry, "Дом");
    EXPECT_EQ(o.firstArgument, "/mnt/usb");
    o = parseProgramOptions({"d"});
    EXPECT_FALSE(o.headless);
    EXPECT_EQ(o.firstArgument, "d");
    EXPECT_EQ(parseProgramOptions({"--", "--odd"}).firstArgument, "--odd");
    EXPECT_THROW(parseProgramOptions({"--entry"}), std::invalid_argument);
    EXPECT_THROW(parseProgramOptions({"--bogus"}), std::invalid_argument);
    EXPECT_THROW(parseProgramOptions({"a", "b"}), std::invalid_argument);
}

TEST(ProgramEntry, DamagedSettingsFileQuestion) {
    velmor::test::TempDir dir;
    const std::string ini = dir.file("Velmor.ini");
    ScriptedUI ui;
    EXPECT_TRUE(checkSettingsFile(ini, ui));  // no file: nothing to check
    // The length counts the file's characters: two Cyrillic letters are two.
    for (const char* whole : {"QUJD", "ЖЖAB"}) {
        velmor::test::writeFile(
            ini, utf8ToCp1251("[Brontavel]\r\nLockPass=" + std::string(whole) + "\r\n"));
        EXPECT_TRUE(checkSettingsFile(ini, ui));
        EXPECT_TRUE(ui.messages.empty());
    }

    std::vector<std::string> kept;
    for (const std::string& damaged : std::vector<std::string>{
             "[Brontavel]\r\nLockPass=\r\n", "", "[Brontavel]\r\nLockPass=QUJ\r\n",
             "[Brontavel]\r\nPhone_0=1\r\n", utf8ToCp1251("[Brontavel]\r\nLockPass=ЖЖ\r\n")}) {
        velmor::test::writeFile(ini, damaged);
        ui.messages.clear();
        ui.answers = {MessageResult::Ignore};
        EXPECT_FALSE(checkSettingsFile(ini, ui));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, kDamagedSettingsMessage);
        EXPECT_EQ(ui.messages[0].buttons, MessageButtons::OkIgnore);
        EXPECT_EQ(velmor::test::readFile(ini), damaged);  // untouched

        ui.answers = {MessageResult::Ok};
        EXPECT_TRUE(checkSettingsFile(ini, ui));
        EXPECT_FALSE(fs::exists(ini));
        if (!damaged.empty()) kept.push_back(damaged);
    }
    // Each damaged file is kept for recovery under a name of its own; an empty one holds nothing.
    EXPECT_EQ(velmor::test::readFile(ini + ".bak"), kept[0]);
    EXPECT_EQ(velmor::test::readFile(ini + ".1.bak"), kept[1]);
    EXPECT_EQ(velmor::test::readFile(ini + ".2.bak"), kept[2]);
    EXPECT_EQ(velmor::test::readFile(ini + ".3.bak"), kept[3]);
    EXPECT_FALSE(fs::exists(ini + ".4.bak"));
}

TEST(ProgramEntry, OnlyAnotherRunningCopyEndsSilently) {
    velmor::test::TempDir dir;
    ScriptedUI ui;
    InstanceLock first(dir.file("velmor.lock"));
    EXPECT_EQ(checkSingleInstance(first, ui), InstanceCheck::Run);
    InstanceLock second(dir.file("velmor.lock"));
    EXPECT_EQ(checkSingleInstance(second, ui), InstanceCheck::AnotherRuns);
    EXPECT_TRUE(ui.messages.empty());
    // A lock file that cannot be opened (here a folder in its place) is said, not swallowed.
    fs::create_directory(dir.file("taken.lock"));
    InstanceLock broken(dir.file("taken.lock"));
    EXPECT_EQ(checkSingleInstance(broken, ui), InstanceCheck::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find(dir.file("taken.lock")), std::string::npos);
}
