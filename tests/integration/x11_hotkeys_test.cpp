#include "platform/linux/x11_hotkeys.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "desktop/hot_keys.h"
#include "platform/virtual_loop.h"
#include "support/x_server.h"

using namespace velmor;
using velmor::test::OwnXServer;

namespace {

// Runs the loop's posted work until the condition holds or two seconds have passed.
template <class F>
bool waitFor(VirtualLoop& loop, F done) {
    for (int i = 0; i < 200; ++i) {
        loop.runPending();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool sendKeys(const std::string& display, const std::string& keys) {
    return velmor::test::runProcess("/usr/bin/env", {"xdotool", "key", "--clearmodifiers", keys},
                                    {"DISPLAY=" + display})
               .status == 0;
}

TEST(X11HotKeys, GrabsReportPressesAndRefuseWhatAnotherClientHolds) {
    for (const char* tool : {"Xvfb", "xdotool"}) {
        if (!velmor::test::onPath(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    char tmpl[] = "/tmp/velmor-hotkeys-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    {
        OwnXServer x(dir);
        ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
        VirtualLoop loop;
        X11HotKeys service(loop, x.display());
        ASSERT_TRUE(service.available());
        THotKeys keys;
        keys.setService(&service);
        std::vector<std::uint32_t> pressed;
        keys.OnHotKeyPressed = [&](std::uint32_t value, std::uint16_t) {
            pressed.push_back(value);
        };
        const std::uint16_t id = keys.AddHotKey(16506);  // Ctrl+F11
        ASSERT_NE(id, 0);
        EXPECT_NE(keys.AddHotKey(0x8000 | 'K'), 0);  // Alt+K

        ASSERT_TRUE(sendKeys(x.display(), "ctrl+F11"));
        ASSERT_TRUE(waitFor(loop, [&] { return !pressed.empty(); })) << "no press arrived";
        EXPECT_EQ(pressed[0], 16506u);
        // Caps Lock on does not hide the combination.
        ASSERT_TRUE(sendKeys(x.display(), "Caps_Lock"));
        ASSERT_TRUE(sendKeys(x.display(), "alt+k"));
        ASSERT_TRUE(waitFor(loop, [&] { return pressed.size() == 2; }));
        EXPECT_EQ(pressed[1], 0x8000u | 'K');
        ASSERT_TRUE(sendKeys(x.display(), "Caps_Lock"));
        // F11 alone is not registered: nothing.
        ASSERT_TRUE(sendKeys(x.display(), "F11"));
        loop.runPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        loop.runPending();
        EXPECT_EQ(pressed.size(), 2u);

        // Another client cannot have what this one holds; once released, it can.
        X11HotKeys other(loop, x.display());
        EXPECT_FALSE(other.registerHotKey(1, kModControl, 122));
        EXPECT_TRUE(keys.RemoveHotKey(16506));
        EXPECT_TRUE(other.registerHotKey(1, kModControl, 122));
        // A binding given another combination lets the old one go first, and so does one
        // switched off with yet another key typed.
        HotKeyBinding dial;
        dial.apply(keys, true, 0x4000 | 121);  // Ctrl+F10
        EXPECT_FALSE(other.registerHotKey(5, kModControl, 121));
        dial.apply(keys, true, 0x4000 | 120);  // Ctrl+F9
        EXPECT_TRUE(other.registerHotKey(5, kModControl, 121));
        EXPECT_FALSE(other.registerHotKey(6, kModControl, 120));
        dial.apply(keys, false, 0x4000 | 119);
        EXPECT_TRUE(other.registerHotKey(6, kModControl, 120));
        // Here the same keys twice are refused as well.
        EXPECT_FALSE(other.registerHotKey(2, kModControl, 122));
        EXPECT_TRUE(other.unregisterHotKey(1));
        EXPECT_FALSE(other.unregisterHotKey(1));
        // A key with no place on an X keyboard cannot be registered.
        EXPECT_FALSE(other.registerHotKey(3, 0, 0xFF));
    }
    std::filesystem::remove_all(dir);
}

TEST(X11HotKeys, WithoutADisplayNothingCanBeRegistered) {
    VirtualLoop loop;
    X11HotKeys service(loop, ":9876");  // no such server
    EXPECT_FALSE(service.available());
    EXPECT_FALSE(service.registerHotKey(1, 0, 121));
    EXPECT_FALSE(service.unregisterHotKey(1));
    EXPECT_EQ(keysymOfVirtualKey('A'), 0x61u);
    EXPECT_EQ(keysymOfVirtualKey(122), 0xffc8u);  // F11
    EXPECT_EQ(keysymOfVirtualKey(0), 0u);
}

}  // namespace
