// The main window, page "Настройки": the redial pause, display modes, hints, checks and hot keys.
#include "app/tform1.h"

#include "app/tform1_private.h"
#include "form/page_switches.h"

namespace velmor {

// --- settings pages --------------------------------------------------------------------------

void TForm1::applyRedialPause() {
    Cycle.setPause(Model.general.UpDown.position);
}

void TForm1::UpDownClick() {
    Model.general.PauseEdit.text = std::to_string(Model.general.UpDown.position);
    Model.general.Label29.visible = Model.general.UpDown.position <= 3;
    applyRedialPause();
}

void TForm1::applyDisplay() {
    // While dialling the state counts as not connected.
    showConnectionIcon(Model.conn.Button1.caption == kHangUpCaption);
}

void TForm1::showConnectionIcon(bool connected) {
    Model.window.iconIndex = iconIndexFor(Model.iface.TrackBar.position, connected);
    Model.iface.Image7.iconIndex = Model.window.iconIndex;
    if (TrayIcon) TrayIcon->setIcon(Model.window.iconIndex);
    // A loaded mode is put in force; the icon changes of a connection leave the mode as it is.
    if (appliedMode_ != Model.mode()) applyMode(DisplayEvent::Select);
}

void TForm1::TaskRadioClick() {
    Model.setMode(DisplayMode::Task);
    applyMode(DisplayEvent::Select);
}
void TForm1::TrayRadioClick() {
    Model.setMode(DisplayMode::Tray);
    applyMode(DisplayEvent::Select);
    tellTrayFallback();
}
void TForm1::BothRadioClick() {
    Model.setMode(DisplayMode::Both);
    applyMode(DisplayEvent::Select);
}
void TForm1::NoneRadioClick() {
    Model.setMode(DisplayMode::None);
    applyMode(DisplayEvent::Select);
    // Minimized in this mode, only the minimize/restore hot key brings the window back.
    tellRestoreFallback();
}
void TForm1::TrackBarChange() {
    applyDisplay();
}

void TForm1::NotShowHintsClick() {
    Model.window.showHints = !Model.iface.NotShowHints.checked;
    ui_.setHintsEnabled(Model.window.showHints);
}

void TForm1::PingCheckClick() {
    velmor::PingCheckClick(Model);
}
void TForm1::LimitCheckClick() {
    velmor::LimitCheckClick(Model);
}
void TForm1::CheckBox1Click() {
    velmor::CheckBox1Click(Model);
}

void TForm1::HotKeyChanged() {
    Model.hotkeys.Button11.enabled = true;
}

void TForm1::applyHotKeys() {
    auto& h = Model.hotkeys;
    // Each binding lets go of the combination it held before it registers its new one.
    hotKeyBindings_[0].apply(HotKeys, h.DialCheck.checked, h.HotDial.hotKey);
    hotKeyBindings_[1].apply(HotKeys, h.MinCheck.checked, h.HotMin.hotKey);
    hotKeyBindings_[2].apply(HotKeys, h.LockCheck.checked, h.HotLock.hotKey);
    Display.setRestoreKey(restoreKeyRegistered());
    // Applied by the button, by leaving the page or by loading the settings: nothing is left
    // to apply.
    h.Button11.enabled = false;
}

void TForm1::Button11Click() {
    applyHotKeys();
}

void TForm1::PageLeft(int pageIndex, int innerIndex) {
    if (pageIndex == 1 && innerIndex == 3 && Model.hotkeys.Button11.enabled) Button11Click();
    if (pageIndex == 3 && Model.timer.Button13.enabled) Button13Click();
    // Switching pages sets each price again to its own value, which re-formats its text.
    for (NumberEdit* e : {&Model.tariffs.tariff1, &Model.tariffs.tariff2, &Model.tariffs.tariff3}) {
        e->text = formatReal(e->value, Model.locale.decimalSeparator);
    }
}

}  // namespace velmor
