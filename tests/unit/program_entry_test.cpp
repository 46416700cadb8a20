#include "app/program_entry.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    velmor::test::writeFile(ini, "[Brontavel]\r\nLockPass=QUJD\r\n");
    EXPECT_TRUE(checkSettingsFile(ini, ui));
    EXPECT_TRUE(ui.messages.empty());

    for (const char* damaged :
         {"", "[Brontavel]\r\nLockPass=\r\n", "[Brontavel]\r\nLockPass=QUJ\r\n",
          "[Brontavel]\r\nPhone_0=1\r\n"}) {
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
        EXPECT_EQ(velmor::test::readFile(ini + ".bak"), damaged);  // kept for recovery
    }
}
