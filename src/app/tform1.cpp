#include "app/tform1.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "app/cipher.h"
#include "app/exit_dialog.h"
#include "app/list_grammar.h"
#include "app/lock_dialog.h"
#include "desktop/about_box.h"
#include "form/number_text.h"
#include "form/page_switches.h"
#include "platform/codepage.h"
#include "platform/machine.h"
#include "platform/phonebook.h"

namespace velmor {
namespace {

// The tray icon store: five sets of two icons, not connected first.
constexpr int kTrayIconCount = 10;

constexpr const char* kWaiting = "Жду Ваших приказаний";
constexpr const char* kRasMissing = "RAS is not installed";
constexpr const char* kNoEntry = "Не найдено ни одного подключения.";
constexpr const char* kNoPassword = "Не задан пароль для работы с программой.";

constexpr const char* kRestoreCaption = "Восстановить";
constexpr const char* kHideCaption = "Свернуть";
constexpr int kBalloonSeconds = 60;
constexpr const char* kNoTray =
    "На этом рабочем столе нет области уведомлений (трея), поэтому Velmor остаётся в таскбаре.";
constexpr const char* kNoRestoreHotKey =
    "Горячая клавиша \"Свернуть/развернуть\" не зарегистрирована: свёрнутую программу нельзя "
    "будет вернуть на экран.";

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
             [this] { Monitor.TimerStatus.setEnabled(false); }, [this] { ui_.refresh(); }}),
      Accept(
          Model, session, RasCon, RasPer, LogFile, Cycle,
          {[this](const std::string& host, int count) { return pingTries(host, count); },
           [this] { connectSound(); }, [this] { ui_.minimizeApplication(); },
           [this](const std::string& title, const std::string& text) { showBalloon(title, text); },
           [this] { applyDisplay(); }, [this] { launchPrograms(); }, [this] { saveCurrentEntry(); },
           [this] { Monitor.TimerStatus.setEnabled(true); }}),
      Monitor(
          loop, Model, session, RasCon, RasPer, LogFile, Cycle,
          {[this] { lossSound(); },
           [this] {
               applyDisplay();
               hideBalloon();
           },
           [this] { ui_.restoreApplication(); }, [this] { programsDisconnected(); },
           [this] { programsCleanUp(); }, [this](const std::string& host) { keepAlivePing(host); },
           [this] { CheckForUpdate(); }, [this] { ui_.refresh(); }}),
      Lists(Model, session, ui,
            {[this] { refreshDialAvailability(); },
             [this](const std::string& entry, const LoginItem& login) {
                 bool stored = false;
                 if (settings_) guarded([&] { stored = settings_->AppendLogin(entry, login); });
                 if (!stored) {
                     showError("Список логинов соединения " + entry +
                               " заполнен: больше сохранить нельзя.");
                 }
                 return stored;
             }}),
      Download(loop),
      loop_(loop),
      rasService_(ras),
      ui_(ui),
      programDir_(std::move(programDir)) {
    Model.locale = locale;
    LogFile.LogFileName = "Velmor.log";
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
    RasCon.OnStateEvent = [this](TRasCon&, const TRasStateRec& rec) { RasConStateEvent(rec); };
    // Sounds, launched programs, schedule and the " ICQ" watchdog.
    Sounds = std::make_unique<SoundNotifications>(Model, ui_);
    Programs = std::make_unique<LaunchedPrograms>(loop_, Model, session, ui_);
    Timers = std::make_unique<velmor::Schedule>(
        loop_, Model,
        velmor::Schedule::Hooks{[this] { Button1Click(); }, [this] { saveCurrentEntry(); },
                                [this] { ui_.refresh(); }});
    Timers->Clocks.start();
    Icq = std::make_unique<IcqWatchdog>(loop_);
    Ping = std::make_shared<TPing>(loop);
    Ping->Timeout = 6000;
    Ping->OnDnsLookupDone = [this](TPing&, std::uint16_t error) { PingDnsLookupDone(error); };
    Ping->OnEchoReply = [this](TPing&, int status) { PingEchoReply(status); };
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
}

template <class F>
void TForm1::guarded(F&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        showError(withFullStop(e.what()));
    }
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
                const std::string stored = profile_->readString(kMainSection, "LockPass", "");
                Model.state.lockPassword = settings_->DecryptLockPass(stored);
            }
        }
    });
    guarded([&] {
        if (Model.state.lockPassword.empty()) {
            ui_.messageBox(MessageKind::Information, MessageButtons::Ok, kNoPassword);
            openLockDialog();
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
        if (Model.general.OnStartDial.checked) Button1Click();
    });
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
    applyDisplay();
    applyMode(DisplayEvent::FirstShow);
    if (Model.iface.HideOnRunCheck.checked) TimerMinimize.setEnabled(true);
    ui_.refresh();
}

bool TForm1::FormCloseQuery() {
    const std::string& caption = Model.conn.Button1.caption;
    if (caption == kAbortCaption) {
        RasCon.HangUpAndWait(session.dialHandle, 0, 3000, false);
        return true;
    }
    if (caption == kHangUpCaption) {
        TForm7 dialog(loop_, Model.state);
        ui_.showExitDialog(dialog);
        if (!Model.state.closeAllowed) return false;
        if (Model.state.hangUpOnExit) {
            RasCon.HangUpAndWait(session.activeConnection, 0, 3000, false);
            RasCon.HangUpAndWait(session.activeConnection, 0, 3000, false);
        }
    }
    return true;
}

void TForm1::FormClose() {
    LogFile.AddLine("Завершение работы программы");
    hideBalloon();
    if (!settings_) return;
    guarded([&] {
        if (Model.state.settingsLoaded) {
            settings_->SaveSettings(Model.conn.ComboBox1.text());
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

bool TForm1::Close() {
    if (!FormCloseQuery()) return false;
    FormClose();
    return true;
}

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

// --- the entry selector and the entries ------------------------------------------------------

void TForm1::ComboBox1DropDown() {
    Model.state.previousEntry = Model.conn.ComboBox1.text();
}

void TForm1::ComboBox1Change() {
    if (!settings_) return;
    guarded([&] { settings_->SaveSettings(Model.state.previousEntry); });
    guarded([&] { settings_->LoadSettings(); });
    Model.state.previousEntry = Model.conn.ComboBox1.text();
    Model.conn.ListView1.itemIndex = Model.phones.empty() ? -1 : 0;
    Model.conn.ListView2.itemIndex = Model.logins.empty() ? -1 : 0;
}

void TForm1::relistEntries() {
    RasCon.ListEntries();
    Model.conn.ComboBox1.items = RasCon.EntryNames();
    reportPhonebookProblems();
}

void TForm1::BitBtn6Click() {
    auto& c = Model.conn;
    const int remembered = c.ComboBox1.itemIndex;
    RasCon.CreateEntry();
    relistEntries();
    if (!c.ComboBox1.items.empty()) {
        for (Button* b :
             {&c.Button1, &c.BitLock, &c.BitBtn1, &c.BitBtn2, &c.BitBtn3, &c.BitBtn4, &c.BitBtn5,
              &c.BitBtn11, &c.BitBtn12, &c.BitBtn13, &c.BitBtn6, &c.BitBtn7, &c.BitBtn8}) {
            b->enabled = true;
        }
        c.ComboBox1.itemIndex =
            remembered >= 0 && remembered < static_cast<int>(c.ComboBox1.items.size()) ? remembered
                                                                                       : 0;
        if (c.Button1.caption == kDialCaption) {
            c.ComboBox1.enabled = true;
            if (settings_) guarded([&] { settings_->LoadSettings(); });
            Model.state.previousEntry = c.ComboBox1.text();
        }
        if (!RasCon.RasAvailable()) c.Button1.enabled = false;
    } else {
        showError(kNoEntry);
        disableForNoEntry();
    }
}

void TForm1::BitBtn8Click() {
    RasCon.EntryName = Model.conn.ComboBox1.text();
    RasCon.EditEntry();
}

void TForm1::BitBtn7Click() {
    auto& c = Model.conn;
    if (c.Button1.caption != kDialCaption) {
        showError("Нельзя удалить соединение, которое используеться в данный момент.");
        return;
    }
    const std::string name = c.ComboBox1.text();
    if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo, "Удалить " + name + " ?") !=
        MessageResult::Yes) {
        return;
    }
    RasCon.EntryName = name;
    RasCon.DeleteEntry();
    relistEntries();
    if (!c.ComboBox1.items.empty()) {
        c.ComboBox1.itemIndex = 0;
        if (settings_) guarded([&] { settings_->LoadSettings(); });
        Model.state.previousEntry = c.ComboBox1.text();
    } else {
        c.ComboBox1.itemIndex = -1;
        showError(kNoEntry);
        disableForNoEntry();
        Model.phones.clear();
        Model.logins.clear();
    }
}

void TForm1::seedListsFromPhonebook(const std::string& entry) {
    Model.phones.clear();
    Model.logins.clear();
    if (RasEdt.ReadEntryProperties(entry) == 0) {
        if (!RasEdt.LocalPhoneNumber().empty()) Model.phones.push_back({RasEdt.LocalPhoneNumber()});
        for (const std::string& alt : RasEdt.AlternatePhones())
            Model.phones.push_back({alt});
    }
    if (RasEdt.ReadEntryDialParams(entry) == 0 && !RasEdt.UserName().empty()) {
        LoginItem login;
        login.login = RasEdt.UserName();
        login.password = RasEdt.Password().empty() ? "?" : RasEdt.Password();
        Model.logins.push_back(login);
    }
}

void TForm1::refreshDialAvailability() {
    auto& c = Model.conn;
    const bool connected = c.Button1.caption == kHangUpCaption;
    auto set = [&](bool on) {
        if (!RasCon.RasAvailable()) on = false;
        c.Button1.enabled = on;
        Model.menu.MCall.enabled = on;
    };
    if ((Model.phones.empty() || Model.logins.empty()) && !connected) {
        set(false);
        return;
    }
    const bool allPhonesExcluded =
        std::all_of(Model.phones.begin(), Model.phones.end(),
                    [](const PhoneItem& p) { return p.mark == ItemMark::Excluded; });
    const bool allLoginsExcluded =
        std::all_of(Model.logins.begin(), Model.logins.end(),
                    [](const LoginItem& l) { return l.mark == ItemMark::Excluded; });
    if ((allPhonesExcluded || allLoginsExcluded) && !connected) {
        set(false);
    } else {
        set(true);
    }
}

// --- the dial cycle --------------------------------------------------------------------------

void TForm1::Button1Click() {
    Cycle.dialAction();
}

void TForm1::RasConStateEvent(const TRasStateRec& rec) {
    Cycle.stateEvent(rec);
    ui_.refresh();
}

void TForm1::saveCurrentEntry() {
    if (settings_) guarded([&] { settings_->SaveSettings(Model.conn.ComboBox1.text()); });
}

// --- the lists -------------------------------------------------------------------------------

void TForm1::BitBtn1Click() {
    Lists.addPhone();
}
void TForm1::BitBtn2Click() {
    Lists.deletePhone();
}
void TForm1::BitBtn3Click() {
    Lists.editPhone();
}
void TForm1::BitBtn4Click() {
    Lists.toggleExcludedPhone();
}
void TForm1::BitBtn5Click() {
    Lists.toggleExcludedLogin();
}
void TForm1::BitBtn11Click() {
    Lists.addLogin();
}
void TForm1::BitBtn12Click() {
    Lists.deleteLogin();
}
void TForm1::BitBtn13Click() {
    Lists.editLogin();
}

void TForm1::ListDrop(bool logins, int from, int to) {
    if (logins) {
        Lists.moveLogin(from, to);
    } else {
        Lists.movePhone(from, to);
    }
}
void TForm1::ListView1DblClick() {
    Cycle.listDoubleClick();
}
void TForm1::ListView2DblClick() {
    Cycle.listDoubleClick();
}
void TForm1::Label6DblClick() {
    Cycle.resetCounter();
}

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
    const bool connected = Model.conn.Button1.caption == kHangUpCaption;
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
    const auto& h = Model.hotkeys;
    if (!h.MinCheck.checked || !HotKeys.isRegistered(h.HotMin.hotKey)) {
        ui_.messageBox(MessageKind::Warning, MessageButtons::Ok, kNoRestoreHotKey);
    }
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
    const auto& h = Model.hotkeys;
    // A binding that stays on with a changed key registers the new one; the old one stays
    // registered until exit and matches no field.
    for (const auto& [check, field] :
         {std::pair{&h.DialCheck, &h.HotDial}, std::pair{&h.MinCheck, &h.HotMin},
          std::pair{&h.LockCheck, &h.HotLock}}) {
        if (check->checked) {
            HotKeys.AddHotKey(field->hotKey);
        } else {
            HotKeys.RemoveHotKey(field->hotKey);
        }
    }
}

void TForm1::Button11Click() {
    applyHotKeys();
    Model.hotkeys.Button11.enabled = false;
}

void TForm1::PageLeft(int pageIndex, int innerIndex) {
    if (pageIndex == 1 && innerIndex == 3 && Model.hotkeys.Button11.enabled) Button11Click();
    if (pageIndex == 3 && Model.timer.Button13.enabled) Button13Click();
    // Switching pages sets each price again to its own value, which re-formats its text.
    for (NumberEdit* e : {&Model.tariffs.tariff1, &Model.tariffs.tariff2, &Model.tariffs.tariff3}) {
        e->text = formatReal(e->value, Model.locale.decimalSeparator);
    }
}

// --- events pages (sounds and programs arrive with their own work) ---------------------------

void TForm1::Button6Click() {
    Sounds->Button6Click();
}
void TForm1::Button9Click() {
    Sounds->Button9Click();
}
void TForm1::Button7Click() {
    Sounds->Button7Click();
}
void TForm1::Button8Click() {
    Sounds->Button8Click();
}
void TForm1::BitBtn9Click() {
    Programs->BitBtn9Click();
}
void TForm1::BitBtn10Click() {
    Programs->BitBtn10Click();
}
void TForm1::BitBtn14Click() {
    Programs->BitBtn14Click();
}

void TForm1::capplistChange(int index, bool checked) {
    if (index >= 0 && index < static_cast<int>(Model.programs.size())) {
        Model.programs[index].checked = checked;
    }
}

// --- timer page ------------------------------------------------------------------------------

void TForm1::ScheduleChanged() {
    Model.timer.Button13.enabled = true;
}

void TForm1::TimeEditDblClick(Edit& edit, velmor::UpDown& upDown, bool hour) {
    const LocalDateTime now = loop_.now();
    upDown.setPosition(hour ? now.hour : now.minute);
    edit.text = std::to_string(upDown.position);
}

void TForm1::applySchedule() {
    Timers->apply();
}

void TForm1::Button13Click() {
    applySchedule();
    if (settings_) {
        guarded([&] {
            Profile::Batch batch(*profile_);
            settings_->WriteSchedule();
        });
    }
    Model.timer.Button13.enabled = false;
}

// --- statistics pages ------------------------------------------------------------------------

namespace {
constexpr const char* kResetQuestion = "Сбросить статистику для данного соединения.";
}

void TForm1::SpeedButton1Click() {
    if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo, kResetQuestion) !=
        MessageResult::Yes) {
        return;
    }
    Statistics& s = Model.stats;
    s.inCurrentAll = s.inInternetCurrentMonth = s.inInternetCurrentLastMonth = s.inCurrentLast = 0;
    showStatistics(Model);
}

void TForm1::SpeedButton2Click() {
    if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo, kResetQuestion) !=
        MessageResult::Yes) {
        return;
    }
    Statistics& s = Model.stats;
    s.trafficCurrent = {};
    s.trafficCurrentLastMonth = {};
    s.trafficCurrentMonth.base = {
        s.trafficCurrentMonth.base.in - s.trafficCurrentMonth.current.in,
        s.trafficCurrentMonth.base.out - s.trafficCurrentMonth.current.out};
    s.trafficCurrentMonth.current = {};
    s.trafficSession = {};
    showStatistics(Model);
}

void TForm1::SpeedButton3Click() {
    if (ui_.messageBox(MessageKind::Question, MessageButtons::YesNo, kResetQuestion) !=
        MessageResult::Yes) {
        return;
    }
    Statistics& s = Model.stats;
    s.dengiCurrentAll = s.dengiCurrentMonth = s.dengiCurrentLastMonth = s.dengiLast = 0;
    showStatistics(Model);
}

void TForm1::tariffcountClick() {
    velmor::tariffcountClick(Model);
}

void TForm1::time1Change() {
    auto& t = Model.tariffs;
    t.time2.minValue = std::min<std::int64_t>(t.time1.value + 1, 23);
    if (t.time2.value <= t.time1.value) {
        t.time2.value = std::min<std::int64_t>(t.time1.value + 1, 23);
        time2Change();
    }
    if (t.tariffcount.itemIndex == 1) {
        t.SpinEdit4.value = t.time1.value;
    } else {
        t.SpinEdit6.value = t.time1.value;
    }
}

void TForm1::time2Change() {
    auto& t = Model.tariffs;
    t.SpinEdit2.value = t.time2.value;
    if (t.tariffcount.itemIndex != 1) {
        t.time3.minValue = std::min<std::int64_t>(t.time2.value + 1, 23);
        if (t.time3.value <= t.time2.value) {
            t.time3.value = std::min<std::int64_t>(t.time2.value + 1, 23);
            time3Change();
        }
    }
}

void TForm1::time3Change() {
    Model.tariffs.SpinEdit4.value = Model.tariffs.time3.value;
}

void TForm1::tariffExit(NumberEdit& edit) {
    edit.value = std::fabs(edit.value);
    edit.text = formatReal(edit.value, Model.locale.decimalSeparator);
}

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

// --- ping (the acceptance check and the keep-alive) ---------------------------------------------

bool TForm1::pingTries(const std::string& host, int count) {
    if (!Ping->service()) return true;  // no ping component: the check passes
    for (int i = 0; i < std::max(count, 1); ++i) {
        PingResult = -1;
        try {
            Ping->startLookup(host);
        } catch (const std::exception& e) {
            // Shown as any handler's error; the try has failed.
            showError(withFullStop(e.what()));
            PingResult = 0;
        }
        Ping->processMessagesUntil([this] { return PingResult != -1; });
        // The user's commands run during the wait and may have ended this dial.
        if (PingResult == 1 || !Accept.dialGoesOn()) break;
    }
    return PingResult != 0;
}

void TForm1::keepAlivePing(const std::string& host) {
    if (!Ping->service()) return;
    // Started once the tick is over: the echo to a dotted address, which follows its lookup at
    // once, then does not hold up the ticks while it waits.
    loop_.post([this, ping = std::weak_ptr<TPing>(Ping), host] {
        if (ping.expired()) return;
        guarded([&] { Ping->startLookup(host); });
    });
}

void TForm1::setIcmpService(icmp::IcmpService* service) {
    Ping->setService(service);
}

void TForm1::PingDnsLookupDone(std::uint16_t error) {
    if (error != 0) {
        PingResult = 0;
        return;
    }
    Ping->setAddress(Ping->lookupResult());
    Ping->echo();
}

void TForm1::PingEchoReply(int status) {
    PingResult = status != 0 ? 1 : 0;
}

// --- sounds ----------------------------------------------------------------------------------

void TForm1::connectSound() {
    Sounds->connected();
}
void TForm1::lossSound() {
    Sounds->lost();
}

// --- tray ------------------------------------------------------------------------------------

void TForm1::showBalloon(const std::string& title, const std::string& text) {
    if (TrayIcon) TrayIcon->ShowBalloon(title, text, BalloonKind::Information, kBalloonSeconds);
}

void TForm1::hideBalloon() {
    if (TrayIcon) TrayIcon->HideBalloon();
}

// --- launched programs -----------------------------------------------------------------------

void TForm1::launchPrograms() {
    Programs->LaunchTickedPrograms();
}
void TForm1::programsDisconnected() {
    Programs->Disconnected();
}
void TForm1::programsCleanUp() {
    Programs->CleanUpTrayIcons();
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
    HotKeys.setService(service);
    Model.hotkeys.NoHotKeysLabel.visible = service && !service->available();
}

void TForm1::setClipboard(Clipboard* clipboard) {
    clipboard_ = clipboard;
}

void TForm1::applyMode(DisplayEvent event) {
    const DisplayMode mode = Model.mode();
    Display.apply(mode, event);
    appliedMode_ = mode;
    if (TrayIcon) TrayIcon->setIconVisible(Model.window.trayIconVisible);
}

void TForm1::tellTrayFallback() {
    if (!Display.fallingBack() || trayFallbackTold_) return;
    trayFallbackTold_ = true;
    ui_.messageBox(MessageKind::Warning, MessageButtons::Ok, kNoTray);
}

void TForm1::ApplyModeOnMinimize() {
    Model.window.minimized = true;
    Model.window.visible = false;
    applyMode(DisplayEvent::Minimize);
    tellTrayFallback();
}

void TForm1::ApplyModeOnRestore() {
    Model.window.minimized = false;
    Model.window.visible = true;
    applyMode(DisplayEvent::Restore);
}

void TForm1::TrayIconClick() {
    guarded([&] {
        const auto& c = Model.conn;
        const StatusBalloon b = statusBalloon(c.Button1.caption, c.Label2.caption,
                                              c.ComboBox1.text(), Accept.speed(), RasCon.LocalIP());
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
    // Every field holding the value runs its action, in this order.
    const auto pressed = static_cast<std::uint16_t>(value);
    const auto& h = Model.hotkeys;
    if (pressed == h.HotDial.hotKey) guarded([&] { Button1Click(); });
    if (pressed == h.HotMin.hotKey) {
        guarded([&] {
            if (ui_.applicationMinimized()) {
                ui_.restoreApplication();
            } else {
                ui_.minimizeApplication();
            }
        });
    }
    if (pressed == h.HotLock.hotKey) guarded([&] { LockHotKey(); });
    ui_.refresh();
}

// --- sounds, launched programs, power-off, schedule: the services -------------------------

void TForm1::setAutomationServices(const AutomationServices& services) {
    Sounds->setPlayer(services.sound);
    Programs->setServices(services.processes, services.windows);
    Timers->setShutdown(services.shutdown);
    Icq->setWindows(services.windows);
}

void TForm1::setProgramTrayIcons(ProgramTrayIcons* icons) {
    Programs->setTrayIcons(icons);
}

}  // namespace velmor
