// The Linux backends of the automation against the real system: sound through ALSA's null
// device, processes started and killed by path, windows of an X server of the test's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "automation/icq_watchdog.h"
#include "automation/launched_programs.h"
#include "platform/linux/alsa_sound.h"
#include "platform/linux/linux_processes.h"
#include "platform/linux/systemctl_shutdown.h"
#include "platform/linux/x11_windows.h"
#include "platform/virtual_loop.h"
#include "support/process.h"

using namespace velmor;
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

namespace {

struct TempFolder {
    fs::path path;
    TempFolder() {
        char tmpl[] = "/tmp/velmor-auto-XXXXXX";
        if (::mkdtemp(tmpl)) path = tmpl;
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

template <class Pred>
bool waitFor(Pred pred, int ms = 5000) {
    const auto until = Steady::now() + std::chrono::milliseconds(ms);
    while (Steady::now() < until) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pred();
}

// A silent 16-bit mono WAVE file of the given length.
void writeWave(const std::string& path, int ms, int rate = 8000, int channels = 1, int bits = 16) {
    const unsigned frameBytes = static_cast<unsigned>(channels * bits / 8);
    const unsigned data =
        static_cast<unsigned>(rate) * static_cast<unsigned>(ms) / 1000 * frameBytes;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](unsigned v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](unsigned v) {
        const std::uint16_t w = static_cast<std::uint16_t>(v);
        out.write(reinterpret_cast<const char*>(&w), 2);
    };
    out << "RIFF";
    u32(36 + data);
    out << "WAVEfmt ";
    u32(16);
    u16(1);
    u16(static_cast<unsigned>(channels));
    u32(static_cast<unsigned>(rate));
    u32(static_cast<unsigned>(rate) * frameBytes);
    u16(frameBytes);
    u16(static_cast<unsigned>(bits));
    out << "data";
    u32(data);
    out << std::string(data, bits == 8 ? '\x80' : '\0');
}

bool running(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return false;
    const auto close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] != 'Z';
}

int findPid(LinuxProcessService& procs, const std::string& exe) {
    for (const ProcessInfo& p : procs.processes()) {
        if (p.executable == exe) return p.pid;
    }
    return 0;
}

}  // namespace

TEST(AlsaSound, PlaysThroughTheNullDeviceAndANewSoundStopsTheOld) {
    TempFolder dir;
    const std::string longSound = dir.file("long.wav");
    const std::string shortSound = dir.file("short.wav");
    const std::string stereo8 = dir.file("stereo8.wav");
    writeWave(longSound, 3000);
    writeWave(shortSound, 300);
    writeWave(stereo8, 400, 11025, 2, 8);
    std::ofstream(dir.file("text.wav")) << "not a sound at all, just some words in a file";

    AlsaSoundPlayer player("null");
    const auto start = Steady::now();
    player.play(longSound);
    ASSERT_TRUE(waitFor([&] { return player.stats().playing == longSound; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(player.stats().playing, longSound);  // still playing: taken in real time
    player.play(shortSound);
    ASSERT_TRUE(waitFor([&] { return player.stats().finished == 1; }));
    const auto took = Steady::now() - start;
    AlsaSoundPlayer::Stats s = player.stats();
    EXPECT_EQ(s.interrupted, 1);
    EXPECT_EQ(s.started, 2);
    EXPECT_EQ(s.failed, 0);
    EXPECT_LT(took, std::chrono::milliseconds(2000));  // the long one did not play to its end

    // 8-bit stereo at another rate plays to its end, and not much faster than it lasts.
    const auto t = Steady::now();
    player.play(stereo8);
    ASSERT_TRUE(waitFor([&] { return player.stats().finished == 2; }));
    EXPECT_GE(Steady::now() - t, std::chrono::milliseconds(250));

    // A missing file and a file that is no sound are skipped silently, and still stop the old.
    player.play(longSound);
    ASSERT_TRUE(waitFor([&] { return player.stats().playing == longSound; }));
    player.play(dir.file("missing.wav"));
    ASSERT_TRUE(waitFor([&] { return player.stats().failed == 1; }));
    EXPECT_EQ(player.stats().interrupted, 2);
    EXPECT_TRUE(player.stats().playing.empty());
    player.play(dir.file("text.wav"));
    ASSERT_TRUE(waitFor([&] { return player.stats().failed == 2; }));

    // A device that does not exist: nothing plays, nothing is shown.
    AlsaSoundPlayer nowhere("velmor_no_such_device");
    nowhere.play(shortSound);
    ASSERT_TRUE(waitFor([&] { return nowhere.stats().failed == 1; }));
    EXPECT_EQ(nowhere.stats().started, 0);
}

TEST(LinuxProcesses, StartsInTheProgramsFolderAndKillsByPath) {
    TempFolder dir;
    LinuxProcessService procs(std::chrono::milliseconds(500));

    // The arguments as split and the working folder of the program's own folder.
    const std::string script = dir.file("report.sh");
    std::ofstream(script) << "#!/bin/sh\nprintf '%s|%s|%s' \"$PWD\" \"$1\" \"$2\" > out.txt\n";
    ::chmod(script.c_str(), 0755);
    ASSERT_TRUE(procs.start(script, {"два слова", "--x"}, dir.path.string()));
    ASSERT_TRUE(waitFor(
        [&] { return fs::exists(dir.file("out.txt")) && fs::file_size(dir.file("out.txt")) > 0; }));
    std::ifstream in(dir.file("out.txt"));
    std::string out;
    std::getline(in, out);
    EXPECT_EQ(out, dir.path.string() + "|два слова|--x");
    EXPECT_FALSE(procs.start(dir.file("missing"), {}, dir.path.string()));
    EXPECT_FALSE(procs.start("", {}, ""));

    // A program of a unique name is found by its path, letter case ignored, and ended.
    const std::string sleeper = dir.file("velmor-sleeper-" + std::to_string(::getpid()));
    fs::copy_file("/bin/sleep", sleeper);
    ::chmod(sleeper.c_str(), 0755);
    ASSERT_TRUE(procs.start(sleeper, {"30"}, dir.path.string()));
    int pid = 0;
    ASSERT_TRUE(waitFor([&] { return (pid = findPid(procs, sleeper)) != 0; }));
    std::string upper = sleeper;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(KillProgramByPath(procs, upper));
    EXPECT_TRUE(waitFor([&] { return !running(pid); }));
    EXPECT_FALSE(KillProgramByPath(procs, sleeper));  // nothing left to end

    // A stored link ends the file it leads to only where it was started through the link.
    const std::string link = dir.file("ссылка");
    fs::create_symlink(sleeper, link);
    const int viaLink = procs.start(link, {"30"}, "");
    const int direct = procs.start(sleeper, {"30"}, "");
    ASSERT_GT(viaLink, 0);
    ASSERT_GT(direct, 0);
    // Running that executable, its command line in place (an exec under way shows none yet).
    auto runs = [&](int id, const std::string& exe) {
        for (const ProcessInfo& p : procs.processes()) {
            if (p.pid == id) return p.executable == exe && !p.args.empty();
        }
        return false;
    };
    ASSERT_TRUE(waitFor([&] { return runs(viaLink, sleeper) && runs(direct, sleeper); }));
    EXPECT_FALSE(KillProgramByPath(procs, link));
    EXPECT_TRUE(KillProgramByPath(procs, link, {viaLink}));
    EXPECT_TRUE(waitFor([&] { return !running(viaLink); }));
    EXPECT_TRUE(running(direct));
    EXPECT_TRUE(KillProgramByPath(procs, sleeper));
    EXPECT_TRUE(waitFor([&] { return !running(direct); }));

    // A script runs as its interpreter, which is found by the script's path and ended.
    const std::string waiting = dir.file("ждёт");
    std::ofstream(waiting) << "#!/bin/sh\nwhile :; do sleep 0.1; done\n";
    ::chmod(waiting.c_str(), 0755);
    pid = procs.start(waiting, {"-x"}, dir.path.string());
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitFor([&] { return runs(pid, fs::canonical("/bin/sh").string()); }));
    EXPECT_TRUE(KillProgramByPath(procs, waiting));
    EXPECT_TRUE(waitFor([&] { return !running(pid); }));

    // One that ignores the polite request is killed after the grace.
    const std::string stubborn = dir.file("velmor-stubborn-" + std::to_string(::getpid()));
    fs::copy_file("/bin/sh", stubborn);
    ::chmod(stubborn.c_str(), 0755);
    ASSERT_TRUE(procs.start(stubborn, {"-c", "trap '' TERM; while :; do sleep 0.1; done"}, ""));
    ASSERT_TRUE(waitFor([&] { return (pid = findPid(procs, stubborn)) != 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the trap is set
    const auto t = Steady::now();
    EXPECT_TRUE(KillProgramByPath(procs, stubborn));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(running(pid));  // still in its grace
    EXPECT_TRUE(waitFor([&] { return !running(pid); }));
    EXPECT_GE(Steady::now() - t, std::chrono::milliseconds(450));
}

TEST(SystemctlPowerOff, RunsTheSystemctlOfTheSearchPathWithTheForcedVariantsOption) {
    TempFolder dir;
    const std::string calls = dir.file("calls");
    std::ofstream(dir.file("systemctl"))
        << "#!/bin/sh\necho \"$*\" >> '" << calls << "'\nexit 1\n";  // and refuses
    ::chmod(dir.file("systemctl").c_str(), 0755);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    ::setenv("PATH", (dir.path.string() + ":" + path).c_str(), 1);
    auto lines = [&] {
        std::ifstream in(calls);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    };
    SystemctlShutdown shutdown;
    EXPECT_TRUE(shutdown.ExitWindowsWithPrivilege(EWX_SHUTDOWN | EWX_FORCE));
    EXPECT_TRUE(waitFor([&] { return lines().size() == 1; }));
    EXPECT_TRUE(shutdown.ExitWindowsWithPrivilege(EWX_SHUTDOWN));
    EXPECT_TRUE(waitFor([&] { return lines().size() == 2; }));
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(lines(), (std::vector<std::string>{"poweroff --ignore-inhibitors", "poweroff"}));
}

namespace {

// An X server of the test's own.
class OwnXServer {
  public:
    explicit OwnXServer(const std::string& dir) {
        const std::string file = dir + "/display";
        server_ = std::make_unique<velmor::test::ChildProcess>(
            "/bin/sh", std::vector<std::string>{
                           "-c", "exec Xvfb -displayfd 3 -noreset -nolisten tcp 3>" + file});
        for (int i = 0; i < 200 && display_.empty(); ++i) {
            std::ifstream in(file);
            std::getline(in, display_);
            if (display_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        if (!display_.empty()) display_ = ":" + display_;
    }
    const std::string& display() const { return display_; }

  private:
    std::unique_ptr<velmor::test::ChildProcess> server_;
    std::string display_;
};

// A client of the X server with windows of its own, as another program has them.
class Client {
  public:
    explicit Client(const std::string& display) {
        c_ = xcb_connect(display.c_str(), nullptr);
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        protocols_ = atom("WM_PROTOCOLS");
        delete_ = atom("WM_DELETE_WINDOW");
    }
    ~Client() { xcb_disconnect(c_); }
    xcb_atom_t atom(const char* name) {
        auto* r = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }
    // A mapped top-level window; utf8: the title as _NET_WM_NAME, else as WM_NAME (Latin-1).
    xcb_window_t window(const std::string& title, bool utf8) {
        const xcb_window_t w = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, screen_->root, 0, 0, 100, 50, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, 0, nullptr);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w,
                            utf8 ? atom("_NET_WM_NAME") : xcb_atom_t{XCB_ATOM_WM_NAME},
                            utf8 ? atom("UTF8_STRING") : xcb_atom_t{XCB_ATOM_STRING}, 8,
                            static_cast<std::uint32_t>(title.size()), title.data());
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, protocols_, XCB_ATOM_ATOM, 32, 1,
                            &delete_);
        xcb_map_window(c_, w);
        xcb_aux_sync();
        return w;
    }
    // A window inside a frame, as a reparenting window manager puts it.
    xcb_window_t framed(const std::string& title) {
        const xcb_window_t frame = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, frame, screen_->root, 0, 0, 120, 80, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, 0, nullptr);
        const xcb_window_t w = window(title, true);
        xcb_reparent_window(c_, w, frame, 0, 20);
        const std::uint32_t state[2] = {1, 0};
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("WM_STATE"), atom("WM_STATE"), 32, 2,
                            state);
        xcb_map_window(c_, w);
        xcb_map_window(c_, frame);
        xcb_aux_sync();
        return w;
    }
    // The steps of a reparenting window manager taking a window on: a frame, the window put
    // into it, and WM_STATE on the window once that is done.
    xcb_window_t frame() {
        const xcb_window_t f = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, f, screen_->root, 0, 0, 120, 80, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, 0, nullptr);
        xcb_map_window(c_, f);
        xcb_aux_sync();
        return f;
    }
    void reparent(xcb_window_t w, xcb_window_t frame) {
        xcb_reparent_window(c_, w, frame, 0, 20);
        xcb_aux_sync();
    }
    void managed(xcb_window_t w) {
        const std::uint32_t state[2] = {1, 0};
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("WM_STATE"), atom("WM_STATE"), 32, 2,
                            state);
        xcb_aux_sync();
    }
    void destroy(xcb_window_t w) {
        xcb_destroy_window(c_, w);
        xcb_aux_sync();
    }
    void retitle(xcb_window_t w, const std::string& title) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_NAME"), atom("UTF8_STRING"),
                            8, static_cast<std::uint32_t>(title.size()), title.data());
        xcb_aux_sync();
    }
    // The windows that were asked to close, from the events received so far.
    std::vector<xcb_window_t> closeRequests() {
        xcb_aux_sync();
        std::vector<xcb_window_t> out;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
                auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (m->type == protocols_ && m->data.data32[0] == delete_) out.push_back(m->window);
            }
            std::free(e);
        }
        return out;
    }

  private:
    void xcb_aux_sync() {
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }

    xcb_connection_t* c_;
    xcb_screen_t* screen_;
    xcb_atom_t protocols_, delete_;
};

}  // namespace

TEST(X11Windows, FindsShowsHidesAndClosesWindowsByTitle) {
    if (velmor::test::runProcess("/bin/sh", {"-c", "command -v Xvfb"}).status != 0)
        GTEST_SKIP() << "Xvfb is not installed";
    TempFolder dir;
    OwnXServer x(dir.path.string());
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";

    X11WindowService missing(":velmor-no-such-display");
    EXPECT_FALSE(missing.available());
    EXPECT_TRUE(missing.topLevelWindows().empty());

    Client client(x.display());
    const xcb_window_t mail = client.window("Почтовый клиент — Входящие", true);
    const xcb_window_t icq = client.window(" ICQ", false);
    const xcb_window_t plainIcq = client.window("ICQ", false);
    const xcb_window_t latin = client.window("Caf\xe9 Latin", false);
    const xcb_window_t inFrame = client.framed("Окно в рамке");

    X11WindowService service(x.display());
    ASSERT_TRUE(service.available());
    const std::vector<WindowInfo> all = service.topLevelWindows();
    auto titleOf = [&](xcb_window_t w) {
        for (const WindowInfo& i : all) {
            if (i.id == w) return i.title;
        }
        return std::string("<absent>");
    };
    EXPECT_EQ(titleOf(mail), "Почтовый клиент — Входящие");
    EXPECT_EQ(titleOf(latin), "Café Latin");
    EXPECT_EQ(titleOf(inFrame), "Окно в рамке");  // the client window, not its frame
    EXPECT_EQ(all.front().id, inFrame);           // topmost first
    EXPECT_EQ(FindWindowByTitlePart(service, "клиент"), mail);
    EXPECT_EQ(FindWindowByTitlePart(service, "Клиент — Вход"), 0u);  // letter case counts
    EXPECT_EQ(FindWindowByTitlePart(service, ""), 0u);

    // Hidden windows are still listed; showing brings them back.
    EXPECT_TRUE(service.visible(mail));
    service.hide(mail);
    EXPECT_TRUE(waitFor([&] { return !service.visible(mail); }));
    EXPECT_EQ(FindWindowByTitlePart(service, "Почтовый"), mail);
    service.show(mail);
    EXPECT_TRUE(waitFor([&] { return service.visible(mail); }));

    // The watchdog asks the window titled exactly " ICQ" to close, and no other, at once: the
    // virtual clock stands still, so no timer can be what finds it.
    VirtualLoop loop;
    IcqWatchdog watchdog(loop);
    watchdog.setWindows(&service);
    EXPECT_TRUE(watchdog.watching());
    std::vector<xcb_window_t> closed;
    auto closes = [&] {
        return waitFor([&] {
            loop.runPending();
            for (xcb_window_t w : client.closeRequests())
                closed.push_back(w);
            return !closed.empty();
        });
    };
    ASSERT_TRUE(closes());
    EXPECT_EQ(closed, std::vector<xcb_window_t>{icq});
    EXPECT_NE(plainIcq, icq);
    client.destroy(icq);  // as the program asked does

    // A window created with the title, a framed one, and one that takes the title later.
    for (auto make : std::vector<std::function<xcb_window_t()>>{
             [&] { return client.window(" ICQ", false); }, [&] { return client.framed(" ICQ"); },
             [&] {
                 const xcb_window_t w = client.window("Загрузка...", true);
                 std::this_thread::sleep_for(std::chrono::milliseconds(100));
                 EXPECT_TRUE(client.closeRequests().empty());
                 client.retitle(w, " ICQ");
                 return w;
             }}) {
        closed.clear();
        const xcb_window_t w = make();
        ASSERT_TRUE(closes());
        EXPECT_EQ(closed, std::vector<xcb_window_t>{w});
        client.destroy(w);
    }
    // Seen while the window manager was still putting it into its frame (neither the untitled
    // frame nor the window without WM_STATE is listed then): it goes once the manager is done.
    {
        closed.clear();
        const xcb_window_t frame = client.frame();
        const xcb_window_t w = client.window(" ICQ", true);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the watch has told it
        client.reparent(w, frame);
        loop.runPending();
        EXPECT_TRUE(client.closeRequests().empty());
        client.managed(w);
        ASSERT_TRUE(closes());
        EXPECT_EQ(closed, std::vector<xcb_window_t>{w});
        client.destroy(w);
    }
    watchdog.setWindows(&missing);
    EXPECT_FALSE(watchdog.watching());
}
