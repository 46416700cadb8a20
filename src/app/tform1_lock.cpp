// The main window: the program lock, its dialog, the password change and the lock hot key.
#include "app/tform1.h"

#include "app/cipher.h"
#include "app/list_grammar.h"
#include "app/lock_dialog.h"
#include "app/tform1_private.h"
#include "form/page_switches.h"
#include "platform/codepage.h"

namespace velmor {

// --- the lock --------------------------------------------------------------------------------

void TForm1::openLockDialog() {
    TForm6 dialog(Model.state);
    ui_.showLockDialog(dialog);
    if (dialog.FormClose()) {
        terminate_ = true;
        ui_.terminate();
    }
}

void TForm1::BitLockClick() {
    auto& st = Model.state;
    if (st.lockPassword.empty()) {
        openLockDialog();
    } else if (st.locked) {
        openLockDialog();
    } else {
        st.locked = true;
    }
    showLockState(Model);
}

void TForm1::PopupChangePassPopup() {
    Model.conn.N1.enabled = !Model.state.locked;
}

void TForm1::N1Click() {
    if (Model.state.locked) return;
    const std::string old = Model.state.lockPassword;
    Model.state.changePasswordMode = true;
    TForm6 dialog(Model.state);
    ui_.showLockDialog(dialog);
    Model.state.changePasswordMode = false;
    if (dialog.FormClose()) {
        terminate_ = true;
        ui_.terminate();
        return;
    }
    if (Model.state.lockPassword != old && profile_) {
        guarded([&] { reencipherSecrets(old, Model.state.lockPassword); });
    }
}

void TForm1::reencipherSecrets(const std::string& oldPassword, const std::string& newPassword) {
    // Every entry's logins and passwords and the program password go to disk in one write, so no
    // entry is left with secrets that the new password cannot read.
    const CipherScope keys;
    Profile::Batch batch(*profile_);
    for (const std::string& section : profile_->sections()) {
        if (!equalsIgnoreCase(section.substr(0, 10), "RAS_Entry_")) continue;
        for (const std::string& key : profile_->keys(section)) {
            const bool login = equalsIgnoreCase(key.substr(0, 6), "Login_");
            const bool password = equalsIgnoreCase(key.substr(0, 9), "Password_");
            if (!login && !password) continue;
            const std::string value = profile_->readString(section, key, "");
            if (value.empty()) continue;
            try {
                if (login) {
                    StoredLogin s = parseLoginValue(value);
                    s.cipherText =
                        encipherText(newPassword, decipherText(oldPassword, s.cipherText));
                    // A bare enciphered login is written back bare.
                    profile_->writeString(
                        section, key,
                        value.find('{') == std::string::npos ? s.cipherText : formatLoginValue(s));
                } else {
                    profile_->writeString(
                        section, key, encipherText(newPassword, decipherText(oldPassword, value)));
                }
            } catch (const Base64Error&) {
                // An unreadable value stays as it is.
            }
        }
    }
    profile_->writeString(kMainSection, "LockPass", settings_->EncryptLockPass(newPassword));
}

void TForm1::LockHotKey() {
    if (ui_.applicationMinimized()) {
        if (Model.state.locked) return;
        if (Model.state.lockPassword.empty()) {
            openLockDialog();
        } else {
            Model.state.locked = true;
        }
        showLockState(Model);
        return;
    }
    BitLockClick();
}

}  // namespace velmor
