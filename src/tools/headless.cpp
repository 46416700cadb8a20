#include "tools/headless.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "app/exit_dialog.h"
#include "app/lock_dialog.h"
#include "app/tform1.h"
#include "platform/icmp.h"
#include "platform/linux/linux_automation.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/ras.h"
#include "ui/qt_event_loop.h"

namespace velmor {
namespace {

constexpr int kExitRefused = 2;

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    const ssize_t n = ::write(signalPipe[1], &c, 1);
    static_cast<void>(n);
}

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
    void refresh() override {}
    // Nobody here to choose a file or fill in the program dialog.
    std::optional<std::string> chooseFile(const std::string&) override { return std::nullopt; }
    void showProgramDialog(TForm8&) override {}

    bool terminated = false;

  private:
    const ProgramOptions& options_;
};

}  // namespace

int runHeadless(const ProgramOptions& options, int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Velmor");
    HeadlessUI ui(options);
    InstanceLock lock(InstanceLock::defaultPath());
    switch (checkSingleInstance(lock, ui)) {
        case InstanceCheck::AnotherRuns:
            return 0;  // another copy runs: end silently
        case InstanceCheck::Failed:
            return 1;
        case InstanceCheck::Run:
            break;
    }

    // A signal that comes during start-up is handled once the loop runs.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);

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
    TForm1 form(loop, *ras, ui, dir, LocaleFormat::fromSystem());
    form.setAutomationServices(automation->services());
    form.setIcmpService(icmpService.get());
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

    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char buf[16];
        while (::read(signalPipe[0], buf, sizeof buf) > 0) {
        }
        if (form.Close()) QCoreApplication::exit(0);
    });

    if (options.dial) loop.post([&] { form.DialOnRequest(); });
    const int status = app.exec();
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    return status;
}

}  // namespace velmor
