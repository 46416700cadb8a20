#include "ui/gui_main.h"

#include <QApplication>
#include <QSessionManager>
#include <cstdio>

#include "app/tform1.h"
#include "platform/app_id.h"
#include "platform/desktop_session.h"
#include "platform/icmp.h"
#include "platform/linux/linux_automation.h"
#include "platform/linux/x11_hotkeys.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/ras.h"
#include "ui/dbus_control.h"
#include "ui/logind_power.h"
#include "ui/main_window.h"
#include "ui/portal_hotkeys.h"
#include "ui/program_tray_hook.h"
#include "ui/qt_clipboard.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_translations.h"
#include "ui/qt_tray.h"
#include "ui/qt_user_interface.h"
#include "ui/termination_signals.h"

namespace velmor {

int runWindow(const ProgramOptions& options, int argc, char** argv) {
    QApplication app(argc, argv);
    // The desktop (a Wayland compositor, the portals, the task switcher) finds the desktop entry by
    // this name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kAppId));
    installQtTranslations(app);
    const std::string dir = programDirectory();
    // The help pages are the program's, not the user's: they lie beside the executable.
    QtUserInterface ui(QString::fromStdString(executableDirectory()));
    // A second start while the program runs ends at once, without a window or a message: the
    // program that runs shows its window (or dials, for the desktop entry's action).
    InstanceLock lock(InstanceLock::defaultPath());
    const InstanceCheck instance = checkSingleInstance(lock, ui);
    if (instance == InstanceCheck::AnotherRuns) {
        activateRunningInstance(options.dial);
        return 0;
    }
    if (instance != InstanceCheck::Run) return 1;

    if (!checkSettingsFile(dir + "Velmor.ini", ui)) return 0;
    // A signal that comes during start-up is handled once the window is up.
    TerminationSignals endSignals;

    QtEventLoop loop;
    auto ras = ras::makeDefaultService(loop);
    // The desktop services outlive the form, which releases its icon and hot keys through them.
    // Global hot keys are the desktop portal's in a Wayland session (key grabs through XWayland
    // would see the keys only while an X11 window has the focus), X11 key grabs on X11.
    QtTrayService tray;
    QtClipboard clipboard;
    std::unique_ptr<HotKeyService> hotKeys;
    if (waylandSession()) {
        hotKeys = std::make_unique<PortalHotKeys>();
    } else if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        hotKeys = std::make_unique<X11HotKeys>(loop);
    } else {
        hotKeys = std::make_unique<NoHotKeys>();
    }
    // The window ends the program; a message box closed over the hidden window does not.
    app.setQuitOnLastWindowClosed(false);
    auto automation = makeLinuxAutomation();
    auto programTray = makeProgramTrayIcons(loop, &tray);
    const auto icmpService = icmp::makeSystemService(loop);
    const auto power = makeSystemPowerService();
    TForm1 form(loop, *ras, ui, dir, LocaleFormat::fromSystem());
    form.setAutomationServices(automation->services());
    form.setProgramTrayIcons(programTray.get());
    form.setIcmpService(icmpService.get());
    form.setPowerService(power.get());
    form.setHistoryFile(historyFile());
    MainWindow window(form, ui);
    tray.setWindowMenu(window.popupMenu1());
    form.setTrayService(&tray);
    form.setClipboard(&clipboard);
    form.setHotKeyService(hotKeys.get());
    if (options.entry) form.setStartEntry(*options.entry);
    form.FormCreate(options.firstArgument);
    // The set-password dialog closed without a password: the program ends without saving.
    if (form.TerminateRequested()) return 0;
    window.refresh();
    window.show();
    form.FormShow();
    // Other programs of the user watch and drive the program on the session bus.
    DBusControl control(form.Remote);
    if (std::string why; control.start(why)) {
        form.Remote.setService(&control);
        window.onRefresh([&form] { form.Remote.modelChanged(); });
    } else {
        std::fprintf(stderr, "velmor: управлять программой через velmorctl нельзя: %s\n",
                     why.c_str());
    }
    if (options.dial)
        loop.post([&] {
            form.DialOnRequest();
            window.refresh();
        });
    // Told to end (SIGTERM, SIGHUP, SIGINT), or the desktop session ends: the program ends as
    // "Выход" does, the line dropped, without a question. The session manager's request to save
    // comes first (the end may still be called off).
    endSignals.whenSignalled([&] {
        form.Close(false);
        QCoreApplication::exit(0);
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest,
                     [&](QSessionManager&) { form.SaveForSession(); });
    const int status = app.exec();
    if (!form.TerminateRequested()) form.Close(false);
    form.Remote.setService(nullptr);
    return status;
}

}  // namespace velmor
