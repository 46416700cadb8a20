// LoadSettings and SaveSettings on a full settings file, against writing the same keys one by one
// with a file rewrite per key.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "app/settings.h"
#include "platform/virtual_loop.h"

using namespace velmor;
namespace fs = std::filesystem;

namespace {

struct NoHooks : SettingsHooks {
    void reportError(const std::string&) override {}
};

const char* const kEntries[] = {"Домашний", "Работа", "Дача"};

struct Fixture {
    // In a folder of base: /tmp is on the disk here, /dev/shm in memory, where the save's fsync
    // costs next to nothing and what remains is the program's own work.
    explicit Fixture(const std::string& base = "/tmp") {
        std::string tmpl = base + "/velmor-bench-XXXXXX";
        dir = ::mkdtemp(tmpl.data());
        path = dir + "/Velmor.ini";
        form.conn.ComboBox1.items.assign(std::begin(kEntries), std::end(kEntries));
        form.conn.ComboBox1.itemIndex = 0;
        form.state.lockPassword = "пароль";
        form.state.machineKey = "2902";
        form.state.machineCode = "52572";
        for (int i = 0; i < kMaxListItems; ++i) {
            form.phones.push_back({"8-800-555-" + std::to_string(1000 + i), ItemMark::Normal});
            form.logins.push_back({"user" + std::to_string(i), "password" + std::to_string(i),
                                   "12.5", '+', ItemMark::Normal});
        }
        for (int i = 0; i < 20; ++i) {
            form.programs.push_back({0, true, "Программа " + std::to_string(i),
                                     "/usr/bin/prog" + std::to_string(i), true, true, "--x",
                                     "Title"});
        }
        Profile profile(path);
        Settings s(form, profile, loop, hooks);
        for (const char* e : kEntries)
            s.SaveSettings(e);
    }
    ~Fixture() { fs::remove_all(dir); }

    std::string dir, path;
    VirtualLoop loop;
    NoHooks hooks;
    MainForm form;
};

void BM_LoadSettings(benchmark::State& state) {
    Fixture fx;
    for (auto _ : state) {
        MainForm form;
        form.conn.ComboBox1 = fx.form.conn.ComboBox1;
        form.state = fx.form.state;
        Profile profile(fx.path);  // reads the file, as a new program run does
        Settings s(form, profile, fx.loop, fx.hooks);
        s.LoadSettings();
        benchmark::DoNotOptimize(form.logins.data());
    }
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

void BM_SaveSettings(benchmark::State& state) {
    Fixture fx;
    Profile profile(fx.path);
    Settings s(fx.form, profile, fx.loop, fx.hooks);
    int round = 0;
    for (auto _ : state) {
        fx.form.stats.inInternetAll = ++round;  // something changes every time
        s.SaveSettings(kEntries[0]);
    }
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMillisecond);

void BM_SaveSettingsInMemory(benchmark::State& state) {
    if (!fs::is_directory("/dev/shm")) {
        state.SkipWithError("no /dev/shm");
        return;
    }
    Fixture fx("/dev/shm");
    Profile profile(fx.path);
    Settings s(fx.form, profile, fx.loop, fx.hooks);
    int round = 0;
    for (auto _ : state) {
        fx.form.stats.inInternetAll = ++round;
        s.SaveSettings(kEntries[0]);
    }
}
BENCHMARK(BM_SaveSettingsInMemory)->Unit(benchmark::kMillisecond);

// The same keys and values, each written on its own with the whole file rewritten.
void BM_PerKeyRewrite(benchmark::State& state) {
    Fixture fx;
    std::vector<std::tuple<std::string, std::string, std::string>> writes;
    {
        Profile p(fx.path);
        for (const std::string& sec : p.sections()) {
            if (sec != "Brontavel" && sec != EntrySection(kEntries[0])) continue;
            for (const std::string& k : p.keys(sec))
                writes.emplace_back(sec, k, p.readString(sec, k, ""));
        }
    }
    Profile profile(fx.path);
    int round = 0;
    for (auto _ : state) {
        ++round;
        for (const auto& [sec, key, value] : writes) {
            // A changed value forces a real write of the file.
            profile.writeString(sec, key, value + (round % 2 ? "" : " "));
        }
    }
    state.counters["keys"] = static_cast<double>(writes.size());
}
BENCHMARK(BM_PerKeyRewrite)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
