// What each phonebook entry keeps of its own in the settings file, in a whole program: switching
// entries, their names, and the saves that come without one.
#include <gtest/gtest.h>

#include "platform/profile.h"
#include "program_fixture.h"

using namespace velmor;

namespace {

using EntrySettingsTest = velmor::test::ProgramTest;

}  // namespace

TEST_F(EntrySettingsTest, TariffHoursOfOneEntryDoNotLimitAnothers) {
    velmor::test::writeFile(book_, "[Первое]\nPhoneNumber=1\n[Второе]\nPhoneNumber=2\n");
    firstRun();
    {
        Profile f(ini());
        f.writeString("RAS_entry_Первое", "tariffcount", "2");
        f.writeString("RAS_entry_Первое", "time1", "2");
        f.writeString("RAS_entry_Первое", "time2", "5");
        f.writeString("RAS_entry_Первое", "time3", "6");
    }
    auto p = program();
    p->start();
    auto& t = p->form.Model.tariffs;
    ASSERT_EQ(p->form.Model.conn.ComboBox1.text(), "Второе");
    // Three tariffs from 10 and 20 o'clock on the entry shown.
    t.tariffcount.itemIndex = 2;
    p->form.tariffcountClick();
    t.time1.setValue(10);
    p->form.time1Change();
    t.time2.setValue(20);
    p->form.time2Change();
    ASSERT_EQ(t.time3.value, 21);
    p->form.ComboBox1DropDown();
    p->form.Model.conn.ComboBox1.selectText("Первое");
    p->form.ComboBox1Change();
    EXPECT_EQ(t.time1.value, 2);
    EXPECT_EQ(t.time2.value, 5);
    EXPECT_EQ(t.time3.value, 6);
    EXPECT_EQ(t.SpinEdit2.value, 5);
    // The limits are this entry's: the second hour may go down to the first hour's next.
    t.time2.setValue(3);
    EXPECT_EQ(t.time2.value, 3);
    t.time2.setValue(5);
    ASSERT_TRUE(p->form.Close());
    Profile f(ini());
    EXPECT_EQ(f.readString("RAS_entry_Первое", "time2", ""), "5");
    EXPECT_EQ(f.readString("RAS_entry_Первое", "time3", ""), "6");
    EXPECT_EQ(f.readString("RAS_entry_Второе", "time3", ""), "21");
}

TEST_F(EntrySettingsTest, AScheduledHangUpWithoutAnyEntryKeepsTheStoredFigures) {
    velmor::test::writeFile(book_, "; no entries\n");
    {
        Profile f(ini());
        f.writeString("Brontavel", "InInternetAll", "123");
        f.writeString("Brontavel", "Mode", "TRAY");
        f.writeString("Brontavel", "LockPass", "QUJD");
    }
    auto p = program();
    p->start();
    auto& t = p->form.Model.timer;
    t.TimerHangCheck.checked = true;
    t.HangHourUpDown.setPosition(0);
    t.HangMinuteUpDown.setPosition(31);
    t.HangHourEdit.text = "0";
    t.HangMinuteEdit.text = "31";
    p->form.ScheduleChanged();
    p->form.Button13Click();
    loop_.advance(60'000);
    ASSERT_FALSE(t.TimerHangCheck.checked);  // the hang-up ran
    Profile f(ini());
    EXPECT_EQ(f.readString("Brontavel", "InInternetAll", ""), "123");
    EXPECT_EQ(f.readString("Brontavel", "Mode", ""), "TRAY");
    EXPECT_FALSE(f.sectionExists("RAS_Entry_"));
}

TEST_F(EntrySettingsTest, EntriesNamedOutsideTheCodePageKeepTheirOwnSettings) {
    velmor::test::writeFile(book_, "[Αθήνα]\nPhoneNumber=1\n[Πάτρα]\nPhoneNumber=2\n");
    firstRun();
    auto p = program();
    p->start();
    auto& m = p->form.Model;
    auto show = [&](const std::string& entry) {
        p->form.ComboBox1DropDown();
        ASSERT_TRUE(m.conn.ComboBox1.selectText(entry));
        p->form.ComboBox1Change();
    };
    show("Αθήνα");
    m.phones.push_back({"111"});
    m.stats.inCurrentAll = 60;
    show("Πάτρα");
    ASSERT_EQ(m.phones.size(), 1u);
    EXPECT_EQ(m.phones[0].number, "2");
    EXPECT_EQ(m.stats.inCurrentAll, 0);
    // Deleting one deletes that one only.
    p->ui.answers = {MessageResult::Yes};
    p->form.BitBtn7Click();
    EXPECT_EQ(m.conn.ComboBox1.items, std::vector<std::string>{"Αθήνα"});
    ASSERT_EQ(m.phones.size(), 2u);
    EXPECT_EQ(m.phones[1].number, "111");
    EXPECT_EQ(m.stats.inCurrentAll, 60);
}
