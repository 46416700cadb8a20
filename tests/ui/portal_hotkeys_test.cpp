// Global hot keys through the desktop portal, on a bus of the test's own against a stand-in portal:
// what the program binds, a press running the binding's action, the keys the desktop gives shown
// on the page, re-binding on apply, and a portal that is missing, lacks the interface or refuses.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "app/tform1.h"
#include "platform/app_id.h"
#include "platform/ras.h"
#include "stand_in_portal.h"
#include "support/private_bus.h"
#include "ui/lock_dialog_window.h"
#include "ui/main_window.h"
#include "ui/password_line_edit.h"
#include "ui/portal_hotkeys.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_user_interface.h"
#include "ui_test_support.h"

namespace velmor::test {
namespace {

template <class F>
bool spinUntil(F done, int ms = 5000) {
    for (int waited = 0; waited < ms && !done(); waited += 20)
        spin(20);
    return done();
}

TEST(PortalTrigger, IsTheDesktopsFormOfTheCombination) {
    EXPECT_EQ(portalTrigger(0, 121), "F10");
    EXPECT_EQ(portalTrigger(kModControl, 122), "CTRL+F11");
    EXPECT_EQ(portalTrigger(kModControl | kModAlt | kModShift | kModWin, 'A'),
              "CTRL+ALT+SHIFT+LOGO+a");
    EXPECT_EQ(portalTrigger(kModShift, 33), "SHIFT+Prior");
    EXPECT_EQ(portalTrigger(0, 101), "KP_5");
    EXPECT_EQ(portalTrigger(0, 0xFF), "");  // no such key
}

// The program's form and window over a bus of the test's own, its hot keys from the portal.
class PortalHotKeysTest : public ::testing::Test {
  protected:
    PortalHotKeysTest() : bus(home.path().toStdString()) {}

    void SetUp() override {
        if (bus.address().empty()) GTEST_SKIP() << "no dbus-daemon on this machine";
    }

    // The program in the folder dir, its settings new.
    void start(std::optional<StandInPortal::Kind> kind, const QString& folder) {
        const std::string dir = folder.toStdString() + "/";
        std::ofstream(dir + "phonebook.ini")
            << "[Быстрый]\nDevice=sim\nSimStepMs=20\nPhoneNumber=111\nUserName=u\nPassword=p\n";
        if (kind)
            portal = std::make_unique<StandInPortal>(QString::fromStdString(bus.address()), *kind);
        keys = std::make_unique<PortalHotKeys>(
            QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "velmor"));
        ras = ras::makePhonebookService(loop, dir + "phonebook.ini");
        form = std::make_unique<TForm1>(loop, *ras, ui, dir, LocaleFormat::russian());
        window = std::make_unique<MainWindow>(*form, ui);
        form->setHotKeyService(keys.get());
        // The first start sets the program password.
        whenModal([](QWidget* up) {
            qobject_cast<QMessageBox*>(up)->button(QMessageBox::Ok)->click();
            whenModal([](QWidget* next) {
                auto* lock = qobject_cast<LockDialogWindow*>(next);
                typeText(lock->passwordEdit(), QStringLiteral("Пароль"));
                child<QPushButton>(lock, "OkButton")->click();
            });
        });
        form->FormCreate("");
        window->refresh();
        window->show();
        form->FormShow();
        // The three bindings switched on, with their keys F10, F11 and Ctrl+F11, applied.
        auto& h = form->Model.hotkeys;
        h.DialCheck.checked = h.MinCheck.checked = h.LockCheck.checked = true;
        form->Button11Click();
    }

    QString text(const char* label) { return child<QLabel>(window.get(), label)->text(); }
    bool shown(const char* label) { return !child<QLabel>(window.get(), label)->isHidden(); }

    QTemporaryDir home;
    PrivateBus bus;
    QtEventLoop loop;
    QtUserInterface ui{home.path()};
    std::unique_ptr<StandInPortal> portal;
    std::unique_ptr<PortalHotKeys> keys;
    std::unique_ptr<ras::RasService> ras;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<MainWindow> window;
};

TEST_F(PortalHotKeysTest, BindsTheBindingsRunsTheirActionsAndShowsTheKeysTheDesktopGave) {
    start(StandInPortal::Kind::Binds, home.path());
    portal->give[QStringLiteral("HotLock")] = QStringLiteral("Ctrl+Alt+L");
    ASSERT_TRUE(spinUntil([&] { return portal->binds == 1 && shown("LockTrigger"); }));
    // The program told the portal who it is, then bound one shortcut per binding.
    EXPECT_EQ(portal->registeredIds, QStringList{QString::fromLatin1(kAppId)});
    using S = std::array<QString, 3>;
    EXPECT_EQ(portal->bound,
              (std::vector<S>{{"HotDial", "Звонить/прервать/перезвонить", "F10"},
                              {"HotMin", "Свернуть/развернуть", "F11"},
                              {"HotLock", "Заблокировать/разблокировать", "CTRL+F11"}}));
    // Beside each binding, the keys the desktop gave it; the page has global hot keys.
    EXPECT_EQ(text("DialTrigger"), QStringLiteral("Рабочий стол назначил: F10"));
    EXPECT_EQ(text("LockTrigger"), QStringLiteral("Рабочий стол назначил: Ctrl+Alt+L"));
    EXPECT_FALSE(shown("NoHotKeysLabel"));

    // A press of the dial keys dials; the next hangs up.
    portal->activate(QStringLiteral("HotDial"));
    ASSERT_TRUE(spinUntil([&] { return form->Model.conn.Button1.caption == "Разорвать"; }))
        << form->Model.conn.Label2.caption;
    portal->activate(QStringLiteral("HotDial"));
    EXPECT_TRUE(spinUntil([&] { return form->Model.conn.Button1.caption == "Звонить"; }));
    // The minimize keys minimize, and restore.
    portal->activate(QStringLiteral("HotMin"));
    EXPECT_TRUE(spinUntil([&] { return ui.applicationMinimized(); }));
    portal->activate(QStringLiteral("HotMin"));
    EXPECT_TRUE(spinUntil([&] { return !ui.applicationMinimized(); }));
    const QString session = portal->session;
    // The user gives the minimize binding other keys in the desktop's settings.
    portal->change(QStringLiteral("HotMin"), QStringLiteral("Shift+F12"));
    EXPECT_TRUE(spinUntil(
        [&] { return text("MinTrigger") == QStringLiteral("Рабочий стол назначил: Shift+F12"); }));

    // Applying the page binds anew in a new session, the old one closed: switched off, the lock
    // binding goes; a binding the desktop leaves without keys says so.
    portal->give[QStringLiteral("HotMin")] = QStringLiteral("-");
    form->Model.hotkeys.LockCheck.checked = false;
    form->Button11Click();
    ASSERT_TRUE(spinUntil([&] { return portal->binds == 2 && !shown("LockTrigger"); }));
    EXPECT_EQ(portal->closed, QStringList{session});
    ASSERT_EQ(portal->bound.size(), 2u);
    EXPECT_EQ(text("MinTrigger"), QStringLiteral("Рабочий стол не назначил клавиш"));
    EXPECT_TRUE(shown("DialTrigger"));
    form->Model.hotkeys.Button11.enabled = false;
    // A press reported for the closed session is not the program's.
    portal->session = session;
    portal->activate(QStringLiteral("HotDial"));
    spin(200);
    EXPECT_EQ(form->Model.conn.Button1.caption, "Звонить");
}

TEST_F(PortalHotKeysTest, AMissingOrRefusingPortalIsToldOnThePageAndHoldsNothing) {
    for (const auto kind : {std::optional<StandInPortal::Kind>{},
                            std::optional(StandInPortal::Kind::WithoutShortcuts),
                            std::optional(StandInPortal::Kind::Refuses)}) {
        SCOPED_TRACE(kind ? static_cast<int>(*kind) : -1);
        QTemporaryDir programDir;
        start(kind, programDir.path());
        EXPECT_TRUE(spinUntil([&] { return shown("NoHotKeysLabel"); }));
        EXPECT_EQ(text("NoHotKeysLabel"),
                  QStringLiteral("На этом рабочем столе глобальные горячие клавиши недоступны."));
        // Nothing is held, so choosing "Нигде" warns that the window could not come back.
        EXPECT_TRUE(form->HotKeys.registrations().empty());
        EXPECT_FALSE(shown("MinTrigger"));
        window.reset();
        form.reset();
        keys.reset();
        portal.reset();
    }
}

}  // namespace
}  // namespace velmor::test
