// The main window: owns the form model, the services and the components, and runs every handler.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "accounting/daily_history.h"
#include "accounting/monitor.h"
#include "accounting/monthly_quota.h"
#include "accounting/ras_per.h"
#include "app/remote_control.h"
#include "app/settings.h"
#include "automation/icq_watchdog.h"
#include "automation/launched_programs.h"
#include "automation/schedule.h"
#include "automation/sound_notifications.h"
#include "desktop/display_modes.h"
#include "desktop/download.h"
#include "desktop/hot_keys.h"
#include "desktop/log_file.h"
#include "desktop/tray_icon.h"
#include "dialing/acceptance.h"
#include "dialing/dial_cycle.h"
#include "dialing/list_editor.h"
#include "dialing/ping.h"
#include "dialing/ras_con.h"
#include "dialing/ras_edt.h"
#include "dialing/session.h"
#include "dialing/sleep_handling.h"
#include "form/form_model.h"
#include "form/user_interface.h"
#include "platform/automation_services.h"
#include "platform/clipboard.h"
#include "platform/event_loop.h"
#include "platform/hotkeys.h"
#include "platform/profile.h"
#include "platform/ras.h"
#include "platform/tray.h"

namespace velmor {

class TForm1 : public SettingsHooks {
  public:
    TForm1(EventLoop& loop, ras::RasService& ras, UserInterface& ui, std::string programDir,
           LocaleFormat locale);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The model the front end renders; handlers change it, the front end redraws after each.
    MainForm Model;

    // Components.
    TRasCon RasCon;
    TRasEdt RasEdt;
    TRasPer RasPer;
    TLogFile LogFile;
    Timer TimerMinimize;

    // The dial cycle and what it shares with the acceptance checks and the monitor.
    Session session;
    DialCycle Cycle;
    Acceptance Accept;
    velmor::Monitor Monitor;
    ListEditor Lists;
    // The update check's downloader and the home page it asks.
    TDownload Download;
    std::string HomePage = kHomePage;
    // The daily history of the sessions and the entry's monthly quota.
    DailyHistory History;
    MonthlyQuota Quota;

    // --- ping component ---
    std::shared_ptr<TPing> Ping;
    // The ping of the check in progress (or of the last keep-alive): -1 waiting, 0 failed,
    // 1 answered.
    int PingResult = -1;

    // --- sounds, launched programs, power-off, schedule ---
    std::unique_ptr<SoundNotifications> Sounds;
    std::unique_ptr<LaunchedPrograms> Programs;
    std::unique_ptr<velmor::Schedule> Timers;  // DialClock, HangClock and their shared timer
    std::unique_ptr<IcqWatchdog> Icq;          // TimerICQ
    std::unique_ptr<SleepHandling> Sleep;      // the line and the machine's sleep

    // --- tray icon, display modes, hot keys ---
    std::unique_ptr<TTrayIcon> TrayIcon;  // the program's own icon, tip "Velmor"
    THotKeys HotKeys;
    std::array<HotKeyBinding, 3> hotKeyBindings_;  // dial, minimize, lock
    DisplayModes Display{Model.window};
    // What the front end gives (none: no tray, no clipboard, no hot keys) and what was applied.
    TrayService* trayService_ = nullptr;
    Clipboard* clipboard_ = nullptr;
    std::optional<DisplayMode> appliedMode_;
    bool trayFallbackTold_ = false;
    bool restoreFallbackTold_ = false;

    // --- life cycle --------------------------------------------------------------------------
    // The creation sequence, with the program's first command-line argument. It always runs to
    // its end; an error in a step is shown and the remaining steps still run.
    void FormCreate(const std::string& firstArgument);
    // The entry named on the command line: shown before the start-up dial, which then dials it.
    // Set before FormCreate; a name the phonebook does not list is passed over.
    void setStartEntry(std::string name) { startEntry_ = std::move(name); }
    // The command line's request to dial: the dial action, unless a dial is already under way
    // (the start-up dial), which it would abort.
    void DialOnRequest();
    void FormShow();
    // True when the window may close. Without a question (ask false: the session ends) a
    // connection is dropped as the countdown would drop it.
    bool FormCloseQuery(bool ask = true);
    void FormClose();
    // The set-password dialog was closed without a password: the program ends without saving.
    bool TerminateRequested() const { return terminate_; }

    // --- page "Соединение" --------------------------------------------------------------------
    void Button1Click();  // the dial action
    void ComboBox1DropDown();
    void ComboBox1Change();
    void BitBtn6Click();  // create an entry
    void BitBtn8Click();  // edit the entry
    void BitBtn7Click();  // delete the entry
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn11Click();
    void BitBtn12Click();
    void BitBtn13Click();
    // A phone (logins false) or login dragged from one row and dropped on another (to < 0: below
    // the last).
    void ListDrop(bool logins, int from, int to);
    void ListView1DblClick();
    void ListView2DblClick();
    void Label6DblClick();
    void BitLockClick();
    void PopupChangePassPopup();
    void N1Click();
    // The lock hot key.
    void LockHotKey();

    // --- settings pages -----------------------------------------------------------------------
    void UpDownClick();
    void TaskRadioClick();
    void TrayRadioClick();
    void BothRadioClick();
    void NoneRadioClick();
    void TrackBarChange();
    void NotShowHintsClick();
    void PingCheckClick();
    void LimitCheckClick();
    void CheckBox1Click();
    void HotKeyChanged();                          // a hot-key check box or key field changed
    void Button11Click();                          // apply the hot keys
    void PageLeft(int pageIndex, int innerIndex);  // leaving a page applies pending changes

    // --- events pages -------------------------------------------------------------------------
    void Button6Click();  // choose the connect sound
    void Button9Click();  // choose the loss sound
    void Button7Click();  // test the connect sound
    void Button8Click();  // test the loss sound
    void BitBtn9Click();  // add a program
    void BitBtn10Click();
    void BitBtn14Click();
    void capplistChange(int index, bool checked);

    // --- timer page ---------------------------------------------------------------------------
    void ScheduleChanged();  // any change of the schedule controls enables "Применить"
    void TimeEditDblClick(Edit& edit, velmor::UpDown& upDown, bool hour);
    void Button13Click();

    // --- statistics pages ---------------------------------------------------------------------
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void tariffcountClick();
    void time1Change();
    void time2Change();
    void time3Change();
    void tariffExit(NumberEdit& edit);
    // A control of the monthly quota changed.
    void QuotaChanged();
    // The page "График" came on screen or left it: while it shows, its bars follow the history.
    void GraphShown(bool shown);
    // Where the daily history is kept; set by the front end before FormCreate (none: nowhere).
    void setHistoryFile(const std::string& path) { History.setFile(path); }

    // --- window, menu, tray -------------------------------------------------------------------
    void Button2Click();   // "Спрятать"
    void Button10Click();  // "Справка"
    void Button3Click();   // "О программе"
    void PopupMenu1Popup();
    void MShowClick();
    void MRecallClick();
    void MNextClick();
    void RasConStateEvent(const TRasStateRec& rec);
    void CopyIPClick();

    // The front end's request to close the window (close box, "Выход", the menu's "Выход");
    // ask false: the program is told to end (a signal, the end of the desktop session). True
    // when the window closed (FormClose ran, now or before).
    bool Close(bool ask = true);
    // The desktop asks for what has been counted to be on disk now: the settings are saved.
    void SaveForSession();

    // The automatic update check and its result.
    void CheckForUpdate();
    void DownloadDoneFile(const std::string& fileName, std::int64_t size);

    const std::string& programDirectory() const { return programDir_; }
    Profile* settingsFile() { return profile_.get(); }

    // --- tray icon, display modes, hot keys ---------------------------------------------------
    // The desktop services of the front end; each may be null. Set before FormCreate.
    void setTrayService(TrayService* service);
    void setHotKeyService(HotKeyService* service);
    void setClipboard(Clipboard* clipboard);
    // The notification area, for further icons of their own (the launched programs'): create a
    // TTrayIcon over it. Null when the front end has none.
    TrayService* trayService() const { return trayService_; }
    // The application was minimized or restored (by the program or by the user).
    void ApplyModeOnMinimize();
    void ApplyModeOnRestore();
    void TrayIconClick();
    void TrayIconDblClick();
    void MRestoreClick();
    void MHideClick();
    void HotKeysHotKeyPressed(std::uint32_t value);

    // --- sounds, launched programs, power-off, schedule ---
    // The system services of sounds, launched programs, the " ICQ" watchdog and the power-off;
    // set by the front end before FormCreate. Without them those parts do nothing.
    void setAutomationServices(const AutomationServices& services);
    // The notification-area icons of launched programs (run methods 1 and 2); without them such
    // programs start shown and get no icon.
    void setProgramTrayIcons(ProgramTrayIcons* icons);
    // --- ping component ---
    // The system's name lookup and echo; without one the ping check passes and no keep-alive
    // ping is sent. The service must outlive the window.
    void setIcmpService(icmp::IcmpService* service);
    // The system's sleep (a delay lock, word before and after); without it nothing holds a sleep
    // back and the line is not taken down before it. The service must outlive the window.
    void setPowerService(PowerService* power) { Sleep->setService(power); }
    void PingDnsLookupDone(std::uint16_t error);
    void PingEchoReply(int status);

    // --- the session bus ---
    // Other programs of the user watch the program and give it commands through its service
    // (set by the front end once the window is up); the front end reports every redraw to it.
    RemoteControl Remote;

  private:
    friend class RemoteControl;  // runs its commands as the window's handlers run

    // SettingsHooks
    void reportError(const std::string& message) override;
    void applyHotKeys() override;
    // Takes the form's handlers off the hot-key service (another one, or the form ends).
    void forgetHotKeyService();
    void applySchedule() override;
    void applyDisplay() override;
    void applyRedialPause() override;
    EntryLists phonebookLists(const std::string& entry) override;
    void refreshDialAvailability() override;

    // Hand-offs to the ping, sound, tray, launched-program and update components.
    bool pingTries(const std::string& host, int count);
    void keepAlivePing(const std::string& host);
    void connectSound();
    void lossSound();
    void showBalloon(const std::string& title, const std::string& text);
    void hideBalloon();
    // The icons of the window and the tray take the connected or not connected variant; a mode
    // loaded meanwhile is put in force.
    void showConnectionIcon(bool connected);
    void launchPrograms();
    void programsDisconnected();
    void programsCleanUp();
    // The live figures: the graph, the daily history, the tray tip and the quota, at the start of
    // a session and after each of its ticks.
    void liveSessionStart();
    void liveTick(bool ended);
    void showHistory();

    void openLockDialog();
    void saveCurrentEntry();
    // Saves the settings on display for entry before others are loaded, and at the close.
    void saveShownSettings(const std::string& entry);
    void removeEmptySettingsFile();
    void reencipherSecrets(const std::string& oldPassword, const std::string& newPassword);
    void showError(const std::string& message);
    void reportPhonebookProblems();
    void disableForNoEntry();
    void relistEntries();
    // The entry dialog renamed the entry shown: its settings and the selector follow the name.
    void entryRenamed(const std::string& from, const std::string& to);
    // The entry dialog changed an entry: a list of it on display that is empty takes the numbers
    // or the login typed there, as at the entry's first showing.
    void entryEdited(const std::string& name);
    template <class F>
    void guarded(F&& step);
    void applyMode(DisplayEvent event);
    void tellTrayFallback();
    // Mode NONE keeps the taskbar button while no hot key restores the window: said once.
    bool restoreKeyRegistered() const;
    void tellRestoreFallback();

    EventLoop& loop_;
    ras::RasService& rasService_;
    UserInterface& ui_;
    std::string programDir_;
    std::unique_ptr<Profile> profile_;
    std::unique_ptr<Settings> settings_;
    bool terminate_ = false;
    bool createdSettingsFile_ = false;  // this run made the settings file (empty)
    bool writeErrorShown_ = false;      // a failed write of the settings file has been said
    std::optional<std::string> startEntry_;
    bool graphShown_ = false;
};

}  // namespace velmor
