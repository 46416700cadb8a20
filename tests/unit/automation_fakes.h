// Recording stand-ins for the system services of sounds, launched programs, windows, power-off and
// the program tray icons.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "automation/program_tray_icons.h"
#include "platform/automation_services.h"
#include "platform/event_loop.h"

namespace velmor::test {

struct RecordingSound : SoundPlayer {
    std::vector<std::string> played;
    void play(const std::string& path) override { played.push_back(path); }
};

struct RecordingShutdown : ShutdownService {
    std::vector<unsigned> requests;
    bool ExitWindowsWithPrivilege(unsigned flags) override {
        requests.push_back(flags);
        return false;  // refused: the program goes on as if nothing happened
    }
};

// A process table: started programs run until terminated.
struct FakeProcesses : ProcessService {
    struct Start {
        std::string path;
        std::vector<std::string> args;
        std::string workDir;
    };
    std::vector<Start> starts;
    std::vector<ProcessInfo> running;
    std::vector<int> terminated;
    bool refuse = false;
    std::function<void(const std::string& path)> onStart;
    int nextPid = 5000;

    int start(const std::string& path, const std::vector<std::string>& args,
              const std::string& workDir) override {
        if (refuse) return 0;
        starts.push_back({path, args, workDir});
        std::vector<std::string> argv{path};
        argv.insert(argv.end(), args.begin(), args.end());
        running.push_back({nextPid, path, argv, workDir, static_cast<long>(::getuid())});
        if (onStart) onStart(path);
        return nextPid++;
    }
    std::vector<ProcessInfo> processes() override { return running; }
    bool terminate(int pid) override {
        const auto it = std::find_if(running.begin(), running.end(),
                                     [pid](const ProcessInfo& p) { return p.pid == pid; });
        if (it == running.end()) return false;
        running.erase(it);
        terminated.push_back(pid);
        return true;
    }
    std::vector<std::string> startedPaths() const {
        std::vector<std::string> out;
        for (const Start& s : starts)
            out.push_back(s.path);
        return out;
    }
    int runningCount(const std::string& path) const {
        return static_cast<int>(
            std::count_if(running.begin(), running.end(),
                          [&](const ProcessInfo& p) { return p.executable == path; }));
    }
};

// Top-level windows that appear at a moment of the loop's tick count.
struct FakeWindows : WindowService {
    struct Window {
        WindowId id;
        std::string title;
        bool visible;
        std::uint64_t appearsAt;
    };
    explicit FakeWindows(const Clock& clock) : clock_(clock) {}
    bool present = true;
    std::vector<Window> windows;
    std::vector<WindowId> closed;
    int listings = 0;
    WindowId nextId = 100;

    WindowId add(const std::string& title, int afterMs = 0) {
        windows.push_back(
            {nextId, title, true, clock_.tickCount() + static_cast<std::uint64_t>(afterMs)});
        if (afterMs == 0) tell(title);
        return nextId++;
    }
    void retitle(WindowId id, const std::string& title) {
        if (Window* w = find(id)) w->title = title;
        tell(title);
    }
    void remove(WindowId id) {
        windows.erase(std::remove_if(windows.begin(), windows.end(),
                                     [id](const Window& w) { return w.id == id; }),
                      windows.end());
    }
    Window* find(WindowId id) {
        for (Window& w : windows) {
            if (w.id == id && w.appearsAt <= clock_.tickCount()) return &w;
        }
        return nullptr;
    }

    bool available() override { return present; }
    bool seesAllWindows() override { return seesAll; }
    bool seesAll = true;
    std::vector<WindowInfo> topLevelWindows() override {
        ++listings;
        std::vector<WindowInfo> out;
        if (!present) return out;
        for (const Window& w : windows) {
            if (w.appearsAt <= clock_.tickCount()) out.push_back({w.id, w.title});
        }
        return out;
    }
    bool visible(WindowId id) override {
        const Window* w = find(id);
        return w && w->visible;
    }
    void show(WindowId id) override {
        if (Window* w = find(id)) w->visible = true;
    }
    void hide(WindowId id) override {
        if (Window* w = find(id)) w->visible = false;
    }
    void close(WindowId id) override {
        closed.push_back(id);
        remove(id);
    }
    bool watchTitle(const std::string& title, std::function<void()> seen) override {
        watched = seen ? title : std::string();
        seen_ = present ? std::move(seen) : nullptr;
        if (!seen_) return false;
        for (const Window& w : windows)
            tell(w.title);
        return true;
    }
    std::string watched;  // the title watched now, if any

  private:
    void tell(const std::string& title) {
        if (seen_ && title == watched) seen_();
    }

    const Clock& clock_;
    std::function<void()> seen_;
};

struct FakeTrayIcons : ProgramTrayIcons {
    struct Icon {
        std::string file;
        std::string tip;
        Handlers handlers;
    };
    std::map<int, Icon> icons;
    std::vector<int> removed;
    int nextId = 1;
    bool present = true;  // the desktop has a notification area

    bool available() const override { return present; }

    int add(const std::string& programFile, const std::string& tip, Handlers handlers) override {
        icons[nextId] = {programFile, tip, std::move(handlers)};
        return nextId++;
    }
    void remove(int id) override {
        if (icons.erase(id)) removed.push_back(id);
    }
    bool visible(int id) const override { return icons.count(id) != 0; }
};

}  // namespace velmor::test
