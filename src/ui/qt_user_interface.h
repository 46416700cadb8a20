// The front end of the window program: message boxes, the modal dialogs and the application
// window's operations, with Qt.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

#include "form/user_interface.h"

namespace velmor {

class AppWindow;

class QtUserInterface : public UserInterface {
  public:
    // programDirectory: the folder of the program, where the help pages are looked for (its "help"
    // folder, that of the source tree it was built in, or the installed program's data folder).
    // Empty: the executable's folder.
    explicit QtUserInterface(QString programDirectory = {});
    ~QtUserInterface() override;
    QtUserInterface(const QtUserInterface&) = delete;
    QtUserInterface& operator=(const QtUserInterface&) = delete;

    // The main window: dialogs are centred on it and refresh redraws it.
    void setMainWindow(AppWindow* window);
    AppWindow* mainWindow() const { return widget_ ? window_ : nullptr; }

    MessageResult messageBox(MessageKind kind, MessageButtons buttons,
                             const std::string& text) override;
    void showLockDialog(TForm6& dialog) override;
    void showExitDialog(TForm7& dialog) override;
    void showPhoneDialog(TForm2& dialog) override;
    void showLoginDialog(LoginDialog& dialog) override;
    bool editPhonebookEntry(PhonebookEntry& entry, bool creating) override;
    void showAboutBox(TAboutBox& box) override;
    void openUrl(const std::string& address) override;

    void minimizeApplication() override;
    void restoreApplication() override;
    bool applicationMinimized() const override;
    bool taskbarButtonHideable() const override;
    void bringToFront() override;
    void setHintsEnabled(bool on) override;
    void showHelp(const std::string& topic) override;
    void terminate() override;
    void refresh() override;
    std::optional<std::string> chooseFile(const std::string& filter) override;
    void showProgramDialog(TForm8& dialog) override;

    bool hintsEnabled() const { return hintsOn_; }
    bool terminateRequested() const { return terminate_; }
    // The help page of a topic, or empty when there is none.
    QString helpPage(const std::string& topic) const;
    // How a help page is opened (the desktop's viewer by default).
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { open_ = std::move(opener); }

  private:
    QWidget* dialogParent() const;

    QString programDir_;
    AppWindow* window_ = nullptr;
    QPointer<QWidget> widget_;  // the window's widget, while it lives
    QObject* hintFilter_ = nullptr;
    bool hintsOn_ = true;
    bool minimized_ = false;
    bool terminate_ = false;
    std::function<bool(const QUrl&)> open_;
};

}  // namespace velmor
