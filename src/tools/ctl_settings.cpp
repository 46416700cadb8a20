// velmorctl dump and resave: what the program would load for an entry, and its load-and-save.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/settings.h"
#include "dialing/ras_edt.h"
#include "form/number_text.h"
#include "form/statistics.h"
#include "platform/codepage.h"
#include "platform/machine.h"
#include "platform/paths.h"
#include "platform/phonebook.h"
#include "platform/profile.h"
#include "platform/ras.h"
#include "platform/virtual_loop.h"
#include "tools/velmorctl.h"

namespace velmor::ctl {
namespace {

struct SettingsArgs {
    std::string settings;
    std::optional<std::string> entry;
    std::optional<std::string> password;
    std::string drive;  // as the program's first argument
};

std::optional<SettingsArgs> parseArgs(const Args& args, const char* usage) {
    SettingsArgs out;
    out.settings = programDirectory() + "Velmor.ini";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        std::optional<std::string> v;
        if (a == "--settings" && (v = value())) {
            out.settings = *v;
        } else if (a == "--entry" && (v = value())) {
            out.entry = *v;
        } else if (a == "--password-file" && (v = value())) {
            out.password = readSecretFile(*v, "password");
            if (!out.password) return std::nullopt;
        } else if (a == "--password" || a.rfind("--password=", 0) == 0) {
            secretOnCommandLine("--password", "--password-file FILE (- for standard input)");
            return std::nullopt;
        } else if (a == "--drive" && (v = value())) {
            out.drive = *v;
        } else {
            std::fprintf(stderr, "usage: velmorctl %s\n", usage);
            return std::nullopt;
        }
    }
    return out;
}

// A system clock for the command line (the program's own loop is not running here).
class SystemClock : public Clock {
  public:
    LocalDateTime now() const override {
        const time_t t = ::time(nullptr);
        tm lt{};
        ::localtime_r(&t, &lt);
        return withDayOfWeek(
            {lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min, lt.tm_sec, 0});
    }
    std::uint64_t tickCount() const override { return 0; }
};

// The program's steps of loading that matter here: its errors, and the lists of an entry
// without a section from the phonebook.
struct Hooks : SettingsHooks {
    explicit Hooks(ras::RasService& ras) : edt(ras) {}
    int count = 0;
    TRasEdt edt;
    void reportError(const std::string& m) override {
        ++count;
        std::fprintf(stderr, "velmorctl: %s\n", m.c_str());
    }
    EntryLists phonebookLists(const std::string& entry) override {
        return listsFromPhonebook(edt, entry);
    }
};

// Reads the program's settings for one entry, as the program would.
struct Loaded {
    VirtualLoop loop;  // nothing runs on it: the phonebook service wants one
    std::unique_ptr<ras::RasService> ras = ras::makeDefaultService(loop);
    MainForm form;
    Hooks errors{*ras};
    SystemClock clock;
    bool sectionPresent = false;
};

bool prepare(const SettingsArgs& a, Profile& profile, Loaded& l) {
    struct stat st {};
    if (::stat(a.settings.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "velmorctl: no settings file at %s\n", a.settings.c_str());
        return false;
    }
    const MachineBinding m = machineBinding(a.drive);
    l.form.state.machineCode = m.machineCode;
    l.form.state.machineKey = m.machineKey;
    l.form.locale = LocaleFormat::fromSystem();
    // The entries as the program lists them; it shows the last one shown when it is still there.
    std::vector<std::string> names;
    l.ras->enumEntries(names);
    if (a.entry && std::find(names.begin(), names.end(), *a.entry) == names.end()) {
        std::fprintf(stderr, "velmorctl: no entry \"%s\" in the phonebook %s\n", a.entry->c_str(),
                     Phonebook::defaultPath().c_str());
        return false;
    }
    if (names.empty()) {
        std::fprintf(stderr, "velmorctl: the phonebook %s has no entry\n",
                     Phonebook::defaultPath().c_str());
        return false;
    }
    l.form.conn.ComboBox1.items = a.entry ? std::vector<std::string>{*a.entry} : names;
    l.form.conn.ComboBox1.itemIndex = 0;
    l.form.conn.ComboBox1.selectText(profile.readString(kMainSection, "LastSelectedEntry", ""));
    l.sectionPresent = profile.sectionExists(EntrySection(l.form.conn.ComboBox1.text()));
    if (a.password && !fitsCp1251(*a.password)) {
        std::fprintf(stderr,
                     "velmorctl: the password holds characters that Windows-1251 cannot store\n");
        return false;
    }
    Settings settings(l.form, profile, l.clock, l.errors);
    settings.givenPassword = a.password;
    settings.LoadSettings();
    return true;
}

const char* markName(ItemMark m) {
    switch (m) {
        case ItemMark::InUse:
            return "in use";
        case ItemMark::Excluded:
            return "excluded";
        default:
            return "normal";
    }
}

void printDump(const Loaded& l) {
    const MainForm& f = l.form;
    const char sep = f.locale.decimalSeparator;
    auto line = [](const std::string& s) { std::printf("%s\n", s.c_str()); };
    line("Entry=" + f.conn.ComboBox1.text());
    if (!l.sectionPresent)
        line("(no section for this entry: the program fills its lists from the phonebook)");
    for (std::size_t i = 0; i < f.phones.size(); ++i) {
        line("Phone " + std::to_string(i) + ": " + f.phones[i].number + " [" +
             markName(f.phones[i].mark) + "]");
    }
    for (std::size_t i = 0; i < f.logins.size(); ++i) {
        const LoginItem& g = f.logins[i];
        const auto money = parseReal(g.money);
        line("Login " + std::to_string(i) + ": " + g.login +
             " password=" + (g.password.empty() ? "(empty)" : "********") + " money=" + g.money +
             " (" + (money ? formatFixed(*money, 2, sep) : "?") + ") flag=" + g.flag + " [" +
             markName(g.mark) + "]");
    }
    const Statistics& s = f.stats;
    auto seconds = [&](const char* name, std::int64_t v) {
        line(std::string(name) + "=" + std::to_string(v) + " (" + durationText(v) + ")");
    };
    seconds("InInternetAll", s.inInternetAll);
    seconds("InInternetDay", s.inInternetDay);
    seconds("InInternetMonth", s.inInternetMonth);
    seconds("InInternetLastMonth", s.inInternetLastMonth);
    seconds("InCurrentAll", s.inCurrentAll);
    seconds("InInternetCurrentMonth", s.inInternetCurrentMonth);
    seconds("InInternetCurrentLastMonth", s.inInternetCurrentLastMonth);
    seconds("InCurrentLast", s.inCurrentLast);
    auto traffic = [&](const char* name, const TrafficPair& p) {
        line(std::string(name) + "=" + std::to_string(p.in) + "/" + std::to_string(p.out) +
             " kB (" + trafficText(p, sep) + " Мб)");
    };
    traffic("TrafficAll", s.trafficAll.current);
    traffic("TrafficMonth", s.trafficMonth.current);
    traffic("TrafficToday", s.trafficToday.current);
    traffic("TrafficLastMonth", s.trafficLastMonth);
    traffic("TrafficCurrent", s.trafficCurrent.current);
    traffic("TrafficCurrentMonth", s.trafficCurrentMonth.current);
    traffic("TrafficCurrentLastMonth", s.trafficCurrentLastMonth);
    traffic("TrafficCurrentLast", s.trafficSession);
    auto money = [&](const char* name, double v) {
        line(std::string(name) + "=" + formatReal(v, sep) + " (" + moneyText(v, sep) + ")");
    };
    money("DengiAll", s.dengiAll);
    money("DengiMonth", s.dengiMonth);
    money("DengiLastMonth", s.dengiLastMonth);
    money("DengiToday", s.dengiToday);
    money("DengiCurrentAll", s.dengiCurrentAll);
    money("DengiCurrentMonth", s.dengiCurrentMonth);
    money("DengiCurrentLastMonth", s.dengiCurrentLastMonth);
    money("DengiLast", s.dengiLast);
    const TariffPage& t = f.tariffs;
    line("Tariffs=" + std::to_string(t.tariffcount.itemIndex + 1) +
         " time1=" + std::to_string(t.time1.value) + " time2=" + std::to_string(t.time2.value) +
         " time3=" + std::to_string(t.time3.value) + " tariff1=" +
         formatReal(t.tariff1.value, sep) + " tariff2=" + formatReal(t.tariff2.value, sep) +
         " tariff3=" + formatReal(t.tariff3.value, sep));
    for (std::size_t i = 0; i < f.programs.size(); ++i) {
        const AppEntry& a = f.programs[i];
        line("Program " + std::to_string(i) + ": " + a.description + " path=" + a.path +
             " param=" + a.params + " title=" + a.titlePart +
             " runmethod=" + std::to_string(a.runMethod) + " checked=" + (a.checked ? "1" : "0") +
             " restart=" + (a.restart ? "1" : "0") + " mustkill=" + (a.mustKill ? "1" : "0"));
    }
    line(std::string("Locked=") + (f.state.locked ? "yes" : "no"));
}

}  // namespace

int runDump(const Args& args) {
    const char* usage =
        "dump [--settings FILE] [--entry NAME] [--password-file FILE] [--drive DRIVE]";
    const auto a = parseArgs(args, usage);
    if (!a) return kBadInput;
    Profile profile(a->settings);
    Loaded l;
    if (!prepare(*a, profile, l)) return kBadInput;
    printDump(l);
    return l.errors.count ? kBadInput : 0;
}

int runResave(const Args& args) {
    const char* usage =
        "resave [--settings FILE] --entry NAME [--password-file FILE] [--drive DRIVE]";
    const auto a = parseArgs(args, usage);
    if (!a) return kBadInput;
    if (!a->entry) {
        std::fprintf(stderr, "usage: velmorctl %s\n", usage);
        return kBadInput;
    }
    Profile profile(a->settings);
    Loaded l;
    if (!prepare(*a, profile, l)) return kBadInput;
    if (l.errors.count) {
        std::fprintf(stderr, "velmorctl: the settings file was left as it is\n");
        return kBadInput;
    }
    try {
        Settings settings(l.form, profile, l.clock, l.errors);
        settings.SaveSettings(*a->entry);
    } catch (const ProfileWriteError& e) {
        std::fprintf(stderr, "velmorctl: %s\n", withFullStop(e.what()).c_str());
        return 1;
    }
    return 0;
}

}  // namespace velmor::ctl
