// The main window: its creation with every component, the creation sequence, show and close.
#include "app/tform1.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/cipher.h"
#include "app/exit_dialog.h"
#include "app/tform1_private.h"
#include "form/page_switches.h"
#include "platform/machine.h"
#include "platform/phonebook.h"

namespace velmor {
namespace {

// The tray icon store: five sets of two icons, not connected first.
constexpr int kTrayIconCount = 10;

constexpr const char* kWaiting = "Жду Ваших приказаний";
constexpr const char* kRasMissing = "RAS is not installed";
constexpr const char* kNoPassword = "Не задан пароль для работы с программой.";
// Where this user may open no ICMP socket, every ping goes unanswered.
constexpr const char* kNoIcmpSocket =
    "Пинг невозможен: система не даёт открыть ICMP-сокет. Разрешите его группе пользователя "
    "(sysctl net.ipv4.ping_group_range) или дайте программе право CAP_NET_RAW";

void setLabel(Label& l, const std::string& text) {
    l.caption = text;
    l.hint = text;
}

}  // namespace

TForm1::TForm1(EventLoop& loop, ras::RasService& ras, UserInterface& ui, std::string programDir,
               LocaleFormat locale)
    : RasCon(loop, ras),
      RasEdt(ras),
      RasPer(ras),
      LogFile(loop, programDir, locale),
      TimerMinimize(loop, 1),
      Cycle(loop, Model, session, RasCon, LogFile,
            {[this] { Accept.run(); }, [this] { refreshDialAvailability(); },
             [this] { Monitor.TimerStatus.setEnabled(false); }, [this] { Monitor.endSession(); },
             [this] { ui_.refresh(); }}),
      Accept(
          Model, session, RasCon, RasPer, LogFile, Cycle,
          {[this](const std::string& host, int count) { return pingTries(host, count); },
           [this] { connectSound(); }, [this] { ui_.minimizeApplication(); },
           [this](const std::string& title, const std::string& text) { showBalloon(title, text); },
           [this] { showConnectionIcon(true); }, [this] { launchPrograms(); },
           [this] { saveCurrentEntry(); },
           [this] {
               liveSessionStart();
               Monitor.TimerStatus.setEnabled(true);
           }}),
      Monitor(
          loop, Model, session, RasCon, RasPer, LogFile, Cycle,
          {[this] { lossSound(); },
           [this] {
               // The line is gone, whatever the dial button still says at this moment.
               showConnectionIcon(false);
               hideBalloon();
           },
           [this] { ui_.restoreApplication(); }, [this] { programsDisconnected(); },
           [this] { programsCleanUp(); }, [this](const std::string& host) { keepAlivePing(host); },
           [this] { CheckForUpdate(); }, [this] { ui_.refresh(); },
           [this](bool ended) { liveTick(ended); }}),
      Lists(Model, session, ui,
            {[this] { refreshDialAvailability(); },
             [this](const std::string& entry, const LoginItem& login) {
                 // A write that fails keeps the login for the next save: only no room is refused.
                 bool stored = !settings_;
                 if (settings_) {
                     stored = true;
                     guarded([&] { stored = settings_->AppendLogin(entry, login); });
                 }
                 if (!stored) {
                     showError("Список логинов соединения " + entry +
                               " заполнен: больше сохранить нельзя.");
                 }
                 return stored;
             }}),
      Download(loop),
      Quota(Model, LogFile,
            {[this](const std::string& title, const std::string& text) {
                 if (TrayIcon) TrayIcon->ShowBalloon(title, text, BalloonKind::Warning, 60);
             },
             [this] { Cycle.hangUp("Соединение разорвано: исчерпан месячный лимит"); }}),
      Remote(loop, *this),
      loop_(loop),
      rasService_(ras),
      ui_(ui),
      programDir_(std::move(programDir)) {
    Model.locale = locale;
    LogFile.LogFileName = kEventLogName;
    LogFile.IncDateTime = true;
    LogFile.IncSeparator = true;
    LogFile.Separator = " --- ";
    LogFile.Loaded();
    TimerMinimize.onTimer = [this] {
        TimerMinimize.setEnabled(false);
        ui_.minimizeApplication();
    };
    Download.OnDoneFile = [this](const std::string& name, std::int64_t size) {
        DownloadDoneFile(name, size);
        ui_.refresh();
    };
    RasCon.OnStateEvent = [this](TRasCon&, const TRasStateRec& rec) {
        RasConStateEvent(rec);
        Sleep->update();
    };
    History.onError = [this](const std::string& message) { LogFile.AddLine(message); };
    // Sounds, launched programs, schedule and the " ICQ" watchdog.
    Sounds = std::make_unique<SoundNotifications>(Model, ui_);
    Programs = std::make_unique<LaunchedPrograms>(loop_, Model, session, ui_);
    Timers = std::make_unique<velmor::Schedule>(
        loop_, Model,
        velmor::Schedule::Hooks{[this] { Button1Click(); }, [this] { saveCurrentEntry(); },
                                [this] { ui_.refresh(); }});
    Timers->Clocks.start();
    Icq = std::make_unique<IcqWatchdog>(loop_);
    Sleep = std::make_unique<SleepHandling>(
        loop_, Model, session, Cycle, RasCon, rasService_, LogFile,
        SleepHandling::Hooks{[this] { Monitor.TimerStatus.setEnabled(false); },
                             [this] { ui_.refresh(); }});
    Ping = std::make_shared<TPing>(loop);
    Ping->Timeout = 6000;
    Ping->OnDnsLookupDone = [this](TPing&, std::uint16_t error) { PingDnsLookupDone(error); };
    Ping->OnEchoReply = [this](TPing&, int status) { PingEchoReply(status); };
    Ping->OnNoSocket = [this](TPing&) { LogFile.AddLine(kNoIcmpSocket); };
    RasCon.EntryEditor = [this](const std::string& name) {
        PhonebookEntry entry;
        const bool creating = name.empty();
        if (!creating) {
            const int rc = rasService_.readEntry(name, entry);
            if (rc != 0) return rc;
        }
        if (!ui_.editPhonebookEntry(entry, creating)) return 0;
        const int rc = rasService_.writeEntry(entry, creating ? std::string() : name);
        if (rc != 0) showError(rasService_.errorString(rc));
        reportPhonebookProblems();
        if (rc == 0 && !creating && entry.name != name) entryRenamed(name, entry.name);
        if (rc == 0 && !creating) entryEdited(entry.name);
        return rc;
    };
    // --- tray icon, display modes, hot keys ---
    TrayIcon = std::make_unique<TTrayIcon>(loop, nullptr);
    TrayIcon->setHint(kProgramTitle);
    TrayIcon->useWindowMenu();
    TrayIcon->OnClick = [this] { TrayIconClick(); };
    TrayIcon->OnDblClick = [this] { TrayIconDblClick(); };
    HotKeys.OnHotKeyPressed = [this](std::uint32_t value, std::uint16_t) {
        HotKeysHotKeyPressed(value);
    };
}

TForm1::~TForm1() {
    if (trayService_) trayService_->onAvailabilityChanged = nullptr;
    forgetHotKeyService();
}

void TForm1::showError(const std::string& message) {
    ui_.messageBox(MessageKind::Error, MessageButtons::Ok, message);
}

void TForm1::reportError(const std::string& message) {
    showError(message);
}

void TForm1::reportPhonebookProblems() {
    for (const std::string& p : rasService_.takeProblems())
        showError(p);
}

// --- creation, show, close -------------------------------------------------------------------

void TForm1::FormCreate(const std::string& firstArgument) {
    // Every step runs: an error in one is shown and the rest still follow, so the password
    // question, the log lines and the RAS line are never skipped.
    guarded([&] {
        Model.menu.CopyIP.enabled = false;
        Model.window.caption = kMainCaption;
        Model.window.pageIndex = 0;
        Model.iface.TrackBar.max = kTrayIconCount / 2 - 1;
        Model.iface.Label28.caption = std::to_string(kTrayIconCount / 2);
        session.attemptCount = 0;
        session.hangUpRequested = false;
    });
    guarded([&] {
        Model.state.settingsPath = programDir_ + "Velmor.ini";
        struct stat st {};
        if (::stat(Model.state.settingsPath.c_str(), &st) != 0) {
            // Empty, and readable by its owner only: it will hold enciphered secrets.
            const int fd = ::open(Model.state.settingsPath.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0) throw ProfileWriteError(Model.state.settingsPath);
            ::close(fd);
            createdSettingsFile_ = true;
        }
        profile_ = std::make_unique<Profile>(Model.state.settingsPath);
        settings_ = std::make_unique<Settings>(Model, *profile_, loop_, *this);
    });
    guarded([&] {
        const MachineBinding m = machineBinding(firstArgument);
        Model.state.machineCode = m.machineCode;
        Model.state.machineKey = m.machineKey;
    });
    guarded([&] {
        RasCon.ListEntries();
        Model.conn.ComboBox1.items = RasCon.EntryNames();
        reportPhonebookProblems();
    });
    guarded([&] {
        auto& combo = Model.conn.ComboBox1;
        if (!combo.items.empty()) {
            combo.itemIndex = 0;
            if (settings_) settings_->LoadSettings();
            Model.state.previousEntry = combo.text();
        } else {
            showError(kNoEntry);
            disableForNoEntry();
            if (profile_) {
                // The lock state is read too: the close writes it back.
                Model.state.locked =
                    profile_->readString(kMainSection, "LockCode", "") != Model.state.machineCode;
                showLockState(Model);
                const std::string stored = profile_->readString(kMainSection, "LockPass", "");
                Model.state.lockPassword = settings_->DecryptLockPass(stored);
            }
        }
    });
    guarded([&] {
        if (Model.state.lockPassword.empty()) {
            ui_.messageBox(MessageKind::Information, MessageButtons::Ok, kNoPassword);
            openLockDialog();
            // The program ends without saving: the file made empty for this run goes again, so
            // that the next start does not find it damaged.
            if (terminate_ && createdSettingsFile_) removeEmptySettingsFile();
        }
    });
    guarded([&] {
        Model.window.showHints = !Model.iface.NotShowHints.checked;
        ui_.setHintsEnabled(Model.window.showHints);
    });
    guarded([&] {
        LogFile.IncDateTime = false;
        LogFile.IncSeparator = false;
        LogFile.AddLine("");
        LogFile.IncDateTime = true;
        LogFile.IncSeparator = true;
        LogFile.AddLine("Запуск Velmor 0.97");
    });
    guarded([&] {
        if (RasCon.RasAvailable()) {
            LogFile.AddLine(kWaiting);
            setLabel(Model.conn.Label2, kWaiting);
        } else {
            setLabel(Model.conn.Label2, kRasMissing);
            LogFile.AddLine(kRasMissing);
            Model.conn.Button1.enabled = false;
            Model.menu.MCall.enabled = false;
        }
    });
    if (terminate_) return;
    guarded([&] {
        auto& combo = Model.conn.ComboBox1;
        if (!startEntry_ || combo.items.empty() || combo.text() == *startEntry_) return;
        ComboBox1DropDown();
        if (combo.selectText(*startEntry_)) ComboBox1Change();
    });
    guarded([&] {
        if (Model.general.OnStartDial.checked) Button1Click();
    });
}

void TForm1::DialOnRequest() {
    if (Model.conn.Button1.caption == kDialCaption) Button1Click();
}

void TForm1::disableForNoEntry() {
    auto& c = Model.conn;
    for (Button* b : {&c.Button1, &c.BitBtn1, &c.BitBtn2, &c.BitBtn3, &c.BitBtn4, &c.BitBtn5,
                      &c.BitBtn11, &c.BitBtn12, &c.BitBtn13, &c.BitBtn7, &c.BitBtn8, &c.BitLock}) {
        b->enabled = false;
    }
    c.ComboBox1.enabled = false;
    c.BitBtn6.enabled = true;
    Model.menu.MCall.enabled = false;
}

void TForm1::FormShow() {
    // Where a window on the screen keeps its taskbar button whatever the mode, the mode page says
    // so.
    Model.iface.NoTaskbarLabel.visible = !ui_.taskbarButtonHideable();
    applyDisplay();
    applyMode(DisplayEvent::FirstShow);
    if (Model.iface.HideOnRunCheck.checked) TimerMinimize.setEnabled(true);
    ui_.refresh();
}

bool TForm1::FormCloseQuery(bool ask) {
    const std::string& caption = Model.conn.Button1.caption;
    if (caption == kAbortCaption) {
        RasCon.HangUpAndWait(session.dialHandle, 0, 3000, false);
        return true;
    }
    if (caption == kHangUpCaption) {
        if (ask) {
            TForm7 dialog(loop_, Model.state);
            ui_.showExitDialog(dialog);
            if (!Model.state.closeAllowed) return false;
        }
        if (!ask || Model.state.hangUpOnExit) {
            RasCon.HangUpAndWait(session.activeConnection, 0, 3000, false);
            RasCon.HangUpAndWait(session.activeConnection, 0, 3000, false);
        }
    }
    return true;
}

void TForm1::removeEmptySettingsFile() {
    struct stat st {};
    const std::string& path = Model.state.settingsPath;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
        ::unlink(path.c_str());
    }
}

void TForm1::saveShownSettings(const std::string& entry) {
    if (!settings_) return;
    guarded([&] {
        if (Model.state.settingsLoaded) {
            settings_->SaveSettings(entry);
        } else {
            // Nothing was loaded (no phonebook entry): the stored totals, money, hot keys,
            // schedule and mode stay as they are; only the program password and lock are saved.
            Profile::Batch batch(*profile_);
            profile_->writeString(kMainSection, "LockPass",
                                  settings_->EncryptLockPass(Model.state.lockPassword));
            profile_->writeString(kMainSection, "LockCode",
                                  Model.state.locked ? "" : Model.state.machineCode);
        }
    });
}

void TForm1::FormClose() {
    session.closing = true;
    LogFile.AddLine("Завершение работы программы");
    History.sessionEnd();
    hideBalloon();
    saveShownSettings(Model.conn.ComboBox1.text());
}

bool TForm1::Close(bool ask) {
    // Closed already, also while the question was shown (the session ended meanwhile).
    if (session.closing) return true;
    const bool allowed = FormCloseQuery(ask);
    if (session.closing) return true;
    if (!allowed) return false;
    FormClose();
    return true;
}

void TForm1::SaveForSession() {
    if (!session.closing && !terminate_) saveShownSettings(Model.conn.ComboBox1.text());
}

}  // namespace velmor
