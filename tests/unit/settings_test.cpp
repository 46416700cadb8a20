#include "app/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/cipher.h"
#include "app/list_grammar.h"
#include "platform/codepage.h"
#include "platform/virtual_loop.h"

using namespace velmor;
namespace fs = std::filesystem;

namespace {

struct RecordingHooks : SettingsHooks {
    std::vector<std::string> errors;
    std::vector<std::string> seeded;
    EntryLists phonebook;
    int hotKeys = 0, schedule = 0, availability = 0;
    void reportError(const std::string& m) override { errors.push_back(m); }
    void applyHotKeys() override { ++hotKeys; }
    void applySchedule() override { ++schedule; }
    EntryLists phonebookLists(const std::string& e) override {
        seeded.push_back(e);
        return phonebook;
    }
    void refreshDialAvailability() override { ++availability; }
};

// One program run: the model, the file and the clock.
struct ProgramRun {
    explicit ProgramRun(const std::string& path, VirtualLoop& loop)
        : profile(path), settings(form, profile, loop, hooks) {
        form.conn.ComboBox1.items = {"Домашний", "Работа", "Демо"};
        form.conn.ComboBox1.itemIndex = 0;
        form.state.machineCode = "52572";
        form.state.machineKey = "2902";
        form.state.lockPassword = "секрет";
        form.locale = LocaleFormat::russian();
    }
    MainForm form;
    Profile profile;
    RecordingHooks hooks;
    Settings settings;
};

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-settings-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        loop_.setLocalDateTime({2026, 12, 7, 12, 0, 0, 0});
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path() const { return dir_ + "/Velmor.ini"; }
    std::string raw() const {
        std::ifstream in(path(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void put(const std::string& utf8) const {
        std::ofstream out(path(), std::ios::binary | std::ios::trunc);
        out << utf8ToCp1251(utf8);
    }
    std::unique_ptr<ProgramRun> run() { return std::make_unique<ProgramRun>(path(), loop_); }

    // A model with something in every list and every figure.
    static void fill(MainForm& f) {
        f.phones = {{"1234567", ItemMark::Normal}, {"8-800-555", ItemMark::Excluded}};
        f.logins = {{"user1", "pass1", "12.5", '+', ItemMark::Normal},
                    {"пользователь", "пароль", "0", '-', ItemMark::Excluded},
                    {"x", "y", "-3", '+', ItemMark::InUse}};
        f.programs = {
            {1, true, "Почта", "/opt/Große/bin/mail", false, true, "\"/home/u/My file\"", "Mail"},
            {2, false, " blanks ", "/opt/x", true, false, "", ""}};
        f.sounds.ConnEdit.text = "/home/u/Ωμέγα.wav";
        f.extra.InitPrefix.text = "9W";
        f.extra.InitSufix.text = ",,1";
        f.extra.Tone.checked = true;
        f.extra.Pulse.checked = false;
        f.extra.CheckBox1.checked = true;
        f.extra.SpinEdit1.value = 42;
        f.extra.SpinEdit3.value = 3;
        f.dial.LimitCheck.checked = true;
        f.dial.LowLimit.itemIndex = 3;
        f.dial.PingCheck.checked = true;
        f.dial.PingEdit.text = "10.0.0.1";
        f.dial.PingBox.itemIndex = 2;
        f.dial.UpDown4.position = 7;
        f.dial.pingcount.text = "7";
        f.hotkeys.MinCheck.checked = true;
        f.hotkeys.HotMin.hotKey = 16506;
        f.timer.TimerDialCheck.checked = true;
        f.timer.DialHourUpDown.position = 7;
        f.timer.DialHourEdit.text = "7";
        f.timer.DialMinuteUpDown.position = 45;
        f.timer.DialMinuteEdit.text = "45";
        f.tariffs.tariffcount.itemIndex = 1;
        f.tariffs.time1.value = 7;
        f.tariffs.time2.value = 19;
        f.tariffs.tariff1.value = 1.8;
        f.tariffs.tariff2.value = 0.25;
        f.general.UpDown.position = 9;
        f.iface.TrackBar.position = 3;
        f.setMode(DisplayMode::Both);
        f.state.locked = false;
        f.stats.inInternetAll = 5000000000LL;  // beyond 32 bits
        f.stats.inCurrentLast = 3724;
        f.stats.trafficAll.set({123456, 789});
        f.stats.trafficSession = {1500, 300};
        f.stats.trafficCurrentLastMonth = {11, 22};
        f.stats.dengiAll = 1234.5;
        f.stats.dengiLast = 0.0005;
    }

    std::string dir_;
    VirtualLoop loop_;
};

}  // namespace

TEST_F(SettingsTest, FirstRunShowsReadDefaultsAndSeedsListsFromThePhonebook) {
    {
        std::ofstream(path()).flush();  // the empty file of a first start
    }
    auto r = run();
    r->form.state.lockPassword.clear();
    r->settings.LoadSettings();
    const MainForm& f = r->form;
    EXPECT_TRUE(r->hooks.errors.empty());
    EXPECT_EQ(r->hooks.seeded, std::vector<std::string>{"Домашний"});
    EXPECT_EQ(f.mode(), DisplayMode::Task);
    EXPECT_TRUE(f.general.TopLoginCheck.checked);
    EXPECT_TRUE(f.general.AutoUpdateCheck.checked);
    EXPECT_EQ(f.general.UpDown.position, 5);
    EXPECT_FALSE(f.general.Label29.visible);
    EXPECT_EQ(f.dial.pingcount.text, "3");
    EXPECT_EQ(f.extra.SpinEdit3.value, 5);
    EXPECT_EQ(f.extra.SpinEdit1.value, 5);
    EXPECT_EQ(f.conn.ListView1.columns[0].width, 130);
    EXPECT_EQ(f.conn.ListView2.columns[0].width, 95);
    EXPECT_EQ(f.conn.ListView2.columns[1].width, 35);
    EXPECT_EQ(f.apps.capplist.columns[0].width, 300);
    EXPECT_EQ(f.dial.PingEdit.text, kHomeHost);
    EXPECT_TRUE(f.state.locked);  // no LockCode stored yet
    EXPECT_EQ(f.conn.BitLockGlyph, "UNLOCK");
    EXPECT_EQ(f.timeStats.TotalAllLabel.caption, "0.00:00:00");
    EXPECT_EQ(r->hooks.hotKeys, 1);
    EXPECT_EQ(r->hooks.schedule, 1);
    EXPECT_EQ(fs::file_size(path()), 0u);  // loading writes nothing
}

TEST_F(SettingsTest, SaveThenLoadGivesTheSameModel) {
    MainForm saved;
    {
        auto r = run();
        fill(r->form);
        r->form.conn.ComboBox1.itemIndex = 1;
        r->settings.SaveSettings("Работа");
        saved = r->form;
    }
    auto r = run();
    r->settings.LoadSettings();
    const MainForm& f = r->form;
    EXPECT_TRUE(r->hooks.errors.empty()) << r->hooks.errors.front();
    EXPECT_EQ(f.conn.ComboBox1.text(), "Работа");
    EXPECT_EQ(f.phones, saved.phones);
    ASSERT_EQ(f.logins.size(), 3u);
    EXPECT_EQ(f.logins[0], saved.logins[0]);
    EXPECT_EQ(f.logins[1], saved.logins[1]);
    EXPECT_EQ(f.logins[2].mark, ItemMark::Normal);  // "in use" is not stored
    EXPECT_EQ(f.programs, saved.programs);
    EXPECT_EQ(f.sounds.ConnEdit.text, "/home/u/Ωμέγα.wav");
    EXPECT_EQ(f.extra.InitPrefix.text, "9W");
    EXPECT_EQ(f.extra.InitSufix.text, ",,1");
    EXPECT_TRUE(f.extra.Tone.checked);
    EXPECT_TRUE(f.extra.SpinEdit1.enabled);
    EXPECT_EQ(f.extra.SpinEdit1.value, 42);
    EXPECT_EQ(f.dial.LowLimit.itemIndex, 3);
    EXPECT_TRUE(f.dial.LowLimit.enabled);
    EXPECT_TRUE(f.dial.PingEdit.enabled);
    EXPECT_EQ(f.dial.PingBox.itemIndex, 2);
    EXPECT_EQ(f.dial.UpDown4.position, 7);
    EXPECT_TRUE(f.hotkeys.MinCheck.checked);
    EXPECT_FALSE(f.hotkeys.DialCheck.checked);
    EXPECT_EQ(f.hotkeys.HotMin.hotKey, 16506);
    EXPECT_EQ(f.hotkeys.HotDial.hotKey, 121);
    EXPECT_TRUE(f.timer.TimerDialCheck.checked);
    EXPECT_EQ(f.timer.DialMinuteEdit.text, "45");
    EXPECT_EQ(f.tariffs.tariffcount.itemIndex, 1);
    EXPECT_TRUE(f.tariffs.row2Visible);
    EXPECT_EQ(f.tariffs.tariff1.value, 1.8);
    EXPECT_EQ(f.tariffs.SpinEdit2.value, 19);
    EXPECT_EQ(f.general.UpDown.position, 9);
    EXPECT_EQ(f.iface.TrackBar.position, 3);
    EXPECT_EQ(f.mode(), DisplayMode::Both);
    EXPECT_FALSE(f.state.locked);
    EXPECT_EQ(f.state.lockPassword, "секрет");
    EXPECT_EQ(f.stats, saved.stats);
    EXPECT_EQ(f.timeStats.TotalAllLabel.caption, "57870.08:53:20");
    EXPECT_EQ(f.trafficStats.TrafficLastLabel.caption, "1,46 / 0,29");
    EXPECT_EQ(f.moneyStats.DengiAllLabel.caption, "1234,50");
    // The stored forms.
    Profile p(path());
    EXPECT_EQ(p.readString("Brontavel", "InInternetAll", ""), "5000000000");
    EXPECT_EQ(p.readString("RAS_entry_Работа", "tariff1", ""), "1,8");
    EXPECT_EQ(p.readString("RAS_Entry_Работа", "DengiLast", ""), "0,0005");
    EXPECT_EQ(p.readString("RAS_Entry_Работа", "Phone_1", ""), "8-800-555{disabled}");
    EXPECT_EQ(p.readString("RAS_Entry_Работа", "Phone_2", "-"), "");
    const std::string login1 = p.readString("RAS_Entry_Работа", "Login_1", "");
    EXPECT_EQ(login1, encipherText("секрет", "пользователь") + "{0}{disabled}-");
    EXPECT_EQ(p.readString("RAS_Entry_Работа", "Login_3", "-"), "");
    EXPECT_EQ(p.readString("Brontavel", "LockCode", ""), "52572");
    EXPECT_EQ(decipherText("2902", p.readString("Brontavel", "LockPass", "")), "секрет");
    EXPECT_EQ(p.readString("Brontavel", "StatisticDate", ""), "2,7");
    EXPECT_EQ(p.readString("Brontavel", "DialHour", ""), "7");
    EXPECT_EQ(p.readString("Brontavel", "HangHour", "-"), "");
}

TEST_F(SettingsTest, AFileWrittenInFirstWriteOrderIsRewrittenUnchanged) {
    {
        auto r = run();
        fill(r->form);
        r->settings.SaveSettings("Домашний");
    }
    const std::string first = raw();
    EXPECT_EQ(first.find('\n'), first.find("\r\n") + 1);  // CR LF
    EXPECT_EQ(first.rfind("[Brontavel]\r\nVer=0.97\r\nLastSelectedEntry=", 0), 0u);
    // In the first-write key order the money keys end their sections.
    EXPECT_LT(first.find("LockCode="), first.find("DengiAll="));
    EXPECT_LT(first.find("DengiAll="), first.find("[RAS_Entry_"));
    EXPECT_LT(first.find("Password_50="), first.find("DengiLast="));
    EXPECT_EQ(first.find("\r\n", first.find("DengiLast=")) + 2, first.size());
    {
        auto r = run();
        r->settings.LoadSettings();
        r->settings.SaveSettings("Домашний");
    }
    EXPECT_EQ(raw(), first);
}

TEST_F(SettingsTest, BadValuesAreReportedAndLoseNothingElse) {
    const std::string base = encipherText("секрет", "login");
    put("[Brontavel]\r\nInInternetAll=12x\r\nDengiAll=abc\r\nLockPass=abc\r\n"
        "StatisticDate=2,x\r\nRedialPause=99\r\nIconIndex=-4\r\nInTrafficAll=77\r\n"
        "[RAS_Entry_Домашний]\r\nPhone_0=111\r\nPingErrorMode=9\r\nInCurrentAll=5\r\n"
        "Login_0=" +
        base + "{1,5}+\r\nPassword_0=\r\nLogin_1=" + base + "{2.5}-\r\n" +
        "Password_1=" + encipherText("секрет", "pw1") + "\r\n" +
        "tariffcount=7\r\ntariff1=1.5\r\ntariff2=2,5E-1\r\n"
        "app0path=x\r\nappcount=1\r\napp0runmethod=5\r\n");
    auto r = run();
    r->settings.LoadSettings();
    const MainForm& f = r->form;
    EXPECT_EQ(
        r->hooks.errors,
        (std::vector<std::string>{
            "'12x' is not a valid integer value.", "'x' is not a valid integer value.",
            "Base64: Incorrect string format.", "'abc' is not a valid floating point value."}));
    EXPECT_EQ(f.stats.inInternetAll, 0);
    EXPECT_EQ(f.stats.inCurrentAll, 5);
    EXPECT_EQ(f.stats.trafficAll.current.in, 77);
    EXPECT_EQ(f.general.UpDown.position, 60);
    EXPECT_EQ(f.iface.TrackBar.position, 0);
    EXPECT_EQ(f.dial.PingBox.itemIndex, 0);
    EXPECT_EQ(f.tariffs.tariffcount.itemIndex, 2);
    EXPECT_EQ(f.tariffs.tariff1.value, 1.5);  // either separator
    EXPECT_EQ(f.tariffs.tariff2.value, 0.25);
    ASSERT_EQ(f.programs.size(), 1u);
    EXPECT_EQ(f.programs[0].runMethod, 2);
    EXPECT_EQ(f.state.lockPassword, "секрет");  // kept: the stored one is unreadable
    // The lists are complete and every password stays with its own login.
    ASSERT_EQ(f.phones.size(), 1u);
    ASSERT_EQ(f.logins.size(), 2u);
    EXPECT_EQ(f.logins[0].login, "login");
    EXPECT_EQ(f.logins[0].password, "");
    EXPECT_EQ(f.logins[0].money, "1,5");
    EXPECT_EQ(f.logins[1].password, "pw1");
    EXPECT_EQ(f.logins[1].flag, '-');
}

TEST_F(SettingsTest, NothingOfOneEntryMovesToAnother) {
    put("[RAS_Entry_Домашний]\r\nInitPrefix=9W\r\nInitSufix=#\r\nLowLimit=28800\r\n"
        "[RAS_Entry_Работа]\r\nLowLimit=50000\r\ntime1=2\r\ntime2=5\r\n"
        "[RAS_Entry_Демо]\r\nLowLimit=fast\r\n");
    auto r = run();
    r->settings.LoadSettings();
    EXPECT_EQ(r->form.dial.LowLimit.text(), "28800");
    r->form.tariffs.time2.minValue = 11;  // as hours from 10 o'clock on display leave it
    r->form.conn.ComboBox1.itemIndex = 1;
    r->settings.LoadSettings();
    // Keys the entry lacks load empty; the hours set their own limits.
    EXPECT_EQ(r->form.extra.InitPrefix.text, "");
    EXPECT_EQ(r->form.extra.InitSufix.text, "");
    EXPECT_EQ(r->form.tariffs.time2.value, 5);
    EXPECT_EQ(r->form.tariffs.time2.minValue, 3);
    // A speed the list lacks joins it in its place and stays the entry's minimum.
    const ComboBox& speeds = r->form.dial.LowLimit;
    EXPECT_EQ(speeds.text(), "50000");
    EXPECT_EQ(speeds.items[speeds.itemIndex - 1], "48000");
    EXPECT_TRUE(r->form.dial.LimitCheck.checked);
    r->settings.SaveSettings("Работа");
    EXPECT_EQ(Profile(path()).readString("RAS_Entry_Работа", "LowLimit", ""), "50000");
    // A minimum that is no number is said, and off.
    r->form.conn.ComboBox1.itemIndex = 2;
    r->profile.writeString("Brontavel", "LastSelectedEntry", "Демо");
    r->settings.LoadSettings();
    EXPECT_FALSE(r->form.dial.LimitCheck.checked);
    EXPECT_EQ(speeds.text(), "33600");
    EXPECT_EQ(speeds.items.size(), 19u);
    EXPECT_EQ(r->hooks.errors, std::vector<std::string>{"'fast' is not a valid integer value."});
}

TEST_F(SettingsTest, ListsHoldAtMost51ItemsAndLoginsThatLookLikeFlagsSurvive) {
    auto r = run();
    for (int i = 0; i < 60; ++i)
        r->form.phones.push_back({std::to_string(i), ItemMark::Normal});
    // A login whose enciphered text ends in "+".
    std::string tricky;
    for (int i = 100; i < 1000 && tricky.empty(); ++i) {
        const std::string candidate = std::to_string(i);  // three bytes: no padding
        if (encipherText("секрет", candidate).back() == '+') tricky = candidate;
    }
    ASSERT_FALSE(tricky.empty());
    r->form.logins = {{tricky, "p", "0", '+', ItemMark::Normal}};
    r->settings.SaveSettings("Домашний");
    Profile p(path());
    EXPECT_FALSE(p.hasKey("RAS_Entry_Домашний", "Phone_51"));
    // A bare Base64 value (no money part) still deciphers.
    p.writeString("RAS_Entry_Домашний", "Login_0", encipherText("секрет", tricky));
    auto again = run();
    again->settings.LoadSettings();
    EXPECT_EQ(again->form.phones.size(), 51u);
    ASSERT_EQ(again->form.logins.size(), 1u);
    EXPECT_EQ(again->form.logins[0].login, tricky);
    EXPECT_EQ(again->form.logins[0].money, "0");
}

TEST_F(SettingsTest, StatisticsRollOverAtLoadAndAtSave) {
    loop_.setLocalDateTime({2026, 12, 1, 9, 0, 0, 0});
    put("[Brontavel]\r\nStatisticDate=7,31\r\nInInternetDay=100\r\nInInternetMonth=900\r\n"
        "DengiMonth=5\r\n[RAS_Entry_Домашний]\r\nInInternetCurrentMonth=40\r\n");
    auto r = run();
    r->settings.LoadSettings();
    const Statistics& s = r->form.stats;
    EXPECT_EQ(s.inInternetDay, 0);
    EXPECT_EQ(s.inInternetLastMonth, 900);
    EXPECT_EQ(s.inInternetMonth, 0);
    EXPECT_EQ(s.inInternetCurrentLastMonth, 40);
    EXPECT_EQ(s.dengiLastMonth, 5);
    EXPECT_EQ(s.stored, (StatDate{2026, 12, 1}));
    // A day that begins while the program is idle is rolled over before the save writes it.
    r->form.stats.inInternetDay = 50;
    loop_.setLocalDateTime({2026, 12, 2, 0, 0, 5, 0});
    r->settings.SaveSettings("Домашний");
    Profile p(path());
    EXPECT_EQ(p.readString("Brontavel", "InInternetDay", ""), "0");
    EXPECT_EQ(p.readString("Brontavel", "StatisticDate", ""), "4,2");
    EXPECT_EQ(p.readString("Brontavel", "InInternetLastMonth", ""), "900");
}

TEST_F(SettingsTest, TheFullDateOfTheLastSaveTellsEachMonthChange) {
    // Last saved on the 7th of last month, the program starts on the 7th.
    put("[Brontavel]\r\nStatisticDate=7,7\r\nStatisticFullDate=2026-11-07\r\n"
        "InInternetMonth=900\r\nDengiMonth=5\r\n"
        "[RAS_Entry_Домашний]\r\nStatisticFullDate=2026-11-07\r\nInInternetCurrentMonth=40\r\n"
        "[RAS_Entry_Работа]\r\nStatisticFullDate=2026-11-30\r\nInInternetCurrentMonth=30\r\n"
        "InTrafficCurrentMonth=12\r\n");
    auto r = run();
    r->settings.LoadSettings();
    const Statistics& s = r->form.stats;
    EXPECT_EQ(s.inInternetLastMonth, 900);
    EXPECT_EQ(s.inInternetMonth, 0);
    EXPECT_EQ(s.dengiLastMonth, 5);
    EXPECT_EQ(s.inInternetCurrentLastMonth, 40);
    r->form.conn.ComboBox1.itemIndex = 1;  // another entry selected: the shown one is saved
    r->settings.SaveSettings("Домашний");
    Profile p(path());
    EXPECT_EQ(p.readString("Brontavel", "StatisticDate", ""), "2,7");
    EXPECT_EQ(p.readString("Brontavel", "StatisticFullDate", ""), "2026-12-07");
    EXPECT_EQ(p.readString("RAS_Entry_Домашний", "StatisticFullDate", ""), "2026-12-07");
    // An entry not on display at the month change rolls over by its own date when shown.
    r->settings.LoadSettings();
    ASSERT_EQ(r->form.conn.ComboBox1.text(), "Работа");
    EXPECT_EQ(s.inInternetLastMonth, 900);  // the program-wide figures moved once
    EXPECT_EQ(s.inInternetCurrentLastMonth, 30);
    EXPECT_EQ(s.inInternetCurrentMonth, 0);
    EXPECT_EQ(s.trafficCurrentLastMonth.in, 12);
    EXPECT_TRUE(r->hooks.errors.empty());

    // Without the full date the day of the month decides, as before: the same day, no change.
    put("[Brontavel]\r\nStatisticDate=7,7\r\nInInternetMonth=900\r\nInInternetDay=8\r\n");
    auto old = run();
    old->settings.LoadSettings();
    EXPECT_EQ(old->form.stats.inInternetMonth, 900);
    EXPECT_EQ(old->form.stats.inInternetDay, 8);
}

TEST_F(SettingsTest, AStoredDayOutsideTheMonthIsSaidSo) {
    for (const char* date : {"2,45", "2,0"}) {
        put(std::string("[Brontavel]\r\nStatisticDate=") + date + "\r\nInInternetDay=8\r\n");
        auto r = run();
        r->settings.LoadSettings();
        ASSERT_EQ(r->hooks.errors.size(), 1u);
        EXPECT_EQ(r->hooks.errors[0], std::string("Дата статистики StatisticDate \"") + date +
                                          "\" неверна: день месяца " + (date + 2) +
                                          " вне пределов от 1 до 31.");
        EXPECT_EQ(r->form.stats.inInternetDay, 8);
    }
    put("[Brontavel]\r\nStatisticDate=2,6\r\nStatisticFullDate=2026-02-30\r\n");
    auto r = run();
    r->settings.LoadSettings();
    ASSERT_EQ(r->hooks.errors.size(), 1u);
    EXPECT_NE(r->hooks.errors[0].find("ГГГГ-ММ-ДД"), std::string::npos);
    EXPECT_EQ(r->form.stats.stored, (StatDate{2026, 12, 7}));  // the day rule applied: rolled
}

TEST_F(SettingsTest, ALoginForAnEntryWithoutASectionKeepsItsPhonebookLists) {
    auto r = run();
    r->hooks.phonebook.phones = {{"111"}, {"222"}};
    r->hooks.phonebook.logins = {{"user", "?"}};
    ASSERT_TRUE(r->settings.AppendLogin("Работа", {"other", "pw", "3", '-'}));
    EXPECT_EQ(r->hooks.seeded, std::vector<std::string>{"Работа"});
    r->form.conn.ComboBox1.itemIndex = 1;
    r->settings.givenPassword = "секрет";
    r->settings.LoadSettings();
    EXPECT_EQ(r->form.phones, r->hooks.phonebook.phones);
    ASSERT_EQ(r->form.logins.size(), 2u);
    EXPECT_EQ(r->form.logins[0].login, "user");
    EXPECT_EQ(r->form.logins[1].login, "other");
    EXPECT_EQ(r->form.logins[1].password, "pw");
    EXPECT_EQ(r->form.logins[1].flag, '-');
    EXPECT_EQ(r->hooks.seeded.size(), 1u);  // the section is there now
}

TEST_F(SettingsTest, NoEntryNameAndDifferentlyCasedSections) {
    put("[ras_entry_Домашний]\r\nPhone_0=first\r\n[RAS_ENTRY_домашний]\r\nPhone_0=second\r\n");
    auto r = run();
    r->settings.LoadSettings();
    ASSERT_EQ(r->form.phones.size(), 1u);
    EXPECT_EQ(r->form.phones[0].number, "first");
    r->form.conn.ComboBox1.items.clear();
    r->form.conn.ComboBox1.itemIndex = -1;
    r->settings.SaveSettings("");
    Profile p(path());
    EXPECT_TRUE(p.sectionExists("RAS_Entry_"));
    EXPECT_EQ(p.readString("RAS_Entry_Домашний", "Phone_0", ""), "first");
}

TEST_F(SettingsTest, AFailedWriteRaisesAndKeepsTheFile) {
    {
        auto r = run();
        fill(r->form);
        r->settings.SaveSettings("Домашний");
    }
    const std::string before = raw();
    fs::remove(path());
    fs::create_directory(path());  // the settings file's name now holds a directory
    auto r = run();
    fill(r->form);
    try {
        r->settings.SaveSettings("Домашний");
        FAIL() << "no error";
    } catch (const ProfileWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path());
    }
    fs::remove(path());
    std::ofstream(path(), std::ios::binary) << before;
    EXPECT_EQ(raw(), before);
}
