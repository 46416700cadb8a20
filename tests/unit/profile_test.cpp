#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codepage.h"

using namespace velmor;
namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-profile-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    std::string file(const std::string& name = "Velmor.ini") const { return dir_ + "/" + name; }

    static std::string raw(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void put(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    // Names of the directory's entries other than the settings file itself.
    std::vector<std::string> strayFiles(const std::string& keep = "Velmor.ini") const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_)) {
            if (e.path().filename() != keep) out.push_back(e.path().filename());
        }
        return out;
    }

    std::string dir_;
};

}  // namespace

TEST_F(ProfileTest, NamesMatchWithoutCaseAndChangesLandInPlace) {
    put(file(), utf8ToCp1251("; settings\r\n"
                             "stray=before any section\r\n"
                             "[Brontavel]\r\n"
                             "Ver=0.96\r\n"
                             "; a comment=with equals\r\n"
                             "Mode = TRAY \r\n"
                             "\r\n"
                             "[RAS_Entry_Дом]\r\n"
                             "Phone_0=123\r\n"
                             "\r\n"
                             "\r\n"));
    Profile p(file());
    // ASCII and Cyrillic letters fold; comments and text before the first section are no keys.
    EXPECT_EQ(p.readString("BRONTAVEL", "ver", "-"), "0.96");
    EXPECT_EQ(p.readString("ras_entry_ДОМ", "PHONE_0", "-"), "123");
    EXPECT_EQ(p.readString("Brontavel", "Mode", "-"), "TRAY");
    EXPECT_FALSE(p.hasKey("Brontavel", "; a comment"));
    EXPECT_FALSE(p.hasKey("Brontavel", "stray"));

    p.writeString("brontavel", "VER", "0.97");             // in place, spelling kept
    p.writeString("RAS_ENTRY_дом", "Login_0", "abc{0}+");  // after the last key, not the blanks
    p.writeString("RAS_Entry_Работа", "Phone_0", "555");   // new section at the end
    p.writeString("ras_entry_работа", "Phone_1", "556");   // same section, first spelling kept
    EXPECT_EQ(cp1251ToUtf8(raw(file())),
              "; settings\r\n"
              "stray=before any section\r\n"
              "[Brontavel]\r\n"
              "Ver=0.97\r\n"
              "; a comment=with equals\r\n"
              "Mode = TRAY \r\n"
              "\r\n"
              "[RAS_Entry_Дом]\r\n"
              "Phone_0=123\r\n"
              "Login_0=abc{0}+\r\n"
              "\r\n"
              "\r\n"
              "[RAS_Entry_Работа]\r\n"
              "Phone_0=555\r\n"
              "Phone_1=556\r\n");
    EXPECT_EQ(p.sections(),
              (std::vector<std::string>{"Brontavel", "RAS_Entry_Дом", "RAS_Entry_Работа"}));
    EXPECT_EQ(p.keys("ras_entry_дом"), (std::vector<std::string>{"Phone_0", "Login_0"}));

    // A fresh reader of the file sees the same.
    Profile q(file());
    EXPECT_EQ(q.readString("RAS_ENTRY_ДОМ", "login_0", "-"), "abc{0}+");
    EXPECT_EQ(q.readString("Brontavel", "Ver", "-"), "0.97");
}

TEST_F(ProfileTest, ReadingRules) {
    const std::string longValue(3000, 'x');
    put(file(),
        "[S]\n"
        "Empty=\n"
        "Blanks= \t padded \t\n"
        "Quoted=  \"in quotes\"  \n"
        "Twice=\"\"two\"\"\n"
        "Half=\"open\n"
        "Inner=a \"b\" c\n"
        "Long=" +
            longValue +
            "\n"
            "LongQuoted=\"" +
            longValue +
            "\"\n"
            "Dup=first\n"
            "DUP=second\n"
            "[Headers only]\n"
            "; nothing but a comment\n"
            "[s]\n"
            "Other=from the second copy\n");
    Profile p(file());
    EXPECT_EQ(p.readString("S", "Missing", "def"), "def");
    EXPECT_EQ(p.readString("NoSuchSection", "Empty", "def"), "def");
    EXPECT_EQ(p.readString("S", "Empty", "def"), "");
    EXPECT_TRUE(p.hasKey("S", "Empty"));
    EXPECT_EQ(p.readString("S", "Blanks", ""), "padded");
    EXPECT_EQ(p.readString("S", "Quoted", ""), "in quotes");
    EXPECT_EQ(p.readString("S", "Twice", ""), "\"two\"");  // one pair only
    EXPECT_EQ(p.readString("S", "Half", ""), "\"open");
    EXPECT_EQ(p.readString("S", "Inner", ""), "a \"b\" c");
    EXPECT_EQ(p.readString("S", "Long", ""), std::string(2047, 'x'));
    EXPECT_EQ(p.readString("S", "LongQuoted", ""), std::string(2047, 'x'));
    EXPECT_EQ(p.readString("S", "dup", ""), "first");
    // Keys of the second copy of a section are not seen.
    EXPECT_EQ(p.readString("S", "Other", "none"), "none");
    EXPECT_TRUE(p.sectionExists("s"));
    EXPECT_FALSE(p.sectionExists("Headers only"));
    EXPECT_FALSE(p.sectionExists("Nowhere"));
    EXPECT_EQ(p.sections(), (std::vector<std::string>{"S"}));
    EXPECT_EQ(p.keys("S").size(), 9u);

    // Writing goes to the first copy and the first of duplicate keys.
    p.writeString("s", "dup", "changed");
    p.writeString("s", "Other", "new");
    const std::string text = raw(file());
    EXPECT_NE(text.find("Dup=changed\r\nDUP=second\r\nOther=new\r\n[Headers only]"),
              std::string::npos);
    EXPECT_NE(text.find("[s]\r\nOther=from the second copy\r\n"), std::string::npos);

    // An empty write keeps the key; a header without keys gets its first key right below it.
    p.writeString("S", "Long", "");
    EXPECT_EQ(p.readString("S", "Long", "def"), "");
    EXPECT_NE(raw(file()).find("\r\nLong=\r\n"), std::string::npos);
    p.writeString("headers ONLY", "k", "v");
    EXPECT_NE(raw(file()).find("[Headers only]\r\nk=v\r\n; nothing but a comment\r\n"),
              std::string::npos);
    EXPECT_TRUE(p.sectionExists("Headers only"));

    // A section name holding "]" round-trips.
    p.writeString("a]b", "k", "1");
    EXPECT_EQ(Profile(file()).readString("A]B", "k", ""), "1");

    // A lone CR ends a line too: no name can hold one, as none can be looked up with it.
    put(file(), "[A]\r[B]\rk=v\r\nj=w\n");
    Profile cr(file());
    EXPECT_EQ(cr.sections(), std::vector<std::string>{"B"});
    EXPECT_EQ(cr.readString("B", "k", ""), "v");
    EXPECT_EQ(cr.readString("B", "j", ""), "w");
}

TEST_F(ProfileTest, ValuesReadBackExactlyAsWritten) {
    const std::vector<std::string> values = {"\"/home/u/My file\"",
                                             "  x ",
                                             "\"\"",
                                             "\"",
                                             "\ttab",
                                             "tail\t",
                                             "a=b=c",
                                             "\" \"",
                                             "\"half",
                                             "plain",
                                             " ",
                                             "\"\"\"\""};
    {
        Profile p(file());
        Profile::Batch batch(p);
        for (std::size_t i = 0; i < values.size(); ++i) {
            p.writeString("S", "k" + std::to_string(i), values[i]);
        }
    }
    Profile q(file());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(q.readString("S", "k" + std::to_string(i), "?"), values[i]) << values[i];
    }
    // Only the values that needed it got the extra quotes.
    const std::string text = raw(file());
    EXPECT_NE(text.find("k0=\"\"/home/u/My file\"\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("k2=\"\"\"\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("k3=\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("k8=\"half\r\n"), std::string::npos);
    EXPECT_NE(text.find("k9=plain\r\n"), std::string::npos);
}

TEST_F(ProfileTest, LineBreaksCannotInjectLinesAndBadKeysAreRefused) {
    Profile p(file());
    p.writeString("S", "Path", "x\r\n[Evil]\r\nLockCode=0");
    p.writeString("S\nT", "a\rb", "v");
    EXPECT_EQ(p.readString("S", "Path", ""), "x  [Evil]  LockCode=0");
    Profile q(file());
    EXPECT_EQ(q.sections(), (std::vector<std::string>{"S", "S T"}));
    EXPECT_FALSE(q.sectionExists("Evil"));
    EXPECT_EQ(q.readString("S T", "a b", ""), "v");
    EXPECT_EQ(q.readString("S\nT", "a\rb", ""), "v");

    const std::string before = raw(file());
    EXPECT_THROW(p.writeString("S", "a=b", "v"), std::invalid_argument);
    EXPECT_THROW(p.writeString("S", "[Evil", "x]"), std::invalid_argument);
    EXPECT_THROW(p.writeString("S", ";note", "v"), std::invalid_argument);
    EXPECT_EQ(raw(file()), before);
    EXPECT_FALSE(p.dirty());
}

TEST_F(ProfileTest, WindowsCodePageOnDisk) {
    Profile p(file());
    p.writeString("RAS_Entry_Дом", "Путь", "Ёлка ёж 日");
    // Cyrillic as single Windows-1251 bytes, lines ending in CR LF, a mark for what it lacks.
    EXPECT_EQ(raw(file()),
              "[RAS_Entry_\xC4\xEE\xEC]\r\n"
              "\xCF\xF3\xF2\xFC=\xA8\xEB\xEA\xE0 \xB8\xE6 \x98"
              "65E5;\r\n");
    EXPECT_EQ(p.readString("ras_entry_ДОМ", "ПУТЬ", ""), "Ёлка ёж 日");
    EXPECT_EQ(p.keys("RAS_ENTRY_дом"), (std::vector<std::string>{"Путь"}));

    // The length limit counts characters of the code page; a mark is one.
    p.writeString("S", "long", std::string(1500, 'x') + std::string(546, 'y') + "Ωя");
    const std::string limited = p.readString("S", "long", "");
    EXPECT_EQ(utf8Length(limited), 2047u);
    EXPECT_TRUE(limited.ends_with("yΩ"));

    // LF-only files read too; the next write gives every line CR LF.
    put(file("lf.ini"), "[A]\nk=\xE4\xE0\n\n");
    Profile lf(file("lf.ini"));
    EXPECT_EQ(lf.readString("a", "K", ""), "да");
    lf.writeString("A", "n", "1");
    EXPECT_EQ(raw(file("lf.ini")), "[A]\r\nk=\xE4\xE0\r\nn=1\r\n\r\n");
}

TEST_F(ProfileTest, NamesAndValuesOutsideTheCodePageStayApartAndReadBackExactly) {
    // A file of the Windows-1251 program may hold the unassigned byte: it stays as it was.
    const std::string old = "[A]\r\nk=\x98x\r\n";
    put(file(), old);
    const std::vector<std::string> texts = {"Αθήνα",
                                            "Πάτρα",
                                            "/opt/Große/bin/mail",
                                            "中文 и я",
                                            "\xC2\x98"
                                            "3A9;",
                                            "\xC2\x98z"};
    {
        Profile p(file());
        p.writeString("A", "k", p.readString("A", "k", ""));
        EXPECT_EQ(raw(file()), old);
        for (const std::string& t : texts)
            p.writeString("RAS_Entry_" + t, "Path" + t, t);
    }
    Profile q(file());
    EXPECT_EQ(q.sections().size(), texts.size() + 1);
    for (const std::string& t : texts)
        EXPECT_EQ(q.readString("RAS_Entry_" + t, "Path" + t, ""), t);
    EXPECT_EQ(raw(file()).find('?'), std::string::npos);
    // A mark written by hand in small letters is the same name.
    put(file(),
        "[RAS_Entry_\x98"
        "3a9;]\r\nk=v\r\n");
    EXPECT_EQ(Profile(file()).readString("RAS_Entry_Ω", "k", ""), "v");
}

TEST_F(ProfileTest, Utf8Mode) {
    const std::string path = file("phonebook.ini");
    put(path, "\xEF\xBB\xBF[Дом]\nDevice=sim\n");
    Profile p(path, Profile::Encoding::Utf8);
    EXPECT_EQ(p.readString("ДОМ", "device", ""), "sim");
    p.writeString("дом", "Имя", "日本 ok");
    p.writeString("日", "k", "1");
    p.writeString("本", "k", "2");  // not the same name although neither fits Windows-1251
    EXPECT_EQ(raw(path),
              "\xEF\xBB\xBF[Дом]\r\nDevice=sim\r\nИмя=日本 ok\r\n[日]\r\nk=1\r\n[本]\r\nk=2\r\n");
    EXPECT_EQ(p.readString("日", "k", ""), "1");
    EXPECT_EQ(p.readString("本", "k", ""), "2");

    // The length limit counts characters, not bytes.
    p.writeString("Дом", "long", std::string(2046, 'x') + "яя");
    EXPECT_EQ(p.readString("Дом", "long", ""), std::string(2046, 'x') + "я");

    p.eraseSection("ДОМ");
    EXPECT_FALSE(p.sectionExists("дом"));
    EXPECT_EQ(raw(path), "\xEF\xBB\xBF[日]\r\nk=1\r\n[本]\r\nk=2\r\n");
}

TEST_F(ProfileTest, EraseSectionRemovesEveryCopy) {
    put(file(), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n; end\r\n");
    Profile p(file(), Profile::Encoding::Utf8);
    p.eraseSection("A");
    EXPECT_EQ(raw(file()), "[B]\r\ny=2\r\n");
    EXPECT_EQ(p.fileWrites(), 1u);
    p.eraseSection("A");  // nothing left to erase: no write
    EXPECT_EQ(p.fileWrites(), 1u);
    p.writeString("a", "x", "new");
    EXPECT_EQ(raw(file()), "[B]\r\ny=2\r\n[a]\r\nx=new\r\n");
}

TEST_F(ProfileTest, BatchesWriteTheFileOnce) {
    Profile p(file());
    EXPECT_FALSE(fs::exists(file()));  // reading alone never creates the file
    EXPECT_EQ(p.readString("S", "k", "d"), "d");
    EXPECT_FALSE(fs::exists(file()));

    p.writeString("S", "a", "1");  // outside a batch: at once
    EXPECT_EQ(p.fileWrites(), 1u);
    EXPECT_FALSE(p.dirty());
    p.writeString("S", "a", "1");  // the same value again changes nothing
    EXPECT_EQ(p.fileWrites(), 1u);
    {
        Profile::Batch outer(p);
        p.writeString("S", "b", "2");
        {
            Profile::Batch inner(p);
            p.writeString("S", "c", "3");
        }
        EXPECT_EQ(p.fileWrites(), 1u);  // the inner end does not write
        EXPECT_TRUE(p.dirty());
        EXPECT_EQ(p.readString("s", "C", ""), "3");  // but reads see it at once
        EXPECT_EQ(Profile(file()).readString("S", "b", "none"), "none");
        p.flush();
        EXPECT_EQ(p.fileWrites(), 2u);
        EXPECT_EQ(Profile(file()).readString("S", "c", "none"), "3");
        p.writeString("S", "d", "4");
        EXPECT_EQ(p.fileWrites(), 2u);
    }
    EXPECT_EQ(p.fileWrites(), 3u);
    EXPECT_FALSE(p.dirty());
    { Profile::Batch idle(p); }
    EXPECT_EQ(p.fileWrites(), 3u);  // nothing pending, nothing written

    // A batch left by an exception still stores what was written.
    try {
        Profile::Batch batch(p);
        p.writeString("S", "e", "5");
        throw std::runtime_error("stop");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(p.fileWrites(), 4u);
    EXPECT_EQ(Profile(file()).readString("S", "e", ""), "5");
}

TEST_F(ProfileTest, ChangesByAnotherWriterAreSeen) {
    Profile a(file());
    Profile b(file());
    a.writeString("S", "k", "1");
    EXPECT_EQ(b.readString("S", "k", ""), "1");
    b.writeString("S", "k", "22");
    EXPECT_EQ(a.readString("S", "k", ""), "22");

    // Edited in place (same inode) by hand.
    put(file(), "[S]\r\nk=333\r\nhand=1\r\n");
    EXPECT_EQ(a.readString("S", "k", ""), "333");
    EXPECT_TRUE(a.hasKey("s", "hand"));

    // Inside a batch the file is not looked at; at its end our changes go on top of theirs.
    {
        Profile::Batch batch(a);
        a.writeString("S", "mine", "m");
        b.writeString("S", "theirs", "t");
        EXPECT_FALSE(a.hasKey("S", "theirs"));
    }
    Profile c(file());
    EXPECT_EQ(c.readString("S", "mine", ""), "m");
    EXPECT_EQ(c.readString("S", "theirs", ""), "t");
    EXPECT_EQ(c.readString("S", "hand", ""), "1");

    // Deleted by someone else: reads as empty.
    fs::remove(file());
    EXPECT_FALSE(a.sectionExists("S"));
}

TEST_F(ProfileTest, FailedWriteKeepsTheOldFileAndThePendingChange) {
    // A folder that does not exist.
    const std::string lost = dir_ + "/missing/Velmor.ini";
    Profile m(lost);
    try {
        m.writeString("S", "k", "v");
        ADD_FAILURE() << "no error";
    } catch (const ProfileWriteError& e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + lost).c_str());
        EXPECT_EQ(e.path(), lost);
    }
    EXPECT_TRUE(m.dirty());
    EXPECT_EQ(m.readString("S", "k", ""), "v");
    fs::create_directory(dir_ + "/missing");
    m.flush();
    EXPECT_FALSE(m.dirty());
    EXPECT_EQ(Profile(lost).readString("S", "k", ""), "v");
    fs::remove_all(dir_ + "/missing");

    // A disk that fills up half way (a file size limit works for root too).
    const std::string old = "[S]\r\nk=old\r\n";
    put(file(), old);
    Profile p(file());
    p.writeString("S", "big", std::string(4096, 'b'));
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(p.writeString("S", "k", "new"), ProfileWriteError);
    // At the normal end of a batch the failure is reported; at an end by an exception it is
    // swallowed so that the first error is the one that gets through.
    EXPECT_THROW(
        {
            Profile::Batch batch(p);
            p.writeString("S", "more", "x");
        },
        ProfileWriteError);
    try {
        Profile::Batch batch(p);
        p.writeString("S", "more", "y");
        throw std::logic_error("first");
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "first");
    }
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(raw(file()).substr(0, old.size()), old);
    EXPECT_EQ(raw(file()).size(), old.size() + 4096 + 6);  // "big=" + CR LF
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
    EXPECT_TRUE(p.dirty());
    EXPECT_EQ(p.readString("S", "k", ""), "new");
    p.flush();
    Profile fresh(file());
    EXPECT_EQ(fresh.readString("S", "k", ""), "new");
    EXPECT_EQ(fresh.readString("S", "more", ""), "y");

    // A folder the user may not write to.
    if (::geteuid() == 0) {
        std::printf("Read-only folder case not run: root ignores permissions\n");
    } else {
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        const std::string before = raw(file());
        EXPECT_THROW(p.writeString("S", "k", "ro"), ProfileWriteError);
        EXPECT_EQ(raw(file()), before);
        fs::permissions(dir_, fs::perms::owner_all);
        EXPECT_EQ(strayFiles(), std::vector<std::string>{});
        EXPECT_EQ(p.readString("S", "k", ""), "ro");
        p.flush();
        EXPECT_EQ(Profile(file()).readString("S", "k", ""), "ro");
    }
}

TEST_F(ProfileTest, UnreadableFileIsNeverReplaced) {
    // Something that is not a file holds the name: writes are refused, nothing is removed.
    fs::create_directories(file() + "/inside");
    Profile p(file());
    EXPECT_EQ(p.readString("S", "k", "d"), "d");
    EXPECT_THROW(p.writeString("S", "k", "v"), ProfileWriteError);
    EXPECT_TRUE(fs::is_directory(file() + "/inside"));
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
    EXPECT_EQ(p.readString("S", "k", "d"), "v");
    // Once the name is free the pending change is written.
    fs::remove_all(file());
    p.flush();
    EXPECT_EQ(raw(file()), "[S]\r\nk=v\r\n");
}

TEST_F(ProfileTest, FilePermissions) {
    Profile p(file());
    p.writeString("S", "k", "1");
    struct stat st {};
    ASSERT_EQ(::stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(::chmod(file().c_str(), 0640), 0);
    p.writeString("S", "k", "2");
    ASSERT_EQ(::stat(file().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // Through a symbolic link the file it points to is replaced; the link stays a link.
    fs::create_directory(dir_ + "/real");
    fs::create_symlink("real/target.ini", file("link.ini"));  // relative to the link
    Profile l(file("link.ini"));
    l.writeString("S", "k", "1");
    l.writeString("S", "k", "2");
    EXPECT_TRUE(fs::is_symlink(file("link.ini")));
    EXPECT_EQ(raw(dir_ + "/real/target.ini"), "[S]\r\nk=2\r\n");
}

TEST_F(ProfileTest, PendingChangesGetALastChanceAtDestruction) {
    const std::string path = dir_ + "/later/Velmor.ini";
    {
        Profile p(path);
        EXPECT_THROW(p.writeString("S", "k", "v"), ProfileWriteError);
        fs::create_directory(dir_ + "/later");
    }
    EXPECT_EQ(raw(path), "[S]\r\nk=v\r\n");
}
