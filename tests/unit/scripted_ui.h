// A front end for tests: records what the core shows and answers from a script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/exit_dialog.h"
#include "app/lock_dialog.h"
#include "automation/program_dialog.h"
#include "dialing/list_dialogs.h"
#include "form/user_interface.h"
#include "platform/phonebook.h"

namespace velmor::test {

class ScriptedUI : public UserInterface {
  public:
    struct Shown {
        MessageKind kind;
        MessageButtons buttons;
        std::string text;
    };
    std::vector<Shown> messages;
    std::deque<MessageResult> answers;  // next answers; Ok (or Yes) when empty
    // What the user does in the lock dialog; by default closes it without a word.
    std::function<void(TForm6&)> lockDialog;
    std::vector<std::string> lockCaptions;
    std::function<void(TForm7&)> exitDialog;
    int exitDialogs = 0;
    std::function<bool(PhonebookEntry&, bool)> entryDialog;
    // What the user does in the phone and login dialogs; by default "Отмена".
    std::function<void(TForm2&)> phoneDialog;
    std::function<void(LoginDialog&)> loginDialog;
    bool minimized = false;
    bool hints = true;
    bool terminated = false;
    std::vector<std::string> helpTopics;

    MessageResult messageBox(MessageKind kind, MessageButtons buttons,
                             const std::string& text) override {
        messages.push_back({kind, buttons, text});
        if (!answers.empty()) {
            const MessageResult r = answers.front();
            answers.pop_front();
            return r;
        }
        return buttons == MessageButtons::YesNo ? MessageResult::Yes : MessageResult::Ok;
    }
    void showLockDialog(TForm6& dialog) override {
        lockCaptions.push_back(dialog.Caption);
        if (lockDialog) lockDialog(dialog);
    }
    void showExitDialog(TForm7& dialog) override {
        ++exitDialogs;
        dialog.FormShow();
        if (exitDialog) exitDialog(dialog);
    }
    void showPhoneDialog(TForm2& dialog) override {
        if (phoneDialog) phoneDialog(dialog);
    }
    void showLoginDialog(LoginDialog& dialog) override {
        if (loginDialog) loginDialog(dialog);
    }
    std::function<void(TAboutBox&)> aboutBox;
    std::vector<std::string> openedUrls;
    void showAboutBox(TAboutBox& box) override {
        if (aboutBox) aboutBox(box);
    }
    void openUrl(const std::string& address) override { openedUrls.push_back(address); }
    bool editPhonebookEntry(PhonebookEntry& entry, bool creating) override {
        return entryDialog && entryDialog(entry, creating);
    }
    void minimizeApplication() override {
        minimized = true;
        if (onMinimize) onMinimize();
    }
    void restoreApplication() override {
        minimized = false;
        if (onRestore) onRestore();
    }
    bool applicationMinimized() const override { return minimized; }
    bool taskbarButtonHideable() const override { return taskbarHideable; }
    bool taskbarHideable = true;
    void bringToFront() override { ++broughtToFront; }
    void setHintsEnabled(bool on) override { hints = on; }
    void showHelp(const std::string& topic) override { helpTopics.push_back(topic); }
    void terminate() override { terminated = true; }
    void refresh() override {
        if (onRefresh) onRefresh();
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Shown& m : messages)
            out.push_back(m.text);
        return out;
    }

    // The user types a password and presses "ОК" until the dialog accepts (or gives up).
    static std::function<void(TForm6&)> typing(std::string password) {
        return [password](TForm6& d) {
            std::string error;
            d.PasswordEdit.setPassword("");
            d.PasswordEdit.paste(password);
            d.OkClick(error);
        };
    }

    // The file dialog: the filters it was opened with, and the file the user picks (by default
    // the dialog is cancelled).
    std::vector<std::string> fileFilters;
    std::function<std::optional<std::string>(const std::string& filter)> fileChooser;
    std::optional<std::string> chooseFile(const std::string& filter) override {
        fileFilters.push_back(filter);
        return fileChooser ? fileChooser(filter) : std::nullopt;
    }
    // What the user does in the launched-program dialog; by default "Отмена".
    std::function<void(TForm8&)> programDialog;
    void showProgramDialog(TForm8& dialog) override {
        if (programDialog) programDialog(dialog);
    }

    // What a redraw runs.
    std::function<void()> onRefresh;
    // What the application's minimize and restore events run (the form's display-mode steps).
    std::function<void()> onMinimize;
    std::function<void()> onRestore;
    int broughtToFront = 0;
};

}  // namespace velmor::test
