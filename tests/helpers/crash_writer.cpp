// A program that the crash-safety tests kill: it saves a full settings file, or appends to the
// event log, over and over until it is killed.
//   crash_writer settings DIR ref    writes the two settings files it alternates between to
//                                    DIR/a.ini and DIR/b.ini, and ends
//   crash_writer settings DIR loop   saves DIR/Velmor.ini as a, b, a, ... ("ready" once opened)
//   crash_writer log DIR RUN loop    appends numbered lines of run RUN to DIR/Velmor.log
//   crash_writer log DIR RUN once    appends one line and ends
//   crash_writer history DIR         counts a session into DIR/history.sqlite second by second on
//                                    virtual time, 3 kB received, 1 kB sent and 0,001 of money a
//                                    second, and prints "written S" after each write of S seconds
//                                    (its session stays within one day)
#include <cstdio>
#include <string>

#include <unistd.h>

#include "accounting/daily_history.h"
#include "app/settings.h"
#include "desktop/log_file.h"
#include "platform/virtual_loop.h"

using namespace velmor;

namespace {

struct NoHooks : SettingsHooks {
    void reportError(const std::string& m) override { std::fprintf(stderr, "%s\n", m.c_str()); }
};

// Two models with every list full and every figure set; they differ in their values only, so
// each one's file has the same lines in the same order.
void fill(MainForm& f, int variant) {
    f.conn.ComboBox1.items = {"Домашний"};
    f.conn.ComboBox1.itemIndex = 0;
    f.state.machineKey = "2902";
    f.state.machineCode = "52572";
    f.state.lockPassword = "секрет";
    f.locale = LocaleFormat::russian();
    f.phones.clear();
    f.logins.clear();
    for (int i = 0; i < kMaxListItems; ++i) {
        f.phones.push_back({std::to_string(variant * 1000000 + i), ItemMark::Normal});
        f.logins.push_back({"пользователь" + std::to_string(variant) + "_" + std::to_string(i),
                            "пароль" + std::to_string(i), std::to_string(variant + i), '+',
                            ItemMark::Normal});
    }
    f.programs = {
        {1, true, "Почта", "/usr/bin/mail" + std::to_string(variant), false, true, "-x", "Mail"}};
    f.stats.inInternetAll = 1000 + variant;
    f.stats.trafficAll.set({123456 + variant, 789});
    f.stats.dengiAll = 12.5 + variant;
}

int settings(const std::string& dir, const std::string& mode) {
    VirtualLoop loop;
    loop.setLocalDateTime({2026, 12, 7, 0, 0, 0, 0});
    NoHooks hooks;
    auto save = [&](const std::string& path, int variant) {
        MainForm f;
        fill(f, variant);
        Profile p(path);
        Settings(f, p, loop, hooks).SaveSettings("Домашний");
    };
    if (mode == "ref") {
        save(dir + "/a.ini", 0);
        save(dir + "/b.ini", 1);
        return 0;
    }
    Profile p(dir + "/Velmor.ini");
    p.readString(kMainSection, "Ver", "");  // the first read, as at a start
    std::puts("ready");
    std::fflush(stdout);
    MainForm f;
    Settings s(f, p, loop, hooks);
    for (int i = 1; mode == "loop"; ++i) {
        fill(f, i % 2);
        s.SaveSettings("Домашний");
    }
    return 0;
}

int log(const std::string& dir, const std::string& run, const std::string& mode) {
    VirtualLoop loop;
    loop.setLocalDateTime({2026, 12, 7, 0, 0, 0, 0});
    TLogFile logFile(loop, dir + "/", LocaleFormat::russian());
    logFile.LogFileName = "Velmor.log";
    logFile.IncDateTime = true;
    logFile.IncSeparator = true;
    logFile.Separator = " --- ";
    logFile.Loaded();
    std::puts("ready");
    std::fflush(stdout);
    for (long n = 0;; ++n) {
        logFile.AddLine("Запуск " + run + " строка " + std::to_string(n) +
                        " ........................................");
        if (mode != "loop") return 0;
    }
}

int history(const std::string& dir) {
    VirtualLoop loop;
    loop.setLocalDateTime({2026, 12, 7, 0, 0, 0, 0});
    DailyHistory h;
    h.setFile(dir + "/history.sqlite");
    h.onError = [](const std::string& m) { std::fprintf(stderr, "%s\n", m.c_str()); };
    Statistics s;
    h.sessionStart("Домашний", loop.now(), s);
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        // The session stays within its day, however fast the writes go before the kill.
        while (s.inCurrentLast >= 23 * 3600)
            pause();
        loop.advance(1000);
        s.countSecond();
        s.trafficSession.in += 3;
        s.trafficSession.out += 1;
        s.dengiLast += 0.001;
        if (h.tick(loop.now(), s)) {
            std::printf("written %lld\n", static_cast<long long>(s.inCurrentLast));
            std::fflush(stdout);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "settings" && argc == 4) return settings(argv[2], argv[3]);
    if (what == "log" && argc == 5) return log(argv[2], argv[3], argv[4]);
    if (what == "history" && argc == 3) return history(argv[2]);
    std::fputs(
        "usage: crash_writer settings DIR ref|loop|start | log DIR RUN loop|once | history DIR\n",
        stderr);
    return 2;
}
