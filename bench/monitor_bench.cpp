// The connection monitor's one-second tick on the simulated line: one tick, and an hour of ticks
// on virtual time (timer dispatch included), each with the traffic graph, the tray tip, the quota
// and the daily history, written every sixtieth tick. Neither saves the settings.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/lock_dialog.h"
#include "app/tform1.h"
#include "platform/virtual_loop.h"

using namespace velmor;
namespace fs = std::filesystem;

namespace {

// Nobody at the window: the set-password dialog gets a password, everything else its default.
struct QuietUI : UserInterface {
    MessageResult messageBox(MessageKind, MessageButtons, const std::string&) override {
        return MessageResult::Ok;
    }
    void showLockDialog(TForm6& d) override {
        std::string error;
        d.PasswordEdit.paste("пароль");
        d.OkClick(error);
    }
    void showExitDialog(TForm7&) override {}
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
    void terminate() override {}
    void refresh() override {}
};

// A program connected on the simulated line, its monitor running.
struct Connected {
    Connected() {
        char tmpl[] = "/tmp/velmor-bench-XXXXXX";
        dir = ::mkdtemp(tmpl);
        std::ofstream(dir + "/phonebook.ini")
            << "[Тест]\nDevice=sim\nSimStepMs=10\nPhoneNumber=1\nUserName=u\nPassword=p\n";
        ras = ras::makePhonebookService(loop, dir + "/phonebook.ini");
        form = std::make_unique<TForm1>(loop, *ras, ui, dir + "/", LocaleFormat::russian());
        if (!std::getenv("NOHIST")) form->setHistoryFile(dir + "/history.sqlite");
        form->FormCreate("");
        form->FormShow();
        form->Model.general.AutoUpdateCheck.checked = false;  // no download once an hour
        form->Model.quota.QuotaTrafficCheck.checked = true;   // never used up here
        form->Model.quota.QuotaMegabytes.value = 99999999;
        form->Button1Click();
        loop.advance(1000);
        if (form->Model.conn.Button1.caption != kHangUpCaption) std::abort();
    }
    ~Connected() {
        form.reset();
        fs::remove_all(dir);
    }

    std::string dir;
    VirtualLoop loop;
    QuietUI ui;
    std::unique_ptr<ras::RasService> ras;
    std::unique_ptr<TForm1> form;
};

void BM_MonitorTick(benchmark::State& state) {
    Connected c;
    for (auto _ : state)
        c.form->Monitor.tick();
    if (!c.form->Monitor.TimerStatus.enabled()) state.SkipWithError("the line was lost");
}
BENCHMARK(BM_MonitorTick)->Unit(benchmark::kMicrosecond);

void BM_HourOfTicks(benchmark::State& state) {
    Connected c;
    for (auto _ : state)
        c.loop.advance(3600 * 1000);
    if (!c.form->Monitor.TimerStatus.enabled()) state.SkipWithError("the line was lost");
    state.counters["per_tick"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 3600,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HourOfTicks)->Unit(benchmark::kMillisecond);

}  // namespace
