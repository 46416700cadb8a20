// A Wayland compositor of a test's own: sway on its headless back end in a folder of the test's
// own, asked about its windows and for screenshots. sway refuses to run as root: as root it runs
// as the user nobody (the test, root, still reaches its sockets).
#pragma once

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/x_server.h"

namespace velmor::test {

class OwnSway {
  public:
    // dir: a folder of the test's own; the compositor's runtime folder is made in it.
    explicit OwnSway(const std::string& dir) : run_(dir + "/run") {
        namespace fs = std::filesystem;
        fs::create_directories(run_);
        fs::permissions(run_, fs::perms::owner_all, fs::perm_options::replace);
        std::vector<std::string> command{"sway", "-c", dir + "/sway.conf"};
        {
            std::ofstream conf(dir + "/sway.conf");
            conf << "xwayland disable\noutput HEADLESS-1 resolution 1024x768\n";
        }
        if (::geteuid() == 0) {
            // nobody passes through the test's folder to its configuration and runtime folder.
            fs::permissions(dir, fs::perms::others_exec, fs::perm_options::add);
            if (::chown(run_.c_str(), 65534, 65534) != 0) return;
            command.insert(command.begin(),
                           {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
        }
        sway_ = std::make_unique<ChildProcess>(
            "/usr/bin/env", command,
            std::vector<std::string>{"XDG_RUNTIME_DIR=" + run_, "HOME=" + run_,
                                     "WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                                     "WLR_RENDERER=pixman", "WAYLAND_DISPLAY=", "DISPLAY="});
        // Ready once both its sockets are there.
        for (int i = 0; i < 200 && (socket_.empty() || ipc_.empty()); ++i) {
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(run_, ec)) {
                const std::string name = e.path().filename();
                if (name.starts_with("wayland-") && !name.ends_with(".lock")) socket_ = name;
                if (name.starts_with("sway-ipc.")) ipc_ = e.path();
            }
            if (socket_.empty() || ipc_.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    bool started() const { return !socket_.empty() && !ipc_.empty(); }
    // What it said when it did not start.
    std::string err() const { return sway_ ? sway_->err() : std::string(); }

    // The environment of a client of this compositor in a Wayland session: no X display, Qt left
    // to choose its platform.
    std::vector<std::string> clientEnvironment() const {
        return {"XDG_RUNTIME_DIR=" + run_, "WAYLAND_DISPLAY=" + socket_, "XDG_SESSION_TYPE=wayland",
                "DISPLAY=", "QT_QPA_PLATFORM="};
    }
    // Whether a window matching the criteria ([app_id="..." pid=...]) is there.
    bool has(const std::string& criteria) const { return msg({criteria + " nop"}).status == 0; }
    ProcessResult msg(const std::vector<std::string>& args) const {
        std::vector<std::string> all{"swaymsg"};
        all.insert(all.end(), args.begin(), args.end());
        return runProcess("/usr/bin/env", all, {"SWAYSOCK=" + ipc_});
    }
    bool screenshot(const std::string& png) const {
        return runProcess("/usr/bin/env", {"grim", png}, clientEnvironment()).status == 0;
    }

  private:
    std::string run_;
    std::string socket_;
    std::string ipc_;
    std::unique_ptr<ChildProcess> sway_;
};

}  // namespace velmor::test
