// The window following the display state of the model, the tray's Qt services and the hot-key
// page's note.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

#include "desktop/display_modes.h"
#include "form/form_model.h"
#include "ui/main_window.h"
#include "ui/qt_clipboard.h"
#include "ui/qt_tray.h"
#include "ui/qt_user_interface.h"
#include "ui_test_support.h"

namespace velmor::test {
namespace {

class TrayWindowTest : public ::testing::Test {
  protected:
    TrayWindowTest() : modes(model.window), window(model, handlers) {
        // The form's part: the mode table on the application's minimize and restore.
        handlers.actions["ApplyModeOnMinimize"] = [this] {
            model.window.minimized = true;
            modes.apply(mode, DisplayEvent::Minimize);
        };
        handlers.actions["ApplyModeOnRestore"] = [this] {
            model.window.minimized = false;
            modes.apply(mode, DisplayEvent::Restore);
        };
    }

    MainForm model;
    DisplayModes modes;
    DisplayMode mode = DisplayMode::Task;
    RecordingHandlers handlers;
    MainWindow window;
};

TEST_F(TrayWindowTest, WindowFollowsMinimizedStateAndTaskbarButton) {
    // Nothing is enforced before the window is first shown.
    model.window.minimized = true;
    window.refresh();
    EXPECT_FALSE(window.isVisible());
    model.window.minimized = false;
    window.show();
    spin(20);

    // TASK: minimized with its taskbar button, the window is iconified, not hidden.
    window.minimizeApplication();
    EXPECT_EQ(handlers.take(), (std::vector<std::string>{"ApplyModeOnMinimize"}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
    window.restoreApplication();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());

    // TRAY: minimized means out of sight; restored it shows again.
    mode = DisplayMode::Tray;
    modes.apply(mode, DisplayEvent::Select);
    window.refresh();
    window.minimizeApplication();
    EXPECT_FALSE(window.isVisible());
    window.restoreApplication();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());

    // The user minimizing the window (title bar) runs the form's minimize step.
    handlers.take();
    window.showMinimized();
    spin(20);
    EXPECT_EQ(handlers.take(), (std::vector<std::string>{"ApplyModeOnMinimize"}));
    EXPECT_TRUE(model.window.minimized);
    EXPECT_FALSE(window.isVisible());

    // The front end's minimize and restore go through the window, and it tells the state.
    QtUserInterface ui;
    ui.setMainWindow(&window);
    EXPECT_TRUE(ui.applicationMinimized());
    ui.restoreApplication();
    EXPECT_FALSE(ui.applicationMinimized());
    EXPECT_TRUE(window.isVisible());
    ui.setMainWindow(nullptr);
}

TEST_F(TrayWindowTest, MenuIsUpdatedWheneverItOpensAndThePageTellsOfMissingHotKeys) {
    window.show();
    whenModal([](QWidget* menu) { menu->close(); });
    window.popupMenu1()->exec(QPoint(10, 10));
    EXPECT_EQ(handlers.take(), (std::vector<std::string>{"PopupMenu1Popup"}));

    QLabel* note = child<QLabel>(&window, "NoHotKeysLabel");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isHidden());
    model.hotkeys.NoHotKeysLabel.visible = true;
    window.refresh();
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(note->text(),
              QStringLiteral("На этом рабочем столе глобальные горячие клавиши недоступны."));
}

TEST(QtTray, ServiceWithoutANotificationAreaAndTheClipboard) {
    // The offscreen platform without a session bus has no notification area; icons can still be
    // made and set.
    QtTrayService tray(50, QDBusConnection(QStringLiteral("no bus")));
    EXPECT_FALSE(tray.available());
    EXPECT_GT(tray.doubleClickTime(), 0);
    QMenu menu;
    tray.setWindowMenu(&menu);
    auto icon = tray.createIcon();
    ASSERT_NE(icon, nullptr);
    icon->setStoreIcon(7);
    icon->setTip("Velmor");
    icon->useWindowMenu();
    icon->setVisible(true);
    icon->showBalloon("t", "x", BalloonKind::Information, 1000);
    icon->hideBalloon();
    int chosen = 0;
    icon->setMenu({{"Открыть", true, [&] { ++chosen; }}});
    icon->setFileIcon("/nonexistent/program");
    bool changed = false;
    tray.onAvailabilityChanged = [&](bool) { changed = true; };
    spin(120);
    EXPECT_FALSE(changed);
    icon.reset();

    QtClipboard clipboard;
    ASSERT_TRUE(clipboard.setText("10.64.0.2"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("10.64.0.2"));
}

}  // namespace
}  // namespace velmor::test
