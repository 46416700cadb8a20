#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/cipher.h"
#include "platform/machine.h"
#include "support/process.h"

namespace {

using velmor::test::ProcessResult;

ProcessResult velmorctl(const std::vector<std::string>& args) {
    return velmor::test::runProcess(velmor::test::binary("velmorctl"), args);
}

}  // namespace

TEST(VelmorctlCrypto, EncryptDecryptRoundTrip) {
    ProcessResult enc = velmorctl({"encrypt", "--key", "Пароль", "Секрет"});
    EXPECT_EQ(enc.status, 0) << enc.err;
    EXPECT_EQ(enc.out, "MaCC72wF\n");

    const std::string secret = "Логин ёЁ №5 user";
    enc = velmorctl({"encrypt", "--key", "Пароль", secret});
    ASSERT_EQ(enc.status, 0) << enc.err;
    EXPECT_EQ(enc.out, velmor::encipherText("Пароль", secret) + "\n");
    const std::string stored = enc.out.substr(0, enc.out.size() - 1);

    ProcessResult dec = velmorctl({"decrypt", "--key", "Пароль", stored});
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, secret + "\n");
    EXPECT_EQ(dec.err, "");

    dec = velmorctl({"decrypt", "--hex", "--key=Пароль", "MaCC72wF"});
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, "d1e5eaf0e5f2\n");  // "Секрет" in Windows-1251
    // A stored text with stray Cyrillic letters, one character each as in the file.
    dec = velmorctl({"decrypt", "--hex", "--key=Пароль", "ЖЖЖЖ"});
    EXPECT_EQ(dec.out, velmorctl({"decrypt", "--hex", "--key=Пароль", "////"}).out);
    EXPECT_EQ(dec.out.size(), 7u) << dec.out;  // three bytes

    // Empty key and empty text are valid values.
    enc = velmorctl({"encrypt", "--key", "", ""});
    EXPECT_EQ(enc.status, 0);
    EXPECT_EQ(enc.out, "\n");
    enc = velmorctl({"encrypt", "--key", "", "--", "--dash"});
    EXPECT_EQ(enc.status, 0) << enc.err;
    dec = velmorctl({"decrypt", "--key", "", enc.out.substr(0, enc.out.size() - 1)});
    EXPECT_EQ(dec.out, "--dash\n");
}

TEST(VelmorctlCrypto, BadInputExitsWithStatusTwo) {
    ProcessResult r = velmorctl({"decrypt", "--key", "k", "abcde"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Base64: Incorrect string format\n");
    EXPECT_EQ(r.out, "");

    const std::vector<std::vector<std::string>> usage = {
        {"encrypt", "--key", "k"}, {"encrypt", "text"},
        {"encrypt", "--key"},      {"encrypt", "--key", "k", "a", "b"},
        {"decrypt", "--key", "k"}, {"encrypt", "--key", "k", "--hex", "x"},
        {"machine", "/", "/"},
    };
    for (const auto& args : usage) {
        r = velmorctl(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args.size();
        EXPECT_NE(r.err.find("usage: velmorctl " + args[0]), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }

    // A character Windows-1251 cannot hold would change the secret: refused.
    r = velmorctl({"encrypt", "--key", "k", "smile \xF0\x9F\x98\x80"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Windows-1251"), std::string::npos);
    EXPECT_EQ(r.out, "");
}

TEST(VelmorctlCrypto, MachinePrintsTheBinding) {
    const velmor::MachineBinding root = velmor::machineBinding("");
    ProcessResult r = velmorctl({"machine"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "VolumeSerial=" + root.serialText + "\nMachineCode=" + root.machineCode +
                         "\nMachineKey=" + root.machineKey + "\n");
    EXPECT_EQ(velmorctl({"machine", "/"}).out, r.out);

    r = velmorctl({"machine", "/no/such/drive"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "VolumeSerial=0\nMachineCode=0\nMachineKey=\n");
}
