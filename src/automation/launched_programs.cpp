#include "automation/launched_programs.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "automation/command_line.h"
#include "automation/program_dialog.h"
#include "platform/codepage.h"

namespace velmor {
namespace {

constexpr std::size_t kTipLength = 127;
constexpr const char* kNoTray =
    "На этом рабочем столе нет области уведомлений (трея), поэтому окна программ, запускаемых "
    "\"только в трэе\", остаются на экране.";

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

namespace fs = std::filesystem;

// The program a script names on its first line ("#!/bin/sh", "#!/usr/bin/env python3"), as
// the file it leads to; empty when the file is no script.
std::string scriptInterpreter(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[256] = {};
    in.read(head, sizeof head - 1);
    const std::string line(head, static_cast<std::size_t>(in.gcount()));
    if (line.rfind("#!", 0) != 0) return {};
    std::istringstream words(line.substr(2, line.find('\n') - 2));
    std::string program;
    words >> program;
    if (fileNamePart(program) == "env") {
        // env's options and variables come before the program it runs.
        std::string word;
        program.clear();
        while (words >> word) {
            if (word[0] != '-' && word.find('=') == std::string::npos) {
                program = word;
                break;
            }
        }
        if (!program.empty() && program.find('/') == std::string::npos) {
            const char* searchPath = std::getenv("PATH");
            std::istringstream folders(searchPath ? searchPath : "");
            std::string found;
            for (std::string folder; found.empty() && std::getline(folders, folder, ':');) {
                const std::string candidate = folder + "/" + program;
                if (::access(candidate.c_str(), X_OK) == 0) found = candidate;
            }
            program = found;
        }
    }
    std::error_code ec;
    const std::string resolved = program.empty() ? "" : fs::canonical(program, ec).string();
    return ec ? std::string() : resolved;
}

// The file a command-line word names, read from the process's current folder.
bool namesFile(const std::string& word, const ProcessInfo& p, const std::string& file) {
    std::error_code ec;
    const fs::path named =
        word.starts_with('/') || p.workDir.empty() ? fs::path(word) : fs::path(p.workDir) / word;
    return fs::equivalent(named, file, ec) && !ec;
}

// The script argument of an interpreter's command line: the first word after the program name
// that is not an option.
const std::string* scriptArgument(const ProcessInfo& p) {
    for (std::size_t i = 1; i < p.args.size(); ++i) {
        if (!p.args[i].empty() && p.args[i][0] != '-') return &p.args[i];
    }
    return nullptr;
}

}  // namespace

bool KillProgramByPath(ProcessService& processes, const std::string& path,
                       const std::vector<int>& startedHere) {
    bool result = false;
    if (path.empty()) return false;
    const int self = static_cast<int>(::getpid());
    const long user = static_cast<long>(::getuid());
    // The process list gives executables with their links resolved. A stored file matches as
    // itself (a link in its folders, such as /bin, resolved); a stored link (/usr/bin/python3)
    // matches its target only in the processes started here through it, never every process
    // of that target. A stored script matches the interpreter running it.
    std::error_code ec;
    std::string resolved, itself, interpreter;
    if (path.find('/') != std::string::npos) {
        resolved = fs::canonical(path, ec).string();
        if (ec) resolved.clear();
        if (!resolved.empty() && !fs::is_symlink(path, ec)) itself = resolved;
        if (!resolved.empty()) interpreter = scriptInterpreter(path);
    }
    for (const ProcessInfo& p : processes.processes()) {
        // Never the dialer itself (its settings would be lost), nor another user's program.
        if (p.pid == self || p.uid != user) continue;
        const bool started =
            std::find(startedHere.begin(), startedHere.end(), p.pid) != startedHere.end();
        const std::string* script = interpreter.empty() ? nullptr : scriptArgument(p);
        if (equalsIgnoreCase(fileNamePart(p.executable), path) ||
            equalsIgnoreCase(p.executable, path) || (!itself.empty() && p.executable == itself) ||
            (started && !resolved.empty() && p.executable == resolved) ||
            (script && p.executable == interpreter && namesFile(*script, p, resolved))) {
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
    noteWindows(dialog);
    ui_.showProgramDialog(dialog);
    if (!dialog.accepted()) return;
    m_.programs.push_back(dialog.result());
}

void LaunchedPrograms::BitBtn10Click() {
    const int i = m_.apps.capplist.itemIndex;
    if (i < 0 || i >= static_cast<int>(m_.programs.size())) return;
    TForm8 dialog;
    dialog.fill(m_.programs[i]);
    noteWindows(dialog);
    ui_.showProgramDialog(dialog);
    // The list may have changed while the dialog was up (a launch, a switch of entry).
    if (!dialog.accepted() || i >= static_cast<int>(m_.programs.size())) return;
    AppEntry edited = dialog.result();
    edited.trayIcon = m_.programs[i].trayIcon;
    m_.programs[i] = std::move(edited);
}

void LaunchedPrograms::noteWindows(TForm8& dialog) const {
    if (windows_ && !windows_->seesAllWindows()) dialog.Note = kX11WindowsOnly;
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
    // the launch mode: the one the connection was accepted with holds for the whole list. Once
    // the user has ended the connection, nothing more is started.
    const bool launchMode = s_.launchMode;
    const std::uint64_t ends = userEnds_;
    for (std::size_t i = 0; i < m_.programs.size() && userEnds_ == ends; ++i) {
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
    const int pid = processes_->start(app.path, params.args, folderPart(app.path));
    if (pid <= 0) return;
    started_[app.path].push_back(pid);
    if (app.runMethod == 1 || app.runMethod == 2) setUpTrayIcon(index, app);
}

void LaunchedPrograms::setUpTrayIcon(int index, const AppEntry& app) {
    // Without an icon to bring it back, a window is neither hidden nor waited for; an empty title
    // part finds no window, and without a display there is none to find.
    if (!tray_ || !windows_ || app.titlePart.empty() || !windows_->available()) return;
    const std::uint64_t since = loop_.tickCount();
    const std::uint64_t ends = userEnds_;
    WindowId window = 0;
    while ((window = FindWindowByTitlePart(*windows_, app.titlePart)) == 0) {
        if (loop_.tickCount() - since >= static_cast<std::uint64_t>(kWindowWaitMs)) return;
        if (userEnds_ != ends) return;
        loop_.processMessages();
        loop_.sleepMs(kWindowPollMs);
    }
    if (app.runMethod == 1) {
        // Hidden, a window needs an icon to come back by: without a notification area it stays
        // on the screen (its icon appears with a notification area that starts later).
        if (tray_->available()) {
            windows_->hide(window);
        } else {
            tellNoTray();
        }
    }

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
    if (!processes_) return false;
    const auto started = started_.find(path);
    const bool killed = velmor::KillProgramByPath(
        *processes_, path, started == started_.end() ? std::vector<int>{} : started->second);
    // Ended now, or gone before: a later process of that id is another program.
    if (started != started_.end()) started_.erase(started);
    return killed;
}

void LaunchedPrograms::tellNoTray() {
    if (noTrayTold_) return;
    noTrayTold_ = true;
    // Said once the launches are under way: the box does not hold up the programs still to
    // start.
    loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.lock()) ui_.messageBox(MessageKind::Warning, MessageButtons::Ok, kNoTray);
    });
}

// --- disconnect and clean-up -----------------------------------------------------------------

void LaunchedPrograms::Disconnected() {
    // A connection lost without the user's action closes nothing.
    if (!s_.hangUpRequested) return;
    ++userEnds_;
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
