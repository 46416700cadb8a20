#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/cipher.h"
#include "app/list_grammar.h"
#include "app/settings.h"
#include "platform/machine.h"
#include "platform/virtual_loop.h"
#include "support/process.h"

using namespace velmor;
using velmor::test::ProcessResult;
namespace fs = std::filesystem;

namespace {

struct Quiet : SettingsHooks {
    void reportError(const std::string&) override {}
};

class VelmorctlSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-ctl-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        path_ = dir_ + "/Velmor.ini";
        std::ofstream(dir_ + "/phonebook.ini")
            << "[Домашний]\nDevice=sim\nPhoneNumber=5551234\n"
               "[Новый]\nDevice=sim\nPhoneNumber=111\nAlternatePhoneNumbers=222;333\n"
               "UserName=гость\n";
    }
    // The program password, where a command takes one, comes on standard input.
    ProcessResult velmorctl(const std::vector<std::string>& args) const {
        return velmor::test::runProcess(velmor::test::binary("velmorctl"), args,
                                        {"VELMOR_PHONEBOOK=" + dir_ + "/phonebook.ini"}, 20000,
                                        "пароль\n");
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string raw() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // A settings file as written by another computer: its machine key differs from ours.
    void writeForeignFile() {
        VirtualLoop loop;
        MainForm f;
        f.conn.ComboBox1.items = {"Домашний"};
        f.conn.ComboBox1.itemIndex = 0;
        f.state.lockPassword = "пароль";
        f.state.machineKey = machineBinding("").machineKey == "1111" ? "2222" : "1111";
        f.phones = {{"5551234", ItemMark::Excluded}};
        f.logins = {{"иван", "секрет", "10.5", '-', ItemMark::Normal}};
        f.stats.inInternetAll = 3724;
        Profile p(path_);
        Quiet q;
        Settings(f, p, loop, q).SaveSettings("Домашний");
    }

    std::string dir_, path_;
};

}  // namespace

TEST_F(VelmorctlSettings, DumpShowsWhatTheProgramLoadsWithPasswordsMasked) {
    writeForeignFile();
    const ProcessResult r =
        velmorctl({"dump", "--settings", path_, "--entry", "Домашний", "--password-file", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Entry=Домашний\n"), std::string::npos);
    EXPECT_NE(r.out.find("Phone 0: 5551234 [excluded]"), std::string::npos);
    EXPECT_NE(r.out.find("Login 0: иван password=******** money=10.5 (10,50) flag=- [normal]"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("секрет"), std::string::npos);
    EXPECT_NE(r.out.find("InInternetAll=3724 (0.01:02:04)"), std::string::npos);
}

TEST_F(VelmorctlSettings, ResaveWithThePasswordMovesTheFileToThisComputer) {
    writeForeignFile();
    // On this computer the stored program password deciphers into something else.
    ProcessResult r = velmorctl({"dump", "--settings", path_, "--entry", "Домашний"});
    EXPECT_EQ(r.out.find("Login 0: иван "), std::string::npos);

    r = velmorctl({"resave", "--settings", path_, "--entry", "Домашний", "--password-file", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    Profile p(path_);
    EXPECT_EQ(
        decipherText(machineBinding("").machineKey, p.readString("Brontavel", "LockPass", "")),
        "пароль");
    r = velmorctl({"dump", "--settings", path_, "--entry", "Домашний"});
    EXPECT_NE(r.out.find("Login 0: иван "), std::string::npos) << r.out;
}

TEST_F(VelmorctlSettings, BadInputLeavesTheFileUntouched) {
    writeForeignFile();
    {
        Profile p(path_);
        p.writeString("RAS_Entry_Домашний", "InCurrentAll", "12x");
    }
    const std::string before = raw();
    ProcessResult r =
        velmorctl({"resave", "--settings", path_, "--entry", "Домашний", "--password-file", "-"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'12x' is not a valid integer value."), std::string::npos) << r.err;
    EXPECT_EQ(raw(), before);

    r = velmorctl({"resave", "--settings", dir_ + "/missing.ini", "--entry", "x"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no settings file"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ + "/missing.ini"));
    r = velmorctl({"resave", "--settings", path_});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
    EXPECT_EQ(raw(), before);
}

TEST_F(VelmorctlSettings, ResaveSeedsLikeTheProgramAndRefusesUnknownEntries) {
    writeForeignFile();
    // An entry without a section gets its lists from the phonebook, as the program fills them.
    ProcessResult r =
        velmorctl({"resave", "--settings", path_, "--entry", "Новый", "--password-file", "-"});
    ASSERT_EQ(r.status, 0) << r.err;
    Profile p(path_);
    EXPECT_EQ(p.readString("RAS_Entry_Новый", "Phone_2", ""), "333");
    EXPECT_EQ(
        decipherText("пароль",
                     parseLoginValue(p.readString("RAS_Entry_Новый", "Login_0", "")).cipherText),
        "гость");
    r = velmorctl({"dump", "--settings", path_, "--entry", "Новый"});
    EXPECT_NE(r.out.find("Phone 1: 222 [normal]"), std::string::npos) << r.out;

    const std::string before = raw();
    for (const char* command : {"resave", "dump"}) {
        r = velmorctl({command, "--settings", path_, "--entry", "Чужой", "--password-file", "-"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("no entry \"Чужой\" in the phonebook"), std::string::npos) << r.err;
    }
    EXPECT_EQ(raw(), before);
}

TEST_F(VelmorctlSettings, TheDriveBindsTheProgramPasswordAsTheProgramsFirstArgument) {
    writeForeignFile();
    const std::string drive = dir_ + "/no-such-drive";  // serial 0: its key is empty
    ProcessResult r = velmorctl({"resave", "--settings", path_, "--entry", "Домашний",
                                 "--password-file", "-", "--drive", drive});
    ASSERT_EQ(r.status, 0) << r.err;
    Profile p(path_);
    EXPECT_EQ(
        decipherText(machineBinding(drive).machineKey, p.readString("Brontavel", "LockPass", "")),
        "пароль");
    r = velmorctl({"dump", "--settings", path_, "--entry", "Домашний", "--drive", drive});
    EXPECT_NE(r.out.find("Login 0: иван "), std::string::npos) << r.out;
}
