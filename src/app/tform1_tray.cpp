// The main window's own buttons and menu, the tray icon, the display modes, the hot keys and the
// update check.
#include "app/tform1.h"

#include <algorithm>

#include "app/tform1_private.h"
#include "desktop/about_box.h"
#include "desktop/hot_key_desktop.h"

namespace velmor {

namespace {
constexpr const char* kRestoreCaption = "Восстановить";
constexpr const char* kHideCaption = "Свернуть";
constexpr int kBalloonSeconds = 60;
constexpr const char* kNoTray =
    "На этом рабочем столе нет области уведомлений (трея), поэтому Velmor остаётся в таскбаре.";
constexpr const char* kNoRestoreHotKey =
    "Горячая клавиша \"Свернуть/развернуть\" не зарегистрирована, поэтому Velmor остаётся в "
    "таскбаре: без неё свёрнутую программу нельзя было бы вернуть на экран.";
}  // namespace

// --- window, menu ----------------------------------------------------------------------------

void TForm1::Button2Click() {
    ui_.minimizeApplication();
}

void TForm1::Button10Click() {
    static const char* const settingsTopics[] = {"obshie", "interface", "dozvon", "hotkeys",
                                                 "dopolnit"};
    static const char* const pageTopics[] = {"conn", nullptr, "sounds", "timer", "statistika"};
    const auto& w = Model.window;
    const char* topic = w.pageIndex == 1 ? settingsTopics[std::clamp(w.settingsPageIndex, 0, 4)]
                                         : pageTopics[std::clamp(w.pageIndex, 0, 4)];
    ui_.showHelp(topic);
}

void TForm1::Button3Click() {
    TAboutBox box(loop_, ui_, HomePage, programDir_);
    ui_.showAboutBox(box);
}

void TForm1::PopupMenu1Popup() {
    auto& m = Model.menu;
    m.CopyIP.enabled = Monitor.TimerStatus.enabled();
    m.MShow.caption = ui_.applicationMinimized() ? kRestoreCaption : kHideCaption;
    if (Model.conn.Button1.caption == kHangUpCaption) m.MCall.enabled = false;
    // The lists keep a selected row while they are not empty.
    auto& c = Model.conn;
    if (c.ListView1.itemIndex < 0 && !Model.phones.empty()) c.ListView1.itemIndex = 0;
    if (c.ListView2.itemIndex < 0 && !Model.logins.empty()) c.ListView2.itemIndex = 0;
}

void TForm1::MShowClick() {
    // The action set when the menu opened.
    if (Model.menu.MShow.caption == kRestoreCaption) {
        MRestoreClick();
    } else {
        MHideClick();
    }
}

void TForm1::MRecallClick() {
    Cycle.recall();
}
void TForm1::MNextClick() {
    Cycle.next();
}
void TForm1::CopyIPClick() {
    // A clipboard that cannot be had leaves things as they are.
    if (clipboard_) clipboard_->setText(RasCon.LocalIP());
}

// --- tray ------------------------------------------------------------------------------------

void TForm1::showBalloon(const std::string& title, const std::string& text) {
    if (TrayIcon) TrayIcon->ShowBalloon(title, text, BalloonKind::Information, kBalloonSeconds);
}

void TForm1::hideBalloon() {
    if (TrayIcon) TrayIcon->HideBalloon();
}

// --- update check ----------------------------------------------------------------------------

void TForm1::CheckForUpdate() {
    Download.URL = HomePage + "/update.inf";
    Download.FileName = programDir_ + "update.inf";
    Download.GetFile();
}

void TForm1::DownloadDoneFile(const std::string& /*fileName*/, std::int64_t /*size*/) {
    std::string line;
    if (!takeFirstLine(programDir_ + "update.inf", line)) return;
    if (!looksLikeVersion(line) || !isNewerVersion(line)) return;
    if (ui_.applicationMinimized()) {
        showBalloon("Найдена новая версия", "Velmor " + line + " доступен для скачивания.");
    } else if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo,
                              "Найдена новая версия (" + line + "). Открыть сайт программы?") ==
               MessageResult::Yes) {
        ui_.openUrl(HomePage);
    }
}

// --- tray icon, display modes, hot keys --------------------------------------------------------

void TForm1::setTrayService(TrayService* service) {
    if (trayService_) trayService_->onAvailabilityChanged = nullptr;
    trayService_ = service;
    if (TrayIcon) TrayIcon->attach(service);
    Display.setTrayAvailable(service && service->available());
    if (service) {
        // A panel that starts after the program (or ends) moves the window between the tray and
        // the taskbar.
        service->onAvailabilityChanged = [this](bool available) {
            Display.setTrayAvailable(available);
            ui_.refresh();
        };
    }
}

void TForm1::setHotKeyService(HotKeyService* service) {
    forgetHotKeyService();
    HotKeys.setService(service);
    Model.hotkeys.NoHotKeysLabel.visible = service && !service->available();
    Display.setRestoreKey(restoreKeyRegistered());
    if (!service) return;
    // A desktop that has the last word on the keys shows what each is for, and tells which keys
    // it gave them.
    service->purposeOf = [this](unsigned modifiers, std::uint8_t virtualKey) {
        return hotKeyPurpose(Model.hotkeys, hotKeyValue(modifiers, virtualKey));
    };
    service->onTriggersChosen = [this](const std::map<int, std::string>& triggers) {
        showDesktopTriggers(Model.hotkeys, HotKeys, triggers);
        ui_.refresh();
    };
    // Global hot keys found missing or refused later: nothing is held (choosing "Нигде" warns);
    // back again, the bindings are put in force anew.
    service->onAvailabilityChanged = [this](bool available) {
        Model.hotkeys.NoHotKeysLabel.visible = !available;
        if (available) {
            applyHotKeys();
        } else {
            HotKeys.ClearHotKeys();
            Display.setRestoreKey(restoreKeyRegistered());
        }
        ui_.refresh();
    };
}

void TForm1::forgetHotKeyService() {
    HotKeyService* old = HotKeys.service();
    if (!old) return;
    old->purposeOf = nullptr;
    old->onTriggersChosen = nullptr;
    old->onAvailabilityChanged = nullptr;
}

void TForm1::setClipboard(Clipboard* clipboard) {
    clipboard_ = clipboard;
}

void TForm1::applyMode(DisplayEvent event) {
    const DisplayMode mode = Model.mode();
    Display.setRestoreKey(restoreKeyRegistered());
    Display.apply(mode, event);
    appliedMode_ = mode;
    if (TrayIcon) TrayIcon->setIconVisible(Model.window.trayIconVisible);
}

void TForm1::tellTrayFallback() {
    if (!Display.fallingBack() || trayFallbackTold_) return;
    trayFallbackTold_ = true;
    ui_.messageBox(MessageKind::Warning, MessageButtons::Ok, kNoTray);
}

bool TForm1::restoreKeyRegistered() const {
    const auto& h = Model.hotkeys;
    return h.MinCheck.checked && HotKeys.isRegistered(h.HotMin.hotKey);
}

void TForm1::tellRestoreFallback() {
    if (!Display.keptForNoRestoreKey() || restoreFallbackTold_) return;
    restoreFallbackTold_ = true;
    ui_.messageBox(MessageKind::Warning, MessageButtons::Ok, kNoRestoreHotKey);
}

void TForm1::ApplyModeOnMinimize() {
    Model.window.minimized = true;
    Model.window.visible = false;
    applyMode(DisplayEvent::Minimize);
    tellTrayFallback();
    tellRestoreFallback();
}

void TForm1::ApplyModeOnRestore() {
    Model.window.minimized = false;
    Model.window.visible = true;
    applyMode(DisplayEvent::Restore);
}

void TForm1::TrayIconClick() {
    guarded([&] {
        const auto& c = Model.conn;
        const StatusBalloon b =
            statusBalloon(c.Button1.caption, c.Label2.caption, c.ComboBox1.text(), Accept.speed(),
                          RasCon.LocalIP(), Model.locale.decimalSeparator);
        TrayIcon->ShowBalloon(b.title, b.text, BalloonKind::Information, kBalloonSeconds);
    });
    ui_.refresh();
}

void TForm1::TrayIconDblClick() {
    // Restored, but not brought to the front.
    ui_.restoreApplication();
    ui_.refresh();
}

void TForm1::MRestoreClick() {
    ui_.restoreApplication();
    ui_.bringToFront();
}

void TForm1::MHideClick() {
    ui_.minimizeApplication();
}

void TForm1::HotKeysHotKeyPressed(std::uint32_t value) {
    // Every switched-on binding whose field holds the value runs its action, in this order.
    const auto pressed = static_cast<std::uint16_t>(value);
    const auto& h = Model.hotkeys;
    if (h.DialCheck.checked && pressed == h.HotDial.hotKey) guarded([&] { Button1Click(); });
    if (h.MinCheck.checked && pressed == h.HotMin.hotKey) {
        guarded([&] {
            if (ui_.applicationMinimized()) {
                ui_.restoreApplication();
            } else {
                ui_.minimizeApplication();
            }
        });
    }
    if (h.LockCheck.checked && pressed == h.HotLock.hotKey) guarded([&] { LockHotKey(); });
    ui_.refresh();
}

}  // namespace velmor
