#include "tools/headless.h"

#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <tuple>

#include "app/exit_dialog.h"
#include "app/lock_dialog.h"
#include "app/tform1.h"
#include "platform/icmp.h"
#include "platform/linux/linux_automation.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/ras.h"
#include "ui/dbus_control.h"
#include "ui/logind_power.h"
#include "ui/qt_event_loop.h"
#include "ui/termination_signals.h"

namespace velmor {
namespace {

constexpr int kExitRefused = 2;

// Reads one line from the terminal without echo.
bool readHiddenLine(std::string& line) {
    termios old{};
    const bool tty = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (tty) {
        termios quiet = old;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const bool ok = static_cast<bool>(std::getline(std::cin, line));
    if (tty) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
        std::fputs("\n", stderr);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return ok;
}

// Answers every question with its safe answer and prints every message.
class HeadlessUI : public UserInterface {
  public:
    explicit HeadlessUI(const ProgramOptions& options) : options_(options) {}

    MessageResult messageBox(MessageKind, MessageButtons buttons,
                             const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        switch (buttons) {
            case MessageButtons::OkIgnore:
                return MessageResult::Ignore;
            case MessageButtons::YesNo:
                return MessageResult::No;
            case MessageButtons::CancelIgnore:
                return MessageResult::Cancel;
            default:
                return MessageResult::Ok;
        }
    }

    void showLockDialog(TForm6& dialog) override {
        if (dialog.mode() != LockMode::Set) return;  // nobody here to unlock or change
        std::string error;
        if (options_.passwordFile) {
            std::ifstream in(*options_.passwordFile);
            std::string line;
            if (!in || !std::getline(in, line)) {
                std::fprintf(stderr, "Не удалось прочитать файл пароля %s\n",
                             options_.passwordFile->c_str());
                return;
            }
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!dialog.PasswordEdit.paste(line) || !dialog.OkClick(error)) {
                std::fprintf(
                    stderr, "%s\n",
                    error.empty() ? "Пароль содержит недопустимые символы" : error.c_str());
            }
            return;
        }
        if (!::isatty(STDIN_FILENO)) return;
        for (;;) {
            std::fprintf(stderr, "%s: ", dialog.LabelText.c_str());
            std::fflush(stderr);
            std::string line;
            if (!readHiddenLine(line)) return;
            dialog.PasswordEdit.setPassword("");
            if (!dialog.PasswordEdit.paste(line)) {
                std::fprintf(stderr, "Пароль содержит недопустимые символы\n");
                continue;
            }
            if (dialog.OkClick(error)) return;
            std::fprintf(stderr, "%s\n", error.c_str());
        }
    }

    // Closing from a signal drops the line: the question is answered "Да".
    void showExitDialog(TForm7& dialog) override {
        dialog.FormShow();
        dialog.YesClick();
    }
    // Nobody here to fill in a dialog: each one is cancelled.
    void showPhoneDialog(TForm2&) override {}
    void showLoginDialog(LoginDialog&) override {}
    bool editPhonebookEntry(PhonebookEntry&, bool) override { return false; }
    void showAboutBox(TAboutBox&) override {}
    void openUrl(const std::string&) override {}
    void minimizeApplication() override {}
    void restoreApplication() override {}
    bool applicationMinimized() const override { return false; }
    void setHintsEnabled(bool) override {}
    void showHelp(const std::string&) override {}
    void terminate() override { terminated = true; }
    // The state line and the previous attempt's line, each time they change: a failure that comes
    // later than the dial is told too, with its reason.
    void refresh() override {
        if (changed) changed();
        if (!form) return;
        const auto& c = form->Model.conn;
        for (auto [label, shown, caption] :
             {std::tuple{&c.Label2, &stateShown_, "Состояние: "},
              std::tuple{&c.Label4, &previousShown_, "Прошлая попытка: "}}) {
            if (label->caption == *shown) continue;
            *shown = label->caption;
            if (!shown->empty()) std::fprintf(stderr, "%s%s\n", caption, shown->c_str());
        }
    }
    // Nobody here to choose a file or fill in the program dialog.
    std::optional<std::string> chooseFile(const std::string&) override { return std::nullopt; }
    void showProgramDialog(TForm8&) override {}

    bool terminated = false;
    // The model may have changed.
    std::function<void()> changed;
    const TForm1* form = nullptr;

  private:
    const ProgramOptions& options_;
    std::string stateShown_, previousShown_;
};

}  // namespace

int runHeadless(const ProgramOptions& options, int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Velmor");
    HeadlessUI ui(options);
    InstanceLock lock(InstanceLock::defaultPath());
    switch (checkSingleInstance(lock, ui)) {
        case InstanceCheck::AnotherRuns:
            // Another copy runs: it is asked to show itself (or to dial), and this one ends.
            activateRunningInstance(options.dial);
            return 0;
        case InstanceCheck::Failed:
            return 1;
        case InstanceCheck::Run:
            break;
    }

    // A signal that comes during start-up is handled once the loop runs.
    TerminationSignals endSignals;

    const std::string dir = programDirectory();
    if (!checkSettingsFile(dir + "Velmor.ini", ui)) return kExitRefused;

    QtEventLoop loop;
    auto ras = ras::makeDefaultService(loop);
    if (options.entry) {
        std::vector<std::string> names;
        ras->enumEntries(names);
        if (std::find(names.begin(), names.end(), *options.entry) == names.end()) {
            std::fprintf(stderr, "Нет соединения «%s» в телефонной книге\n",
                         options.entry->c_str());
            return kExitRefused;
        }
    }

    auto automation = makeLinuxAutomation();  // without a display the " ICQ" watchdog is off
    const auto icmpService = icmp::makeSystemService(loop);
    const auto power = makeSystemPowerService();
    TForm1 form(loop, *ras, ui, dir, LocaleFormat::fromSystem());
    ui.form = &form;
    struct Forget {
        HeadlessUI& ui;
        ~Forget() { ui.form = nullptr; }
    } forget{ui};
    form.setAutomationServices(automation->services());
    form.setIcmpService(icmpService.get());
    form.setPowerService(power.get());
    form.setHistoryFile(historyFile());
    form.LogFile.onLine = [](const std::string& line) {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    };
    if (options.entry) form.setStartEntry(*options.entry);
    form.FormCreate(options.firstArgument);
    // No program password was given: its message has been printed.
    if (form.TerminateRequested()) return kExitRefused;
    form.FormShow();

    endSignals.whenSignalled([&] {
        if (form.Close()) QCoreApplication::exit(0);
    });

    // Other programs of the user watch and drive the program on the session bus, when there is
    // one (a gateway under the user's service manager has it).
    DBusControl control(form.Remote);
    if (std::string why; control.start(why)) {
        form.Remote.setService(&control);
        ui.changed = [&form] { form.Remote.modelChanged(); };
    } else {
        std::fprintf(stderr, "Управлять программой через velmorctl нельзя: %s\n", why.c_str());
    }

    if (options.dial)
        loop.post([&] {
            form.DialOnRequest();
            ui.refresh();
        });
    const int status = app.exec();
    ui.changed = nullptr;
    form.Remote.setService(nullptr);
    return status;
}

}  // namespace velmor
