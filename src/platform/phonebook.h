// The phonebook: our own UTF-8 INI file of dial-up entries, one section per entry.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmor {

// How the simulated modem line behaves for an entry (the Sim* keys).
struct SimSettings {
    // A dialled number that contains one of these fails after the dialling state with 676, 678,
    // 679 or 680.
    std::vector<std::string> busy, noAnswer, noCarrier, noDialtone;
    // With restrictLogins only these user:password pairs are accepted; others get 691.
    bool restrictLogins = false;
    std::vector<std::pair<std::string, std::string>> logins;
    // The first this many authentications of the entry after the program started are refused
    // with 691 whatever the credentials (so a single saved login shows a refusal, then works).
    std::uint32_t refuseFirstLogins = 0;
    std::uint32_t speed = 33600;  // bits per second
    std::string localIp = "10.64.0.2";
    std::string serverIp = "10.64.0.1";
    std::uint32_t stepMs = 400;                 // between two progress states
    std::uint64_t rxRate = 3000, txRate = 600;  // bytes per second while connected
    std::uint32_t dropAfterSec = 0;             // 0: the line never drops by itself

    friend bool operator==(const SimSettings&, const SimSettings&) = default;
};

enum class DeviceKind { Sim, Serial, Unknown };

enum class FlowControl { Hardware, None };

// How a serial modem entry opens its port and talks to the modem (Speed, Init1, Init2, Init3,
// FlowControl, DialTimeout).
struct ModemSettings {
    std::uint32_t speed = 115200;  // the port's rate in bits per second
    std::string init1 = "ATZ";     // sent before dialling, each answered by OK; empty: not sent
    std::string init2 = "ATQ0 V1 E1 S0=0 &C1 &D2";
    std::string init3;  // the line of the entry's own: a mobile modem's access point (APN)
    FlowControl flowControl = FlowControl::Hardware;  // RTS/CTS
    std::uint32_t dialTimeoutSec = 90;                // from the dial command to its result

    friend bool operator==(const ModemSettings&, const ModemSettings&) = default;
};

// The port rates an entry may name, slowest first.
const std::vector<std::uint32_t>& portSpeeds();

struct PhonebookEntry {
    std::string name;
    std::string device = "sim";  // as written in the file
    DeviceKind deviceKind = DeviceKind::Sim;
    std::string phoneNumber;
    std::vector<std::string> alternates;
    std::string userName;
    std::string password;  // empty: none saved
    ModemSettings modem;
    SimSettings sim;
};

// The kind of device a Device value names: "sim" (any case, or no value) is the simulated modem,
// an absolute path a serial modem, anything else unknown.
DeviceKind deviceKindOf(std::string_view device);

// Splits a ";"-separated list, trimming each item and dropping empty ones.
std::vector<std::string> splitList(std::string_view text);

class Phonebook {
  public:
    enum class Result { Ok, NotFound, Exists, InvalidName, Unreadable, WriteFailed };

    explicit Phonebook(std::string path);
    const std::string& path() const { return path_; }

    // $VELMOR_PHONEBOOK when set, else $XDG_CONFIG_HOME/velmor/phonebook.ini, else
    // ~/.config/velmor/phonebook.ini.
    static std::string defaultPath();

    // Creates the file (and its folder) with the demonstration entry when the file does not exist.
    // False, with a problem reported, when it cannot be created.
    bool createIfMissing();
    // Writes the demonstration entry "Демо-провайдер" into the file, replacing one of that name.
    Result writeDemoEntry();

    // Entry names in file order. Unreadable when the file exists but cannot be read (reported); a
    // missing file has no entries.
    Result names(std::vector<std::string>& out);
    // One entry by name (matched ignoring letter case). Bad values are reported and replaced by
    // their defaults; the entry is still found.
    Result find(std::string_view name, PhonebookEntry& out);
    // Every entry with its device and numbers, sorted by name as the service lists them.
    std::vector<PhonebookEntry> entries();

    // Writes an entry: new when oldName is empty, else in place of oldName (renaming it when the
    // name differs). The Sim* keys of the old entry are kept; the other keys are written from the
    // record (the modem keys only for a serial entry: a simulated one keeps whatever it had).
    Result write(const PhonebookEntry& entry, std::string_view oldName);
    Result erase(std::string_view name);

    // Problems found since the last call, each (entry, key, value) reported once per Phonebook.
    std::vector<std::string> takeProblems();

    // The demonstration entry as it is written on creation.
    static PhonebookEntry demoEntry();

  private:
    Result checkReadable();
    void report(const std::string& onceKey, std::string message);

    std::string path_;
    std::set<std::string> reported_;
    std::vector<std::string> pending_;
    std::string lastWriteError_;
};

}  // namespace velmor
