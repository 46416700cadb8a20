// Programs started when a connection is made and stopped after the user hangs up, with their
// optional icons in the notification area; and the program list of the page "Приложения".
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automation/program_tray_icons.h"
#include "dialing/session.h"
#include "form/form_model.h"
#include "form/user_interface.h"
#include "platform/event_loop.h"
#include "platform/processes.h"

namespace velmor {

class TForm8;

// Terminates every process of this user (the dialer itself excepted) that runs the program
// file path: its executable's file name or full path equals path, letter case ignored; or it is
// that file itself; or it is the interpreter running that script. A stored link matches the
// file it leads to only in the processes of startedHere (those started through it). The result
// is that of the last attempt; false when no process matched.
bool KillProgramByPath(ProcessService& processes, const std::string& path,
                       const std::vector<int>& startedHere = {});

// The first top-level window whose title contains titlePart (letter case counts); an empty
// titlePart matches none.
WindowId FindWindowByTitlePart(WindowService& windows, const std::string& titlePart);

class LaunchedPrograms {
  public:
    // How long a launch with a tray icon waits for the program's window before it goes on
    // without the icon.
    static constexpr int kWindowWaitMs = 30000;
    static constexpr int kWindowPollMs = 50;

    LaunchedPrograms(EventLoop& loop, MainForm& model, Session& session, UserInterface& ui);

    void setServices(ProcessService* processes, WindowService* windows);
    void setTrayIcons(ProgramTrayIcons* icons) { tray_ = icons; }

    // The list page.
    void BitBtn9Click();   // "Добавить"
    void BitBtn10Click();  // "Изменить"
    void BitBtn14Click();  // "Удалить"

    // A connection was accepted.
    void LaunchTickedPrograms();
    void LaunchProgram(int index);
    WindowId FindProgramWindow(int index);
    bool KillProgramByPath(const std::string& path);
    // The monitor found the connection gone (after its sound, icon and log steps).
    void Disconnected();
    // Every monitor tick: icons of programs whose window is gone are removed.
    void CleanUpTrayIcons();

    // The icon of a launched program (by its id): click, menu, its items.
    void TrayIconClick(int icon);
    std::string PopupMenu2Popup(int icon);
    void N6Click(int icon);
    void N5Click(int icon);

    // Icons now shown for launched programs.
    std::size_t trayIconCount() const { return icons_.size(); }

  private:
    struct IconTarget {
        std::string path;
        std::string titlePart;
    };
    void launch(int index, bool launchMode);
    void setUpTrayIcon(int index, const AppEntry& app);
    void removeIcon(int icon);
    void toggleWindow(const std::string& titlePart);
    void tellNoTray();
    // Says in the program dialog what this desktop cannot do with the programs' windows.
    void noteWindows(TForm8& dialog) const;

    EventLoop& loop_;
    MainForm& m_;
    Session& s_;
    UserInterface& ui_;
    ProcessService* processes_ = nullptr;
    WindowService* windows_ = nullptr;
    ProgramTrayIcons* tray_ = nullptr;
    // What each icon stands for, kept apart from the list: an icon outlives the deletion of its
    // row or the switch to another entry's list.
    std::map<int, IconTarget> icons_;
    // The processes started from each program file: through a stored link, only these are
    // that program.
    std::map<std::string, std::vector<int>> started_;
    bool noTrayTold_ = false;
    // How many connections the user has ended: a launch that sees it change starts nothing more
    // and stops waiting for a window.
    std::uint64_t userEnds_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace velmor
