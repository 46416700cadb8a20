#include "automation/launched_programs.h"

#include <unistd.h>

#include <filesystem>
#include <memory>

#include "automation/command_line.h"
#include "automation/program_dialog.h"
#include "platform/codepage.h"

namespace velmor {
namespace {

constexpr std::size_t kTipLength = 127;

std::string fileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string folderPart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The first count characters of a UTF-8 text.
std::string firstCharacters(const std::string& text, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t n = 0; at < text.size() && n < count; ++n) {
        ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            ++at;
    }
    return text.substr(0, at);
}

}  // namespace

bool KillProgramByPath(ProcessService& processes, const std::string& path) {
    bool result = false;
    const int self = static_cast<int>(::getpid());
    // The process list gives the executable with its links resolved; a stored path that is a
    // link (a program started through /usr/bin) is compared as the file it leads to as well.
    std::error_code ec;
    std::string resolved;
    if (path.find('/') != std::string::npos) {
        resolved = std::filesystem::canonical(path, ec).string();
        if (ec || resolved == path) resolved.clear();
    }
    for (const ProcessInfo& p : processes.processes()) {
        if (p.pid == self) continue;  // never the dialer itself: its settings would be lost
        if (equalsIgnoreCase(fileNamePart(p.executable), path) ||
            equalsIgnoreCase(p.executable, path) ||
            (!resolved.empty() && equalsIgnoreCase(p.executable, resolved))) {
            result = processes.terminate(p.pid);
        }
    }
    return result;
}

WindowId FindWindowByTitlePart(WindowService& windows, const std::string& titlePart) {
    if (titlePart.empty()) return 0;
    for (const WindowInfo& w : windows.topLevelWindows()) {
        if (w.title.find(titlePart) != std::string::npos) return w.id;
    }
    return 0;
}

LaunchedPrograms::LaunchedPrograms(EventLoop& loop, MainForm& model, Session& session,
                                   UserInterface& ui)
    : loop_(loop), m_(model), s_(session), ui_(ui) {}

void LaunchedPrograms::setServices(ProcessService* processes, WindowService* windows) {
    processes_ = processes;
    windows_ = windows;
}

// --- the list --------------------------------------------------------------------------------

void LaunchedPrograms::BitBtn9Click() {
    TForm8 dialog;
    ui_.showProgramDialog(dialog);
    if (!dialog.accepted()) return;
    m_.programs.push_back(dialog.result());
}

void LaunchedPrograms::BitBtn10Click() {
    const int i = m_.apps.capplist.itemIndex;
    if (i < 0 || i >= static_cast<int>(m_.programs.size())) return;
    TForm8 dialog;
    dialog.fill(m_.programs[i]);
    ui_.showProgramDialog(dialog);
    // The list may have changed while the dialog was up (a launch, a switch of entry).
    if (!dialog.accepted() || i >= static_cast<int>(m_.programs.size())) return;
    AppEntry edited = dialog.result();
    edited.trayIcon = m_.programs[i].trayIcon;
    m_.programs[i] = std::move(edited);
}

void LaunchedPrograms::BitBtn14Click() {
    const int i = m_.apps.capplist.itemIndex;
    if (i < 0 || i >= static_cast<int>(m_.programs.size())) return;
    // A tray icon of the removed program stays as it is.
    m_.programs.erase(m_.programs.begin() + i);
    m_.apps.capplist.itemIndex = -1;
}

// --- launching -------------------------------------------------------------------------------

void LaunchedPrograms::LaunchTickedPrograms() {
    // One after the other; a launch may wait for a window and let other handlers run meanwhile,
    // so the list is looked at afresh for every row. The monitor's ticks during such a wait clear
    // the launch mode: the one the connection was accepted with holds for the whole list.
    const bool launchMode = s_.launchMode;
    for (std::size_t i = 0; i < m_.programs.size(); ++i) {
        if (m_.programs[i].checked) launch(static_cast<int>(i), launchMode);
    }
}

void LaunchedPrograms::LaunchProgram(int index) {
    launch(index, s_.launchMode);
}

void LaunchedPrograms::launch(int index, bool launchMode) {
    if (index < 0 || index >= static_cast<int>(m_.programs.size())) return;
    const AppEntry app = m_.programs[index];
    if (!launchMode && !app.restart) return;
    if (!processes_) return;
    const SplitParameters params = splitParameters(app.params);
    if (!processes_->start(app.path, params.args, folderPart(app.path))) return;
    if (app.runMethod == 1 || app.runMethod == 2) setUpTrayIcon(index, app);
}

void LaunchedPrograms::setUpTrayIcon(int index, const AppEntry& app) {
    // Without an icon to bring it back, a window is neither hidden nor waited for; an empty title
    // part finds no window, and without a display there is none to find.
    if (!tray_ || !windows_ || app.titlePart.empty() || !windows_->available()) return;
    const std::uint64_t since = loop_.tickCount();
    WindowId window = 0;
    while ((window = FindWindowByTitlePart(*windows_, app.titlePart)) == 0) {
        if (loop_.tickCount() - since >= static_cast<std::uint64_t>(kWindowWaitMs)) return;
        loop_.processMessages();
        loop_.sleepMs(kWindowPollMs);
    }
    if (app.runMethod == 1) windows_->hide(window);

    ProgramTrayIcons::Handlers h;
    // The handlers know the icon by its id, given once the icon exists.
    auto idCell = std::make_shared<int>(0);
    h.click = [this, idCell] { TrayIconClick(*idCell); };
    h.menuPopup = [this, idCell] { return PopupMenu2Popup(*idCell); };
    h.showHide = [this, idCell] { N6Click(*idCell); };
    h.exit = [this, idCell] { N5Click(*idCell); };
    const int id = tray_->add(app.path, firstCharacters(app.description, kTipLength), std::move(h));
    if (id <= 0) return;
    *idCell = id;
    icons_[id] = {app.path, app.titlePart};
    // The row gets its icon if it is still the program that was launched.
    if (index < static_cast<int>(m_.programs.size()) && m_.programs[index].path == app.path &&
        m_.programs[index].titlePart == app.titlePart) {
        m_.programs[index].trayIcon = id;
    }
}

WindowId LaunchedPrograms::FindProgramWindow(int index) {
    if (!windows_ || index < 0 || index >= static_cast<int>(m_.programs.size())) return 0;
    return FindWindowByTitlePart(*windows_, m_.programs[index].titlePart);
}

bool LaunchedPrograms::KillProgramByPath(const std::string& path) {
    return processes_ && velmor::KillProgramByPath(*processes_, path);
}

// --- disconnect and clean-up -----------------------------------------------------------------

void LaunchedPrograms::Disconnected() {
    // A connection lost without the user's action closes nothing.
    if (!s_.hangUpRequested) return;
    for (std::size_t i = 0; i < m_.programs.size(); ++i) {
        const AppEntry app = m_.programs[i];
        if (!app.checked || !app.mustKill) continue;
        KillProgramByPath(app.path);
        if (app.trayIcon != 0 && tray_ && tray_->visible(app.trayIcon)) removeIcon(app.trayIcon);
    }
}

void LaunchedPrograms::CleanUpTrayIcons() {
    if (icons_.empty() || !tray_ || !windows_) return;
    const std::vector<WindowInfo> windows = windows_->topLevelWindows();
    std::vector<int> gone;
    for (const auto& [id, target] : icons_) {
        bool found = false;
        for (const WindowInfo& w : windows) {
            if (!target.titlePart.empty() && w.title.find(target.titlePart) != std::string::npos) {
                found = true;
                break;
            }
        }
        if (!found && tray_->visible(id)) gone.push_back(id);
    }
    for (int id : gone)
        removeIcon(id);
}

void LaunchedPrograms::removeIcon(int icon) {
    if (tray_) tray_->remove(icon);
    icons_.erase(icon);
    for (AppEntry& app : m_.programs) {
        if (app.trayIcon == icon) app.trayIcon = 0;
    }
}

// --- the icons' click and menu ---------------------------------------------------------------

void LaunchedPrograms::toggleWindow(const std::string& titlePart) {
    if (!windows_) return;
    const WindowId w = FindWindowByTitlePart(*windows_, titlePart);
    if (!w) return;
    if (windows_->visible(w)) {
        windows_->hide(w);
    } else {
        windows_->show(w);
    }
}

void LaunchedPrograms::TrayIconClick(int icon) {
    const auto it = icons_.find(icon);
    if (it != icons_.end()) toggleWindow(it->second.titlePart);
}

std::string LaunchedPrograms::PopupMenu2Popup(int icon) {
    const auto it = icons_.find(icon);
    if (it == icons_.end() || !windows_) return "Показать";
    const WindowId w = FindWindowByTitlePart(*windows_, it->second.titlePart);
    return w && windows_->visible(w) ? "Спрятать" : "Показать";
}

void LaunchedPrograms::N6Click(int icon) {
    TrayIconClick(icon);
}

void LaunchedPrograms::N5Click(int icon) {
    const auto it = icons_.find(icon);
    if (it == icons_.end()) return;
    const std::string path = it->second.path;
    KillProgramByPath(path);
    removeIcon(icon);
}

}  // namespace velmor
