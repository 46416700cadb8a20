#include "platform/phonebook.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "platform/collate.h"
#include "platform/ras.h"
#include "platform/virtual_loop.h"
#include "ras_test_support.h"

using namespace velmor;
using velmor::test::readFile;
using velmor::test::TempDir;
using velmor::test::writeFile;

namespace {

bool mentions(const std::vector<std::string>& problems, const std::string& a,
              const std::string& b) {
    return std::any_of(problems.begin(), problems.end(), [&](const std::string& p) {
        return p.find(a) != std::string::npos && p.find(b) != std::string::npos;
    });
}

}  // namespace

TEST(Phonebook, MissingFileIsCreatedWithTheDemoEntryAndAnExistingOneIsKept) {
    TempDir dir;
    const std::string path = dir.file("config/velmor/phonebook.ini");
    VirtualLoop loop;
    auto service = ras::makePhonebookService(loop, path);

    ASSERT_TRUE(std::filesystem::exists(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // private: it names the user's logins
    const std::string text = readFile(path);
    EXPECT_NE(text.find("[Демо-провайдер]"), std::string::npos);  // UTF-8 on disk
    EXPECT_NE(text.find("Device=sim"), std::string::npos);

    std::vector<std::string> names;
    EXPECT_EQ(service->enumEntries(names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"Демо-провайдер"});
    PhonebookEntry demo;
    ASSERT_EQ(service->readEntry("демо-ПРОВАЙДЕР", demo), 0);
    const PhonebookEntry expected = Phonebook::demoEntry();
    EXPECT_EQ(demo.name, expected.name);
    EXPECT_EQ(demo.phoneNumber, expected.phoneNumber);
    EXPECT_EQ(demo.alternates, expected.alternates);
    EXPECT_EQ(demo.userName, expected.userName);
    EXPECT_EQ(demo.password, expected.password);
    EXPECT_EQ(demo.sim, expected.sim);
    EXPECT_TRUE(service->takeProblems().empty());

    // A phonebook that exists is never replaced, even when it has no entries.
    const std::string empty = dir.file("empty.ini");
    writeFile(empty, "");
    auto other = ras::makePhonebookService(loop, empty);
    EXPECT_EQ(other->enumEntries(names), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(readFile(empty), "");
}

TEST(Phonebook, BadValuesAreReportedOnceAndTheEntryStillLists) {
    TempDir dir;
    const std::string path = dir.file("pb.ini");
    writeFile(path,
              "[Кривая]\r\nDevice=modem0\r\nPhoneNumber= 123 \r\nSimSpeed=быстро\r\n"
              "SimStepMs=0\r\nSimLocalIP=10.0.0.300\r\nSimLogins=demo:demo; broken ;a:b:c\r\n"
              "SimRxRate=99999999999999999999999\r\n"
              "[Порт]\r\nDevice=/dev/ttyS0\r\nPhoneNumber=456\r\n");
    Phonebook book(path);
    const auto entries = book.entries();
    ASSERT_EQ(entries.size(), 2u);
    const PhonebookEntry& bad = entries[0];
    EXPECT_EQ(bad.name, "Кривая");
    EXPECT_EQ(bad.deviceKind, DeviceKind::Unknown);
    EXPECT_EQ(bad.phoneNumber, "123");
    const SimSettings def;
    EXPECT_EQ(bad.sim.speed, def.speed);
    EXPECT_EQ(bad.sim.stepMs, def.stepMs);
    EXPECT_EQ(bad.sim.localIp, def.localIp);
    EXPECT_EQ(bad.sim.rxRate, def.rxRate);
    EXPECT_TRUE(bad.sim.restrictLogins);
    using Logins = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(bad.sim.logins, (Logins{{"demo", "demo"}, {"a", "b:c"}}));
    EXPECT_EQ(entries[1].deviceKind, DeviceKind::Serial);

    const auto problems = book.takeProblems();
    EXPECT_EQ(problems.size(), 6u);
    EXPECT_TRUE(mentions(problems, "«Кривая»", "Device"));
    EXPECT_TRUE(mentions(problems, "SimSpeed", "«быстро» не является числом"));
    EXPECT_TRUE(mentions(problems, "SimStepMs", "вне допустимых пределов"));
    EXPECT_TRUE(mentions(problems, "SimLocalIP", "10.0.0.300"));
    EXPECT_TRUE(mentions(problems, "SimLogins", "«broken»"));
    EXPECT_TRUE(mentions(problems, "SimRxRate", "вне допустимых пределов"));
    EXPECT_FALSE(mentions(problems, "«Порт»", ""));

    // Reading again reports nothing new; a different bad value is news.
    book.entries();
    EXPECT_TRUE(book.takeProblems().empty());
    writeFile(path, "[Кривая]\r\nDevice=sim\r\nSimSpeed=медленно\r\n");
    book.entries();
    const auto again = book.takeProblems();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_TRUE(mentions(again, "SimSpeed", "медленно"));

    // Dialling: the unknown device fails at once, and so does a serial port on a system without
    // pppd, saying so.
    writeFile(path, "[Кривая]\r\nDevice=modem0\r\n[Порт]\r\nDevice=/dev/ttyS0\r\n");
    VirtualLoop loop;
    ::setenv("VELMOR_PPPD", dir.file("no-pppd").c_str(), 1);
    auto service = ras::makePhonebookService(loop, path);
    ::unsetenv("VELMOR_PPPD");
    ras::DialRequest request;
    ras::Handle h = 1;
    request.entryName = "Кривая";
    EXPECT_EQ(service->dial(request, nullptr, h), ras::kErrorDeviceDoesNotExist);
    EXPECT_EQ(h, 0u);
    request.entryName = "Порт";
    EXPECT_EQ(service->dial(request, nullptr, h), ras::kErrorPortNotAvailable);
    EXPECT_NE(service->errorString(ras::kErrorPortNotAvailable).find("sudo apt install ppp"),
              std::string::npos);
    EXPECT_EQ(ras::errorText(ras::kErrorPortNotAvailable), "Порт модема недоступен.");
}

TEST(Phonebook, UnreadableFileIsReportedAndGivesNoEntries) {
    TempDir dir;
    const std::string path = dir.file("pb.ini");
    std::filesystem::create_directory(path);  // a folder where the file should be
    VirtualLoop loop;
    auto service = ras::makePhonebookService(loop, path);

    std::vector<std::string> names{"stale"};
    EXPECT_EQ(service->enumEntries(names), ras::kErrorCannotOpenPhonebook);
    EXPECT_TRUE(names.empty());
    const auto problems = service->takeProblems();
    ASSERT_EQ(problems.size(), 1u);  // creation was not tried over it, reading failed once
    EXPECT_NE(problems[0].find(path), std::string::npos);
    service->enumEntries(names);
    EXPECT_TRUE(service->takeProblems().empty());

    EXPECT_EQ(service->deleteEntry("x"), ras::kErrorCannotOpenPhonebook);
    PhonebookEntry e;
    e.name = "Новая";
    EXPECT_EQ(service->writeEntry(e, ""), ras::kErrorCannotOpenPhonebook);
    EXPECT_TRUE(std::filesystem::is_directory(path));

    // A phonebook that cannot be created is reported too.
    writeFile(dir.file("plain"), "x");
    Phonebook blocked(dir.file("plain/velmor/phonebook.ini"));
    EXPECT_FALSE(blocked.createIfMissing());
    const auto created = blocked.takeProblems();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_NE(created[0].find("Не удается создать телефонную книгу"), std::string::npos);
}

TEST(Phonebook, WriteRenameAndDeleteKeepTheRestOfTheFile) {
    TempDir dir;
    const std::string path = dir.file("pb.ini");
    writeFile(
        path,
        "[Первая]\r\nDevice=sim\r\nPhoneNumber=1\r\nPassword=old\r\nSimSpeed=9600\r\n"
        "[Вторая]\r\nPhoneNumber=2\r\n[Αθήνα]\r\nPhoneNumber=4\r\n[Πάτρα]\r\nPhoneNumber=5\r\n");
    Phonebook book(path);

    PhonebookEntry e;
    e.name = "Третья";
    e.phoneNumber = "3";
    e.alternates = {"31", "32"};
    e.userName = "u";
    e.password = "secret";
    EXPECT_EQ(book.write(e, ""), Phonebook::Result::Ok);
    EXPECT_EQ(book.write(e, ""), Phonebook::Result::Exists);
    e.name = "ВТОРАЯ";
    EXPECT_EQ(book.write(e, ""), Phonebook::Result::Exists);
    for (const char* name : {"", " с пробелом", "a]b", "x\ny"}) {
        e.name = name;
        EXPECT_EQ(book.write(e, ""), Phonebook::Result::InvalidName) << name;
    }

    // Rename keeps the simulation keys.
    PhonebookEntry first;
    ASSERT_EQ(book.find("первая", first), Phonebook::Result::Ok);
    EXPECT_EQ(first.password, "old");  // read, for the login list to take over
    first.name = "Главная";
    first.phoneNumber = "100";
    EXPECT_EQ(book.write(first, "Первая"), Phonebook::Result::Ok);
    EXPECT_EQ(book.find("Первая", first), Phonebook::Result::NotFound);
    ASSERT_EQ(book.find("Главная", first), Phonebook::Result::Ok);
    EXPECT_EQ(first.phoneNumber, "100");
    EXPECT_EQ(first.sim.speed, 9600u);
    // Passwords are kept only enciphered in the settings file: none is written, an old one goes.
    EXPECT_EQ(first.password, "");
    EXPECT_EQ(readFile(path).find("Password"), std::string::npos) << readFile(path);
    first.name = "Вторая";
    EXPECT_EQ(book.write(first, "Главная"), Phonebook::Result::Exists);
    EXPECT_EQ(book.write(first, "Нет такой"), Phonebook::Result::NotFound);

    VirtualLoop loop;
    auto service = ras::makePhonebookService(loop, path);
    std::vector<std::string> names;
    service->enumEntries(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Αθήνα", "Πάτρα", "Вторая", "Главная", "Третья"}));
    EXPECT_EQ(service->deleteEntry("вторая"), 0);
    EXPECT_EQ(service->deleteEntry("Вторая"), ras::kErrorCannotFindPhonebookEntry);
    EXPECT_EQ(service->deleteEntry("Πάτρα"), 0);  // letters outside Windows-1251 match exactly
    service->enumEntries(names);
    EXPECT_EQ(names, (std::vector<std::string>{"Αθήνα", "Главная", "Третья"}));
    PhonebookEntry third;
    ASSERT_EQ(service->readEntry("Третья", third), 0);
    EXPECT_EQ(third.alternates, (std::vector<std::string>{"31", "32"}));
    EXPECT_EQ(third.userName, "u");
}

TEST(Phonebook, DefaultPathFollowsTheEnvironment) {
    const auto keep = [](const char* name) {
        const char* v = std::getenv(name);
        return std::pair<std::string, bool>(v ? v : "", v != nullptr);
    };
    const auto pb = keep("VELMOR_PHONEBOOK"), xdg = keep("XDG_CONFIG_HOME"), home = keep("HOME");

    setenv("HOME", "/home/ivan", 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("VELMOR_PHONEBOOK");
    EXPECT_EQ(Phonebook::defaultPath(), "/home/ivan/.config/velmor/phonebook.ini");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    EXPECT_EQ(Phonebook::defaultPath(), "/home/ivan/.config/velmor/phonebook.ini");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(Phonebook::defaultPath(), "/cfg/velmor/phonebook.ini");
    setenv("VELMOR_PHONEBOOK", "/tmp/pb.ini", 1);
    EXPECT_EQ(Phonebook::defaultPath(), "/tmp/pb.ini");

    const auto restore = [](const char* name, const std::pair<std::string, bool>& v) {
        if (v.second) {
            setenv(name, v.first.c_str(), 1);
        } else {
            unsetenv(name);
        }
    };
    restore("VELMOR_PHONEBOOK", pb);
    restore("XDG_CONFIG_HOME", xdg);
    restore("HOME", home);
}

TEST(Phonebook, ListsSplitAndNamesSortAsTheSystemDoes) {
    EXPECT_EQ(splitList(" 1 ; 2;;3 ;"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(splitList(" ; ").empty());
    EXPECT_EQ(deviceKindOf("SIM"), DeviceKind::Sim);
    EXPECT_EQ(deviceKindOf(""), DeviceKind::Sim);
    EXPECT_EQ(deviceKindOf("/dev/ttyUSB0"), DeviceKind::Serial);
    EXPECT_EQ(deviceKindOf("ttyS0"), DeviceKind::Unknown);

    std::vector<std::string> names = {"Жук",   "ёж", "Ель",  "Яблоко", "zeta", "Beta",   "alpha",
                                      "Альфа", "10", "Ёлка", "ель",    "_x",   "Ежевика"};
    std::sort(names.begin(), names.end(), nameLess);
    // Ё after Е (a code point sort puts it before А), Latin before Cyrillic, case only breaks ties.
    EXPECT_EQ(names,
              (std::vector<std::string>{"_x", "10", "alpha", "Beta", "zeta", "Альфа", "Ежевика",
                                        "ель", "Ель", "ёж", "Ёлка", "Жук", "Яблоко"}));
    EXPECT_EQ(compareNames("Провайдер", "ПРОВАЙДЕР") != 0, true);
    EXPECT_LT(compareNames("провайдер", "ПРОВАЙДЕР"), 0);
    EXPECT_LT(compareNames("МТС", "МТС-2"), 0);
}
