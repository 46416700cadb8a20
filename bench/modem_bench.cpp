// The serial modem against our emulator and the stand-in pppd: the time from the dial to
// connected (the AT dialogue and the PPP start apart), the time a hang-up of a connected line
// takes until the line is gone, and the cost of one counter read (one a second per line).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/ras.h"
#include "platform/virtual_loop.h"
#include "support/modem_emulator.h"
#include "support/stand_in_pppd.h"

using namespace velmor;
using SteadyClock = std::chrono::steady_clock;

namespace {

struct ModemLine {
    std::string dir;
    std::unique_ptr<test::StandInPppd> pppd;
    std::unique_ptr<test::ModemEmulator> modem;
    VirtualLoop loop;
    std::unique_ptr<ras::RasService> service;
    std::mutex mutex;
    std::condition_variable changed;
    SteadyClock::time_point portOpened, atConnect, connected;

    ModemLine() {
        char tmpl[] = "/tmp/velmor-modem-bench-XXXXXX";
        dir = ::mkdtemp(tmpl);
        pppd = std::make_unique<test::StandInPppd>(dir);
        pppd->scenario(test::StandInPppd::connected());
        modem = std::make_unique<test::ModemEmulator>();
        std::ofstream(dir + "/pb.ini")
            << "[Модем]\nDevice=" << modem->port() << "\nPhoneNumber=1\n";
        for (const std::string& e : pppd->environment()) {
            const auto eq = e.find('=');
            ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        service = ras::makePhonebookService(loop, dir + "/pb.ini");
    }
    ~ModemLine() {
        service.reset();
        modem.reset();
        std::filesystem::remove_all(dir);
    }

    // Dials and waits until connected; 0 when it failed.
    ras::Handle dial() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            portOpened = atConnect = connected = {};
        }
        ras::DialRequest r;
        r.entryName = "Модем";
        r.userName = "user";
        r.password = "password";
        ras::Handle h = 0;
        const auto notifier = [this](ras::Handle, std::uint32_t, int state, int) {
            std::lock_guard<std::mutex> lock(mutex);
            if (state == ras::kStatePortOpened) portOpened = SteadyClock::now();
            if (state == ras::kStateDeviceConnected) atConnect = SteadyClock::now();
            if (state == ras::kStateConnected) connected = SteadyClock::now();
            changed.notify_all();
        };
        if (service->dial(r, notifier, h) != 0) return 0;
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(10),
                         [&] { return connected != SteadyClock::time_point{}; });
        return connected == SteadyClock::time_point{} ? 0 : h;
    }
};

double ms(SteadyClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void BM_ModemDialAndHangUp(benchmark::State& state) {
    ModemLine line;
    double waitMs = 0, atMs = 0, pppMs = 0, hangUpMs = 0;
    for (auto _ : state) {
        const auto start = SteadyClock::now();
        const ras::Handle h = line.dial();
        if (h == 0) {
            state.SkipWithError("the dial did not connect");
            return;
        }
        // The port is free once the last line's DTR drop (1 s) is over.
        waitMs += ms(line.portOpened - start);
        atMs += ms(line.atConnect - line.portOpened);
        pppMs += ms(line.connected - line.atConnect);
        // What "Разорвать" waits for: the hang-up and the line gone from the status.
        const auto down = SteadyClock::now();
        line.service->hangUp(h);
        ras::ConnectStatus st;
        while (line.service->getConnectStatus(h, st) != ras::kErrorInvalidHandle) {
        }
        hangUpMs += ms(SteadyClock::now() - down);
        state.SetIterationTime(ms(SteadyClock::now() - start) / 1000);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["port_wait_ms"] = waitMs / n;
    state.counters["AT_ms"] = atMs / n;
    state.counters["PPP_ms"] = pppMs / n;
    state.counters["hangup_ms"] = hangUpMs / n;
}
BENCHMARK(BM_ModemDialAndHangUp)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ModemCounterRead(benchmark::State& state) {
    ModemLine line;
    const ras::Handle h = line.dial();
    if (h == 0) {
        state.SkipWithError("the dial did not connect");
        return;
    }
    ras::Statistics st;
    for (auto _ : state) {
        line.service->getConnectionStatistics(h, st);
        benchmark::DoNotOptimize(st);
    }
    line.service->hangUp(h);
}
BENCHMARK(BM_ModemCounterRead)->Unit(benchmark::kMicrosecond);

}  // namespace
