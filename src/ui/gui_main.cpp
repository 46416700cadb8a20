#include "ui/gui_main.h"

#include <QApplication>

#include "app/tform1.h"
#include "platform/app_id.h"
#include "platform/icmp.h"
#include "platform/linux/linux_automation.h"
#include "platform/linux/x11_hotkeys.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/ras.h"
#include "ui/main_window.h"
#include "ui/program_tray_hook.h"
#include "ui/qt_clipboard.h"
#include "ui/qt_event_loop.h"
#include "ui/qt_tray.h"
#include "ui/qt_user_interface.h"

namespace velmor {

int runWindow(const ProgramOptions& options, int argc, char** argv) {
    QApplication app(argc, argv);
    // The desktop (a Wayland compositor, the portals, the task switcher) finds the desktop entry by
    // this name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kAppId));
    const std::string dir = programDirectory();
    // The help pages are the program's, not the user's: they lie beside the executable.
    QtUserInterface ui(QString::fromStdString(executableDirectory()));
    // A second start while the program runs ends at once, without a window or a message.
    InstanceLock lock(InstanceLock::defaultPath());
    const InstanceCheck instance = checkSingleInstance(lock, ui);
    if (instance != InstanceCheck::Run) return instance == InstanceCheck::Failed ? 1 : 0;

    if (!checkSettingsFile(dir + "Velmor.ini", ui)) return 0;

    QtEventLoop loop;
    auto ras = ras::makeDefaultService(loop);
    // The desktop services outlive the form, which releases its icon and hot keys through them.
    // Global hot keys are X11 key grabs: a Wayland session has none.
    QtTrayService tray;
    QtClipboard clipboard;
    std::unique_ptr<HotKeyService> hotKeys;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        hotKeys = std::make_unique<X11HotKeys>(loop);
    } else {
        hotKeys = std::make_unique<NoHotKeys>();
    }
    // The window ends the program; a message box closed over the hidden window does not.
    app.setQuitOnLastWindowClosed(false);
    auto automation = makeLinuxAutomation();
    auto programTray = makeProgramTrayIcons(loop, &tray);
    const auto icmpService = icmp::makeSystemService(loop);
    TForm1 form(loop, *ras, ui, dir, LocaleFormat::fromSystem());
    form.setAutomationServices(automation->services());
    form.setProgramTrayIcons(programTray.get());
    form.setIcmpService(icmpService.get());
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
    if (options.dial)
        loop.post([&] {
            form.DialOnRequest();
            window.refresh();
        });
    return app.exec();
}

}  // namespace velmor
