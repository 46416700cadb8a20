// What the core asks of a front end: message boxes, the modal dialogs and window operations.
#pragma once

#include <optional>
#include <string>

namespace velmor {

class TForm2;
class TForm6;
class TForm7;
class LoginDialog;
class TForm8;
class TAboutBox;
struct PhonebookEntry;

enum class MessageKind { Error, Information, Warning, Question };
enum class MessageButtons { Ok, OkIgnore, YesNo, CancelIgnore };
enum class MessageResult { None, Ok, Ignore, Yes, No, Cancel };

class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // A message box titled "Velmor"; returns the button pressed (None when closed otherwise).
    virtual MessageResult messageBox(MessageKind kind, MessageButtons buttons,
                                     const std::string& text) = 0;
    // The program lock dialog, modal: returns when it has closed. The front end calls OkClick on
    // "ОК" and shows the error it gives; it never decides itself.
    virtual void showLockDialog(TForm6& dialog) = 0;
    // The exit question, modal: returns once dialog.closed().
    virtual void showExitDialog(TForm7& dialog) = 0;
    // The phone dialog and the login dialog, modal; they end with OkClick (or ResultClick) on
    // their buttons, and "Отмена" leaves them unaccepted.
    virtual void showPhoneDialog(TForm2& dialog) = 0;
    virtual void showLoginDialog(LoginDialog& dialog) = 0;
    // The phonebook entry dialog, modal: false when cancelled.
    virtual bool editPhonebookEntry(PhonebookEntry& entry, bool creating) = 0;
    // The about box, modal.
    virtual void showAboutBox(TAboutBox& box) = 0;
    // Opens a web address in the browser.
    virtual void openUrl(const std::string& address) = 0;

    // The application window.
    virtual void minimizeApplication() = 0;
    virtual void restoreApplication() = 0;
    virtual bool applicationMinimized() const = 0;
    // The window's taskbar button can be taken away while it is shown (not in a Wayland
    // session, where only a window out of sight leaves the taskbar).
    virtual bool taskbarButtonHideable() const { return true; }
    // Makes the main window the active one (after a restore from the tray menu).
    virtual void bringToFront() {}
    virtual void setHintsEnabled(bool on) = 0;
    // Opens the help file at a topic.
    virtual void showHelp(const std::string& topic) = 0;
    // Ends the program once the current event handler returns, without the close request.
    virtual void terminate() = 0;
    // The model changed outside a widget handler (a timer, a RAS event): redraw.
    virtual void refresh() = 0;

    // --- sounds and launched programs ---
    // A file-open dialog that accepts only existing files in existing folders. filter: pairs of a
    // description and its patterns, all separated by "|" ("Звуковые файлы (*.wav)|*.wav").
    // Nothing when cancelled.
    virtual std::optional<std::string> chooseFile(const std::string& /*filter*/) {
        return std::nullopt;
    }
    // The launched-program dialog, modal; it ends with OkClick on "OK", and "Отмена" leaves it
    // unaccepted.
    virtual void showProgramDialog(TForm8& /*dialog*/) {}
};

}  // namespace velmor
