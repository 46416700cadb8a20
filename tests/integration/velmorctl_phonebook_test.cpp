#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/process.h"

using velmor::test::ProcessResult;
namespace fs = std::filesystem;

TEST(VelmorctlPhonebook, ListsEntriesAndReportsBadValues) {
    char tmpl[] = "/tmp/velmor-pb-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string book = dir + "/phonebook.ini";
    const auto ctl = velmor::test::binary("velmorctl");

    // A missing phonebook is created with the demonstration entry, as the program does.
    ProcessResult r = velmor::test::runProcess(ctl, {"phonebook"}, {"VELMOR_PHONEBOOK=" + book});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Демо-провайдер\tDevice=sim\tNumbers=555-0101;555-0102;555-0103\tUser=demo\t"
              "Password=(none saved)\n");

    std::ofstream(book, std::ios::app) << "[Аэро]\nDevice=/dev/ttyS0\nPhoneNumber=123\n"
                                          "[Бета]\nDevice=sim\nSimSpeed=fast\n";
    r = velmor::test::runProcess(ctl, {"phonebook", "--phonebook", book});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("Аэро\tDevice=/dev/ttyS0\tNumbers=123\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Бета\tDevice=sim"), std::string::npos);
    EXPECT_NE(r.err.find("«Бета»"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("SimSpeed"), std::string::npos);
    fs::remove_all(dir);
}
