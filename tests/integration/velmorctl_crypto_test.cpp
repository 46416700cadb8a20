#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/cipher.h"
#include "platform/machine.h"
#include "support/process.h"

namespace {

using velmor::test::ProcessResult;

ProcessResult velmorctl(const std::vector<std::string>& args, const std::string& input = {}) {
    return velmor::test::runProcess(velmor::test::binary("velmorctl"), args, {}, 20000, input);
}

// The key is given in a file, as every secret is: never on the command line.
class KeyFile {
  public:
    explicit KeyFile(const std::string& key) {
        char tmpl[] = "/tmp/velmorctl-key-XXXXXX";
        const int fd = ::mkstemp(tmpl);
        path_ = tmpl;
        const std::string line = key + "\n";
        EXPECT_EQ(::write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        ::close(fd);
    }
    ~KeyFile() { ::unlink(path_.c_str()); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

ProcessResult encrypt(const std::string& key, const std::string& text) {
    KeyFile k(key);
    return velmorctl({"encrypt", "--key-file", k.path()}, text);
}

ProcessResult decrypt(const std::string& key, const std::string& stored, bool hex = false) {
    KeyFile k(key);
    if (hex) return velmorctl({"decrypt", "--hex", "--key-file=" + k.path(), stored});
    return velmorctl({"decrypt", "--key-file", k.path(), stored});
}

}  // namespace

TEST(VelmorctlCrypto, EncryptDecryptRoundTrip) {
    ProcessResult enc = encrypt("Пароль", "Секрет\n");
    EXPECT_EQ(enc.status, 0) << enc.err;
    EXPECT_EQ(enc.out, "MaCC72wF\n");

    const std::string secret = "Логин ёЁ №5 user";
    enc = encrypt("Пароль", secret);
    ASSERT_EQ(enc.status, 0) << enc.err;
    EXPECT_EQ(enc.out, velmor::encipherText("Пароль", secret) + "\n");
    const std::string stored = enc.out.substr(0, enc.out.size() - 1);

    ProcessResult dec = decrypt("Пароль", stored);
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, secret + "\n");
    EXPECT_EQ(dec.err, "");

    dec = decrypt("Пароль", "MaCC72wF", true);
    EXPECT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(dec.out, "d1e5eaf0e5f2\n");  // "Секрет" in Windows-1251
    // A stored text with stray Cyrillic letters, one character each as in the file.
    dec = decrypt("Пароль", "ЖЖЖЖ", true);
    EXPECT_EQ(dec.out, decrypt("Пароль", "////", true).out);
    EXPECT_EQ(dec.out.size(), 7u) << dec.out;  // three bytes

    // Empty key and empty text are valid values; the key's line may end in CR LF.
    enc = encrypt("", "");
    EXPECT_EQ(enc.status, 0);
    EXPECT_EQ(enc.out, "\n");
    enc = encrypt("\r", "--dash");
    EXPECT_EQ(enc.status, 0) << enc.err;
    dec = decrypt("", enc.out.substr(0, enc.out.size() - 1));
    EXPECT_EQ(dec.out, "--dash\n");
    // The key on standard input.
    dec = velmorctl({"decrypt", "--key-file", "-", "MaCC72wF"}, "Пароль\n");
    EXPECT_EQ(dec.out, "Секрет\n") << dec.err;
}

TEST(VelmorctlCrypto, BadInputExitsWithStatusTwo) {
    ProcessResult r = decrypt("k", "abcde");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "Base64: Incorrect string format\n");
    EXPECT_EQ(r.out, "");

    KeyFile k("k");
    const std::vector<std::vector<std::string>> usage = {
        {"encrypt"},
        {"encrypt", "--key-file"},
        {"decrypt", "--key-file", k.path()},
        {"decrypt", "--key-file", k.path(), "a", "b"},
        {"encrypt", "--key-file", k.path(), "--hex"},
        {"machine", "/", "/"},
    };
    for (const auto& args : usage) {
        r = velmorctl(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args.size();
        EXPECT_NE(r.err.find("usage: velmorctl " + args[0]), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }

    // A secret on the command line is refused, and nothing is printed of it.
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"encrypt", "--key", "k", "text"},
                                               {"decrypt", "--key=k", "MaCC72wF"},
                                               {"encrypt", "--key-file", k.path(), "text"},
                                               {"dump", "--password", "пароль"},
                                               {"resave", "--entry", "E", "--password=пароль"}}) {
        r = velmorctl(args);
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_NE(r.err.find("command line"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("пароль"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    r = velmorctl({"decrypt", "--key-file", "/no/such/key", "MaCC72wF"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("/no/such/key cannot be read"), std::string::npos) << r.err;
    // No key at all, in a file or on standard input: refused, not taken for an empty key.
    {
        char tmpl[] = "/tmp/velmorctl-key-XXXXXX";
        ::close(::mkstemp(tmpl));
        r = velmorctl({"encrypt", "--key-file", tmpl}, "text");
        ::unlink(tmpl);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("is empty"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    r = velmorctl({"decrypt", "--key-file", "-", "MaCC72wF"}, "");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");

    // A character Windows-1251 cannot hold would change the secret: refused.
    r = encrypt("k", "smile \xF0\x9F\x98\x80");
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
