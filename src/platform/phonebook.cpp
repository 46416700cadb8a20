#include "platform/phonebook.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <limits>
#include <optional>
#include <tuple>

#include "platform/codepage.h"
#include "platform/collate.h"
#include "platform/profile.h"

namespace velmor {
namespace {

constexpr const char* kDemoName = "Демо-провайдер";

std::string trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b]))
        ++b;
    while (e > b && blank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string joinList(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) {
        if (!out.empty()) out += ';';
        out += item;
    }
    return out;
}

std::string joinLogins(const std::vector<std::pair<std::string, std::string>>& logins) {
    std::string out;
    for (const auto& [user, password] : logins) {
        if (!out.empty()) out += ';';
        out += user + ':' + password;
    }
    return out;
}

std::optional<std::uint64_t> parseUnsigned(const std::string& text) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::uint64_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size()) {
        return std::numeric_limits<std::uint64_t>::max();  // too large: out of every range
    }
    return v;
}

bool validIPv4(const std::string& text) {
    in_addr addr{};
    return inet_pton(AF_INET, text.c_str(), &addr) == 1;
}

std::string guillemets(std::string_view s) {
    return "«" + std::string(s) + "»";
}

// A section name that the file can hold and that reads back unchanged.
bool validEntryName(std::string_view name) {
    if (name.empty() || name.size() > 256 || trim(name) != name) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '[' || c == ']' || static_cast<unsigned char>(c) < 0x20;
    });
}

std::string userHome() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return ".";
}

// The entry's section as spelled in the file, matched ignoring letter case.
std::optional<std::string> sectionOf(const Profile& p, std::string_view name) {
    for (const auto& s : p.sections()) {
        if (equalsIgnoreCase(s, name)) return s;
    }
    return std::nullopt;
}

void writeSimKeys(Profile& p, const std::string& sec, const SimSettings& sim) {
    p.writeString(sec, "SimBusy", joinList(sim.busy));
    p.writeString(sec, "SimNoAnswer", joinList(sim.noAnswer));
    p.writeString(sec, "SimNoCarrier", joinList(sim.noCarrier));
    p.writeString(sec, "SimNoDialtone", joinList(sim.noDialtone));
    if (sim.restrictLogins) p.writeString(sec, "SimLogins", joinLogins(sim.logins));
    p.writeString(sec, "SimRefuseLogins", std::to_string(sim.refuseFirstLogins));
    p.writeString(sec, "SimSpeed", std::to_string(sim.speed));
    p.writeString(sec, "SimLocalIP", sim.localIp);
    p.writeString(sec, "SimServerIP", sim.serverIp);
    p.writeString(sec, "SimStepMs", std::to_string(sim.stepMs));
    p.writeString(sec, "SimRxRate", std::to_string(sim.rxRate));
    p.writeString(sec, "SimTxRate", std::to_string(sim.txRate));
    p.writeString(sec, "SimDropAfter", std::to_string(sim.dropAfterSec));
}

void writeModemKeys(Profile& p, const std::string& sec, const ModemSettings& m) {
    p.writeString(sec, "Speed", std::to_string(m.speed));
    p.writeString(sec, "Init1", m.init1);
    p.writeString(sec, "Init2", m.init2);
    p.writeString(sec, "Init3", m.init3);
    p.writeString(sec, "FlowControl", m.flowControl == FlowControl::None ? "none" : "hardware");
    p.writeString(sec, "DialTimeout", std::to_string(m.dialTimeoutSec));
}

void writeMainKeys(Profile& p, const std::string& sec, const PhonebookEntry& e) {
    p.writeString(sec, "Device", e.device.empty() ? "sim" : e.device);
    p.writeString(sec, "PhoneNumber", e.phoneNumber);
    p.writeString(sec, "AlternatePhoneNumbers", joinList(e.alternates));
    p.writeString(sec, "UserName", e.userName);
    // Passwords live only in the program's settings file, enciphered: a "Password" of an older or
    // hand-written phonebook is read once into the entry's login list, and goes when the entry is
    // written (it is then on display, its lists taken over).
    if (p.hasKey(sec, "Password")) {
        std::vector<std::pair<std::string, std::string>> kept;
        for (const auto& key : p.keys(sec)) {
            if (key != "Password") kept.emplace_back(key, p.readString(sec, key, ""));
        }
        p.eraseSection(sec);
        for (const auto& [key, value] : kept)
            p.writeString(sec, key, value);
    }
    if (deviceKindOf(e.device) == DeviceKind::Serial) writeModemKeys(p, sec, e.modem);
}

// A modem command line: no control characters (they would end the line early).
bool validCommand(const std::string& text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

}  // namespace

const std::vector<std::uint32_t>& portSpeeds() {
    static const std::vector<std::uint32_t> speeds = {300,   1200,  2400,   4800,   9600,   19200,
                                                      38400, 57600, 115200, 230400, 460800, 921600};
    return speeds;
}

DeviceKind deviceKindOf(std::string_view device) {
    const std::string d = trim(device);
    if (d.empty() || equalsIgnoreCase(d, "sim")) return DeviceKind::Sim;
    if (d.front() == '/') return DeviceKind::Serial;
    return DeviceKind::Unknown;
}

std::vector<std::string> splitList(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        std::string item = trim(text.substr(start, end - start));
        if (!item.empty()) out.push_back(std::move(item));
        start = end + 1;
    }
    return out;
}

Phonebook::Phonebook(std::string path) : path_(std::move(path)) {}

std::string Phonebook::defaultPath() {
    if (const char* p = std::getenv("VELMOR_PHONEBOOK"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && x[0] == '/') {
        return std::string(x) + "/velmor/phonebook.ini";
    }
    return userHome() + "/.config/velmor/phonebook.ini";
}

void Phonebook::report(const std::string& onceKey, std::string message) {
    if (!reported_.insert(onceKey).second) return;
    pending_.push_back(std::move(message));
}

std::vector<std::string> Phonebook::takeProblems() {
    std::vector<std::string> out;
    out.swap(pending_);
    return out;
}

Phonebook::Result Phonebook::checkReadable() {
    const std::string onceKey = "\nfile\n";
    struct stat st {};
    std::string why;
    if (::stat(path_.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Result::Ok;  // no file: no entries
        why = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        why = "это не обычный файл";
    } else {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            why = std::strerror(errno);
        } else {
            ::close(fd);
            // Readable again: a later failure is worth a new report.
            std::erase_if(reported_,
                          [&](const std::string& k) { return k.rfind(onceKey, 0) == 0; });
            return Result::Ok;
        }
    }
    report(onceKey + why, "Не удается прочитать телефонную книгу " + path_ + ": " + why +
                              ". Список подключений пуст.");
    return Result::Unreadable;
}

bool Phonebook::createIfMissing() {
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 || (errno != ENOENT && errno != ENOTDIR)) return true;
    std::error_code ec;
    const auto folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (writeDemoEntry() == Result::Ok) return true;
    const std::string why = ec ? ec.message() : lastWriteError_;
    report("\ncreate\n", "Не удается создать телефонную книгу " + path_ +
                             (why.empty() ? std::string() : ": " + why) + ".");
    return false;
}

PhonebookEntry Phonebook::demoEntry() {
    PhonebookEntry e;
    e.name = kDemoName;
    e.device = "sim";
    e.phoneNumber = "555-0101";
    e.alternates = {"555-0102", "555-0103"};
    // The phonebook keeps no password; the login list seeded from it holds "?" for one not known,
    // and the demonstration provider takes that.
    e.userName = "demo";
    e.sim.busy = {"555-0101"};
    e.sim.restrictLogins = true;
    e.sim.logins = {{"demo", "?"}, {"guest", "guest"}};
    e.sim.refuseFirstLogins = 1;
    return e;
}

Phonebook::Result Phonebook::writeDemoEntry() {
    try {
        Profile p(path_, Profile::Encoding::Utf8);
        Profile::Batch batch(p);
        const PhonebookEntry e = demoEntry();
        if (const auto old = sectionOf(p, e.name)) p.eraseSection(*old);
        writeMainKeys(p, e.name, e);
        writeSimKeys(p, e.name, e.sim);
    } catch (const std::exception& ex) {
        lastWriteError_ = ex.what();
        return Result::WriteFailed;
    }
    return Result::Ok;
}

Phonebook::Result Phonebook::names(std::vector<std::string>& out) {
    out.clear();
    if (checkReadable() != Result::Ok) return Result::Unreadable;
    try {
        Profile p(path_, Profile::Encoding::Utf8);
        out = p.sections();
    } catch (const std::exception& e) {
        report(std::string("\nfile\n") + e.what(),
               "Не удается прочитать телефонную книгу " + path_ + ": " + e.what() + ".");
        return Result::Unreadable;
    }
    return Result::Ok;
}

Phonebook::Result Phonebook::find(std::string_view name, PhonebookEntry& out) {
    out = PhonebookEntry{};
    if (checkReadable() != Result::Ok) return Result::Unreadable;
    try {
        Profile p(path_, Profile::Encoding::Utf8);
        const auto sec = sectionOf(p, name);
        if (!sec) return Result::NotFound;
        const std::string& s = *sec;
        out.name = s;

        const auto bad = [&](const std::string& key, const std::string& value,
                             const std::string& what) {
            report(s + '\n' + key + '\n' + value,
                   "Телефонная книга, запись " + guillemets(s) + ", ключ " + key + ": " + what);
        };
        const auto number = [&](const char* key, std::uint64_t def, std::uint64_t lo,
                                std::uint64_t hi) -> std::uint64_t {
            const std::string text = trim(p.readString(s, key, ""));
            if (text.empty()) return def;
            const auto v = parseUnsigned(text);
            if (!v) {
                bad(key, text,
                    "значение " + guillemets(text) + " не является числом; используется " +
                        std::to_string(def) + ".");
                return def;
            }
            if (*v < lo || *v > hi) {
                bad(key, text,
                    "значение " + guillemets(text) + " вне допустимых пределов (" +
                        std::to_string(lo) + "–" + std::to_string(hi) + "); используется " +
                        std::to_string(def) + ".");
                return def;
            }
            return *v;
        };
        const auto address = [&](const char* key, const std::string& def) {
            const std::string text = trim(p.readString(s, key, ""));
            if (text.empty()) return def;
            if (!validIPv4(text)) {
                bad(key, text,
                    "значение " + guillemets(text) + " не является IPv4-адресом; используется " +
                        def + ".");
                return def;
            }
            return text;
        };

        out.device = trim(p.readString(s, "Device", "sim"));
        if (out.device.empty()) out.device = "sim";
        out.deviceKind = deviceKindOf(out.device);
        if (out.deviceKind == DeviceKind::Unknown) {
            bad("Device", out.device,
                "неизвестное устройство " + guillemets(out.device) +
                    " (ожидается sim или путь к последовательному порту, например /dev/ttyS0); "
                    "набрать номер этой записи нельзя.");
        }
        ModemSettings& modem = out.modem;
        const ModemSettings modemDef;
        const std::string speedText = trim(p.readString(s, "Speed", ""));
        if (!speedText.empty()) {
            const auto v = parseUnsigned(speedText);
            const auto& speeds = portSpeeds();
            if (v && std::find(speeds.begin(), speeds.end(), *v) != speeds.end()) {
                modem.speed = static_cast<std::uint32_t>(*v);
            } else {
                bad("Speed", speedText,
                    "значение " + guillemets(speedText) +
                        " не является скоростью порта (300, 1200, … 115200, 230400, 460800, "
                        "921600); используется " +
                        std::to_string(modemDef.speed) + ".");
            }
        }
        for (auto [key, field, def] : {std::tuple{"Init1", &modem.init1, &modemDef.init1},
                                       std::tuple{"Init2", &modem.init2, &modemDef.init2},
                                       std::tuple{"Init3", &modem.init3, &modemDef.init3}}) {
            const std::string text = trim(p.readString(s, key, *def));
            if (validCommand(text)) {
                *field = text;
            } else {
                bad(key, text,
                    "строка команды модема содержит управляющие символы; используется " +
                        guillemets(*def) + ".");
            }
        }
        const std::string flow = trim(p.readString(s, "FlowControl", ""));
        if (equalsIgnoreCase(flow, "none")) {
            modem.flowControl = FlowControl::None;
        } else if (!flow.empty() && !equalsIgnoreCase(flow, "hardware")) {
            bad("FlowControl", flow,
                "значение " + guillemets(flow) +
                    " не является способом управления потоком (hardware или none); используется "
                    "hardware.");
        }
        modem.dialTimeoutSec =
            static_cast<std::uint32_t>(number("DialTimeout", modemDef.dialTimeoutSec, 1, 3600));

        out.phoneNumber = trim(p.readString(s, "PhoneNumber", ""));
        out.alternates = splitList(p.readString(s, "AlternatePhoneNumbers", ""));
        out.userName = p.readString(s, "UserName", "");
        out.password = p.readString(s, "Password", "");

        SimSettings& sim = out.sim;
        const SimSettings def;
        sim.busy = splitList(p.readString(s, "SimBusy", ""));
        sim.noAnswer = splitList(p.readString(s, "SimNoAnswer", ""));
        sim.noCarrier = splitList(p.readString(s, "SimNoCarrier", ""));
        sim.noDialtone = splitList(p.readString(s, "SimNoDialtone", ""));
        sim.restrictLogins = p.hasKey(s, "SimLogins");
        for (const auto& pair : splitList(p.readString(s, "SimLogins", ""))) {
            const auto colon = pair.find(':');
            if (colon == std::string::npos) {
                bad("SimLogins", pair,
                    "пара " + guillemets(pair) + " не записана как имя:пароль; она пропущена.");
                continue;
            }
            sim.logins.emplace_back(pair.substr(0, colon), pair.substr(colon + 1));
        }
        sim.refuseFirstLogins =
            static_cast<std::uint32_t>(number("SimRefuseLogins", 0, 0, 1000000));
        sim.speed = static_cast<std::uint32_t>(number("SimSpeed", def.speed, 0, 4294967295u));
        sim.localIp = address("SimLocalIP", def.localIp);
        sim.serverIp = address("SimServerIP", def.serverIp);
        sim.stepMs = static_cast<std::uint32_t>(number("SimStepMs", def.stepMs, 1, 600000));
        sim.rxRate = number("SimRxRate", def.rxRate, 0, 1000000000);
        sim.txRate = number("SimTxRate", def.txRate, 0, 1000000000);
        sim.dropAfterSec =
            static_cast<std::uint32_t>(number("SimDropAfter", def.dropAfterSec, 0, 2000000));
    } catch (const std::exception& e) {
        report(std::string("\nfile\n") + e.what(),
               "Не удается прочитать телефонную книгу " + path_ + ": " + e.what() + ".");
        out = PhonebookEntry{};
        return Result::Unreadable;
    }
    return Result::Ok;
}

std::vector<PhonebookEntry> Phonebook::entries() {
    std::vector<std::string> list;
    std::vector<PhonebookEntry> out;
    if (names(list) != Result::Ok) return out;
    for (const auto& n : list) {
        PhonebookEntry e;
        if (find(n, e) == Result::Ok) out.push_back(std::move(e));
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const auto& a, const auto& b) { return nameLess(a.name, b.name); });
    return out;
}

Phonebook::Result Phonebook::write(const PhonebookEntry& entry, std::string_view oldName) {
    if (!validEntryName(entry.name)) return Result::InvalidName;
    if (checkReadable() != Result::Ok) return Result::Unreadable;
    try {
        Profile p(path_, Profile::Encoding::Utf8);
        const auto existing = sectionOf(p, entry.name);
        std::optional<std::string> old;
        if (!oldName.empty()) {
            old = sectionOf(p, oldName);
            if (!old) return Result::NotFound;
        }
        // Another entry of that name (a case-only rename of the same entry is fine).
        if (existing && (!old || !equalsIgnoreCase(*existing, *old))) return Result::Exists;

        Profile::Batch batch(p);
        if (old && *old != entry.name) {
            // A rename: the section is written anew under the new spelling with every key the old
            // one had, so that the simulation keys move with it.
            std::vector<std::pair<std::string, std::string>> kept;
            for (const auto& key : p.keys(*old))
                kept.emplace_back(key, p.readString(*old, key, ""));
            p.eraseSection(*old);
            for (const auto& [key, value] : kept)
                p.writeString(entry.name, key, value);
        }
        writeMainKeys(p, entry.name, entry);
    } catch (const ProfileWriteError&) {
        return Result::WriteFailed;
    } catch (const std::exception&) {
        return Result::Unreadable;
    }
    return Result::Ok;
}

Phonebook::Result Phonebook::erase(std::string_view name) {
    if (checkReadable() != Result::Ok) return Result::Unreadable;
    try {
        Profile p(path_, Profile::Encoding::Utf8);
        const auto sec = sectionOf(p, name);
        if (!sec) return Result::NotFound;
        Profile::Batch batch(p);
        p.eraseSection(*sec);
    } catch (const ProfileWriteError&) {
        return Result::WriteFailed;
    } catch (const std::exception&) {
        return Result::Unreadable;
    }
    return Result::Ok;
}

}  // namespace velmor
