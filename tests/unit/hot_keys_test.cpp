#include "desktop/hot_keys.h"

#include <gtest/gtest.h>

#include "desktop_fakes.h"
#include "platform/profile.h"
#include "program_fixture.h"

using namespace velmor;
using velmor::test::FakeHotKeys;
using velmor::test::Program;

namespace {

constexpr std::uint8_t kF10 = 121;
constexpr std::uint8_t kF11 = 122;
constexpr std::uint8_t kF12 = 123;

TEST(HotKeyRegistry, ValuesIdsAndReleases) {
    // The value's modifier bits and the system's modifiers, both ways.
    EXPECT_EQ(systemModifiers(0x2000 | 0x4000 | 0x8000 | 0x10000 | 'A'),
              kModShift | kModControl | kModAlt | kModWin);
    EXPECT_EQ(systemModifiers(16506), kModControl);
    EXPECT_EQ(hotKeyValue(kModControl, kF11), 16506u);
    EXPECT_EQ(hotKeyValue(kModAlt | kModWin, 'Q'), 0x8000u + 0x10000u + 'Q');

    FakeHotKeys system;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> pressed;
    {
        THotKeys keys;
        EXPECT_EQ(keys.AddHotKey(kF10), 0) << "no service: nothing can be registered";
        keys.setService(&system);
        keys.OnHotKeyPressed = [&](std::uint32_t v, std::uint16_t id) {
            pressed.push_back({v, id});
        };
        const std::uint16_t first = keys.AddHotKey(kF10);
        const std::uint16_t second = keys.AddHotKey(16506);
        EXPECT_GE(first, 0xC000);
        EXPECT_NE(second, 0);
        EXPECT_NE(first, second);
        EXPECT_TRUE(system.holds(0, kF10));
        EXPECT_TRUE(system.holds(kModControl, kF11));
        // Registered twice, or taken by another program: refused, and the list is unchanged.
        EXPECT_EQ(keys.AddHotKey(kF10), 0);
        system.takenElsewhere.insert({kModShift, kF12});
        EXPECT_EQ(keys.AddHotKey(0x2000 | kF12), 0);
        EXPECT_EQ(keys.registrations().size(), 2u);
        // A value's id is the same while it is in use (the name's atom).
        EXPECT_TRUE(keys.RemoveHotKey(kF10));
        EXPECT_FALSE(keys.RemoveHotKey(kF10));
        EXPECT_FALSE(system.holds(0, kF10));
        EXPECT_NE(keys.AddHotKey(kF10), 0);

        system.press(kModControl, kF11);
        ASSERT_EQ(pressed.size(), 1u);
        EXPECT_EQ(pressed[0].first, 16506u);
        EXPECT_EQ(pressed[0].second, second);
        // A press whose value is not registered here is ignored.
        system.onHotKey(0x7777, kModShift, kF12);
        EXPECT_EQ(pressed.size(), 1u);
        system.log.clear();
    }
    // Destroying the registry releases everything, the last registration first.
    ASSERT_EQ(system.log.size(), 2u);
    EXPECT_TRUE(system.registered.empty());
    EXPECT_EQ(system.log[0].substr(0, 11), "unregister ");
}

class HotKeysTest : public velmor::test::ProgramTest {
  protected:
    std::unique_ptr<Program> started(
        const std::vector<std::pair<std::string, std::string>>& keys = {}) {
        auto p = prepared(keys);
        p->form.setHotKeyService(&system_);
        p->start();
        return p;
    }
    FakeHotKeys system_;
};

TEST_F(HotKeysTest, NothingIsRegisteredUntilApplyAndApplyFollowsTheFields) {
    auto p = started();
    auto& f = p->form;
    auto& h = f.Model.hotkeys;
    EXPECT_TRUE(system_.registered.empty());
    system_.press(0, kF10);
    EXPECT_EQ(f.Model.conn.Button1.caption, kDialCaption);
    EXPECT_FALSE(h.NoHotKeysLabel.visible);

    h.MinCheck.checked = true;
    f.HotKeyChanged();
    EXPECT_TRUE(h.Button11.enabled);
    EXPECT_TRUE(system_.registered.empty());
    f.Button11Click();
    EXPECT_FALSE(h.Button11.enabled);
    EXPECT_TRUE(system_.holds(0, kF11));
    // A new key for a binding that stays on: leaving the page applies it, and the old one is
    // let go first.
    const std::uint16_t oldId = f.HotKeys.registrations().at(0).id;
    h.HotMin.hotKey = 0x4000 | kF12;
    f.HotKeyChanged();
    f.PageLeft(1, 3);
    EXPECT_FALSE(h.Button11.enabled);
    EXPECT_TRUE(system_.holds(kModControl, kF12));
    EXPECT_FALSE(system_.holds(0, kF11));
    ASSERT_EQ(f.HotKeys.registrations().size(), 1u);
    EXPECT_EQ(
        std::vector<std::string>(system_.log.end() - 2, system_.log.end()),
        (std::vector<std::string>{"unregister " + std::to_string(oldId),
                                  "register " + std::to_string(f.HotKeys.registrations()[0].id)}));
    system_.press(kModControl, kF12);
    EXPECT_TRUE(f.Model.window.minimized);
    system_.press(kModControl, kF12);
    EXPECT_FALSE(f.Model.window.minimized);
    // Turned off with yet another key typed in the same apply: what it held is released.
    h.HotMin.hotKey = kF10;
    h.MinCheck.checked = false;
    f.Button11Click();
    EXPECT_TRUE(system_.registered.empty());
    // Off, it releases nothing that another binding holds.
    h.DialCheck.checked = true;
    f.Button11Click();
    EXPECT_TRUE(system_.holds(0, kF10));
    f.Button11Click();
    EXPECT_TRUE(system_.holds(0, kF10));
    h.DialCheck.checked = false;
    f.Button11Click();

    // Taken by another program: silently not registered, the check box stays on.
    system_.takenElsewhere.insert({0, kF10});
    h.DialCheck.checked = true;
    f.Button11Click();
    EXPECT_FALSE(system_.holds(0, kF10));
    EXPECT_TRUE(h.DialCheck.checked);
    EXPECT_TRUE(p->ui.messages.empty());
}

TEST_F(HotKeysTest, StoredBindingsAreRegisteredAtStartAndDialAndLockRun) {
    auto p = started({{"HotDial", "121"}, {"HotMin", ""}, {"HotLock", "16506"}});
    auto& f = p->form;
    auto& h = f.Model.hotkeys;
    EXPECT_TRUE(h.DialCheck.checked);
    EXPECT_FALSE(h.MinCheck.checked);
    EXPECT_EQ(h.HotMin.hotKey, kF11);  // the default stays shown
    EXPECT_TRUE(system_.holds(0, kF10));
    EXPECT_FALSE(system_.holds(0, kF11));
    EXPECT_TRUE(system_.holds(kModControl, kF11));

    system_.press(0, kF10);
    EXPECT_EQ(f.Model.conn.Button1.caption, kAbortCaption);
    system_.press(0, kF10);
    EXPECT_EQ(f.Model.conn.Button1.caption, kDialCaption);

    // Minimized and unlocked: the lock hot key locks without a dialog.
    f.Model.state.locked = false;
    p->ui.minimizeApplication();
    system_.press(kModControl, kF11);
    EXPECT_TRUE(f.Model.state.locked);
    EXPECT_EQ(f.Model.conn.BitLockGlyph, "UNLOCK");
    EXPECT_TRUE(p->ui.lockCaptions.empty());
    // Minimized and locked: nothing.
    system_.press(kModControl, kF11);
    EXPECT_TRUE(f.Model.state.locked);
    EXPECT_TRUE(p->ui.lockCaptions.empty());
    // Visible and locked: as the lock button, the unlock dialog.
    p->ui.restoreApplication();
    system_.press(kModControl, kF11);
    ASSERT_EQ(p->ui.lockCaptions.size(), 1u);
    EXPECT_EQ(p->ui.lockCaptions[0], "Отключение защиты");
}

TEST_F(HotKeysTest, ALoadAppliesTheKeysAndTheScheduleAndLeavesNothingToApply) {
    auto p = started({{"HotMin", "122"}});
    auto& f = p->form;
    EXPECT_FALSE(f.Model.hotkeys.Button11.enabled);
    EXPECT_FALSE(f.Model.timer.Button13.enabled);
    f.Model.hotkeys.HotMin.hotKey = kF12;
    f.HotKeyChanged();
    f.Model.timer.TimerDialCheck.checked = true;
    f.ScheduleChanged();
    // Choosing the entry again saves what is shown and loads it back.
    f.ComboBox1DropDown();
    f.ComboBox1Change();
    EXPECT_TRUE(system_.holds(0, kF12));
    EXPECT_FALSE(system_.holds(0, kF11));
    EXPECT_TRUE(f.Timers->Clocks.DialClock.AlarmEnabled);
    EXPECT_FALSE(f.Model.hotkeys.Button11.enabled);
    EXPECT_FALSE(f.Model.timer.Button13.enabled);
}

TEST_F(HotKeysTest, TwoFieldsWithOneValueRunBothActionsAndAFieldSwitchedOffNone) {
    auto p = started();
    auto& f = p->form;
    auto& h = f.Model.hotkeys;
    f.Model.state.locked = false;
    h.MinCheck.checked = true;
    h.LockCheck.checked = true;
    h.HotMin.hotKey = 0x8000 | 'K';
    h.HotLock.hotKey = 0x8000 | 'K';
    f.Button11Click();
    ASSERT_EQ(f.HotKeys.registrations().size(), 1u);  // the second registration is refused
    // The dial binding is off: its field holding the same key does not dial.
    h.HotDial.hotKey = 0x8000 | 'K';
    system_.press(kModAlt, 'K');
    EXPECT_TRUE(f.Model.window.minimized);
    EXPECT_TRUE(f.Model.state.locked);
    EXPECT_EQ(f.Model.conn.Button1.caption, kDialCaption);
    // Switched off, the restore binding no longer restores; the lock one still unlocks.
    h.MinCheck.checked = false;
    f.Model.state.locked = false;
    system_.press(kModAlt, 'K');
    EXPECT_TRUE(f.Model.window.minimized);
    EXPECT_TRUE(f.Model.state.locked);
}

TEST_F(HotKeysTest, WithoutGlobalHotKeysThePageSaysSoAlsoWhenTheyComeOrGoLater) {
    system_.usable = false;
    auto p = started({{"HotMin", "122"}});
    auto& f = p->form;
    EXPECT_TRUE(f.Model.hotkeys.NoHotKeysLabel.visible);
    EXPECT_TRUE(f.Model.hotkeys.MinCheck.checked);
    EXPECT_TRUE(f.HotKeys.registrations().empty());
    EXPECT_TRUE(p->ui.messages.empty());
    // They come (a desktop service that answers late): the bindings are put in force.
    system_.setUsable(true);
    EXPECT_FALSE(f.Model.hotkeys.NoHotKeysLabel.visible);
    EXPECT_TRUE(system_.holds(0, kF11));
    // They go (refused): nothing is held, so choosing "Нигде" warns.
    system_.setUsable(false);
    EXPECT_TRUE(f.Model.hotkeys.NoHotKeysLabel.visible);
    EXPECT_TRUE(f.HotKeys.registrations().empty());
    f.NoneRadioClick();
    EXPECT_EQ(p->ui.messages.size(), 1u);
}

}  // namespace
