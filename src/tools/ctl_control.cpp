// velmorctl status, dial, hangup, next, redial, select, show, watch: the running program, reached
// on the session bus. The bus's own client library keeps velmorctl small and quick to start.
#include <dbus/dbus.h>

#include <charconv>
#include <cstdio>
#include <ctime>
#include <string>

#include "form/number_text.h"
#include "form/statistics.h"
#include "platform/app_id.h"
#include "platform/control.h"
#include "platform/locale_format.h"
#include "platform/terminal_text.h"
#include "tools/velmorctl.h"

namespace velmor::ctl {
namespace {

using control::Snapshot;
using control::State;

constexpr int kRefused = 1;
constexpr int kNotRunning = 3;
constexpr int kCallTimeoutMs = 10000;
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

class Bus {
  public:
    Bus() { dbus_error_init(&error_); }
    ~Bus() {
        dbus_error_free(&error_);
        if (c_) {
            dbus_connection_close(c_);
            dbus_connection_unref(c_);
        }
    }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // Says why on standard error when there is no session bus.
    bool connect() {
        c_ = dbus_bus_get_private(DBUS_BUS_SESSION, &error_);
        if (!c_) {
            std::fprintf(stderr, "velmorctl: Velmor не найден: нет сеансовой шины D-Bus (%s)\n",
                         error_.message);
            return false;
        }
        dbus_connection_set_exit_on_disconnect(c_, FALSE);
        return true;
    }
    DBusConnection* connection() const { return c_; }

    // A method of the running program; never starts one. Takes the message. On failure the
    // reason is in errorName() and errorMessage().
    DBusMessage* call(DBusMessage* message) {
        dbus_message_set_auto_start(message, FALSE);
        dbus_error_free(&error_);
        DBusMessage* reply =
            dbus_connection_send_with_reply_and_block(c_, message, kCallTimeoutMs, &error_);
        dbus_message_unref(message);
        return reply;
    }
    std::string errorName() const { return error_.name ? error_.name : ""; }
    std::string errorMessage() const { return error_.message ? error_.message : ""; }

    // Says why a call failed and gives the exit status: 3 when no program runs, 1 otherwise.
    int failed() const {
        const std::string name = errorName();
        if (name == DBUS_ERROR_SERVICE_UNKNOWN || name == DBUS_ERROR_NAME_HAS_NO_OWNER) {
            std::fprintf(stderr, "velmorctl: Velmor не запущен\n");
            return kNotRunning;
        }
        if (control::refusalFromErrorName(name) != control::Refusal::None) {
            std::fprintf(stderr, "velmorctl: %s\n", errorMessage().c_str());
        } else {
            std::fprintf(stderr, "velmorctl: Velmor не ответил: %s (%s)\n", errorMessage().c_str(),
                         name.c_str());
        }
        return kRefused;
    }

  private:
    DBusConnection* c_ = nullptr;
    DBusError error_;
};

DBusMessage* methodCall(const char* interface, const char* member) {
    return dbus_message_new_method_call(kAppId, control::kObjectPath, interface, member);
}

// One property from its variant; others than the program's are passed over.
void takeProperty(Snapshot& s, const char* name, DBusMessageIter* variant) {
    const int type = dbus_message_iter_get_arg_type(variant);
    DBusBasicValue v{};
    if (!dbus_type_is_basic(type)) return;
    dbus_message_iter_get_basic(variant, &v);
    const std::string key = name;
    const std::string str = type == DBUS_TYPE_STRING ? v.str : "";
    if (key == "State") {
        s.state = control::stateFromName(str);
    } else if (key == "Locked" && type == DBUS_TYPE_BOOLEAN) {
        s.locked = v.bool_val;
    } else if (key == "Entry") {
        s.entry = str;
    } else if (key == "Phone") {
        s.phone = str;
    } else if (key == "StateText") {
        s.stateText = str;
    } else if (key == "Speed" && type == DBUS_TYPE_UINT32) {
        s.speed = v.u32;
    } else if (key == "LocalAddress") {
        s.localAddress = str;
    } else if (key == "RemoteAddress") {
        s.remoteAddress = str;
    } else if (key == "SessionSeconds" && type == DBUS_TYPE_UINT64) {
        s.sessionSeconds = static_cast<std::int64_t>(v.u64);
    } else if (key == "ReceivedBytes" && type == DBUS_TYPE_UINT64) {
        s.receivedBytes = v.u64;
    } else if (key == "SentBytes" && type == DBUS_TYPE_UINT64) {
        s.sentBytes = v.u64;
    } else if (key == "SessionMoney" && type == DBUS_TYPE_DOUBLE) {
        s.sessionMoney = v.dbl;
    } else if (key == "Attempts" && type == DBUS_TYPE_UINT32) {
        s.attempts = v.u32;
    }
}

// The properties of an a{sv} at the iterator.
bool takeProperties(Snapshot& s, DBusMessageIter* it) {
    if (dbus_message_iter_get_arg_type(it) != DBUS_TYPE_ARRAY) return false;
    DBusMessageIter array;
    dbus_message_iter_recurse(it, &array);
    while (dbus_message_iter_get_arg_type(&array) == DBUS_TYPE_DICT_ENTRY) {
        DBusMessageIter entry, variant;
        dbus_message_iter_recurse(&array, &entry);
        const char* name = nullptr;
        dbus_message_iter_get_basic(&entry, &name);
        dbus_message_iter_next(&entry);
        dbus_message_iter_recurse(&entry, &variant);
        takeProperty(s, name, &variant);
        dbus_message_iter_next(&array);
    }
    return true;
}

const char* stateWords(State state) {
    switch (state) {
        case State::Idle:
            return "нет соединения";
        case State::Dialling:
            return "дозвон";
        case State::Pausing:
            return "пауза перед повторным звонком";
        case State::Connected:
            return "соединение установлено";
    }
    return "";
}

std::string trafficOf(const Snapshot& s, char separator) {
    return trafficText({static_cast<std::int64_t>(s.receivedBytes / 1000),
                        static_cast<std::int64_t>(s.sentBytes / 1000)},
                       separator);
}

// What status prints, in UTF-8.
std::string statusText(const Snapshot& s) {
    const char sep = LocaleFormat::fromSystem().decimalSeparator;
    std::string out = std::string("Состояние: ") + stateWords(s.state) + "\n";
    if (s.locked) out += "Программа заблокирована\n";
    out += "Соединение: " + s.entry + "\n";
    if (!s.phone.empty()) out += "Телефон: " + s.phone + "\n";
    out += "Строка состояния: " + s.stateText + "\n";
    if (s.state == State::Connected) {
        out += "Скорость: " + kilobitsText(s.speed, sep) + " Кбит/с\n";
        out += "IP: " + s.localAddress + ", сервер " + s.remoteAddress + "\n";
    }
    out += "Время на линии: " + durationText(s.sessionSeconds) + "\n";
    out += "Получено/отправлено: " + trafficOf(s, sep) + " Мб\n";
    out += "Деньги: " + moneyText(s.sessionMoney, sep) + "\n";
    out += "Попыток: " + std::to_string(s.attempts) + "\n";
    return out;
}

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// The properties as one line of JSON, under their names on the bus.
std::string json(const Snapshot& s) {
    char money[64];
    const auto end = std::to_chars(money, money + sizeof money, s.sessionMoney).ptr;
    return "{\"State\":" + jsonString(control::stateName(s.state)) +
           ",\"Locked\":" + (s.locked ? "true" : "false") + ",\"Entry\":" + jsonString(s.entry) +
           ",\"Phone\":" + jsonString(s.phone) + ",\"StateText\":" + jsonString(s.stateText) +
           ",\"Speed\":" + std::to_string(s.speed) +
           ",\"LocalAddress\":" + jsonString(s.localAddress) +
           ",\"RemoteAddress\":" + jsonString(s.remoteAddress) +
           ",\"SessionSeconds\":" + std::to_string(s.sessionSeconds) +
           ",\"ReceivedBytes\":" + std::to_string(s.receivedBytes) +
           ",\"SentBytes\":" + std::to_string(s.sentBytes) +
           ",\"SessionMoney\":" + std::string(money, end) +
           ",\"Attempts\":" + std::to_string(s.attempts) + "}";
}

// One line of watch: the time, the state and the state line, and on line the session's figures.
// The text in the terminal's character set, JSON in UTF-8.
void printChange(const Snapshot& s, bool asJson, TerminalText& terminal) {
    std::string line;
    if (asJson) {
        line = json(s);
    } else {
        const std::time_t t = std::time(nullptr);
        std::tm tm{};
        ::localtime_r(&t, &tm);
        char clock[16];
        std::strftime(clock, sizeof clock, "%H:%M:%S", &tm);
        line = std::string(clock) + " " + stateWords(s.state) + ": " + s.stateText;
        if (s.state == State::Connected) {
            const char sep = LocaleFormat::fromSystem().decimalSeparator;
            line += " (на линии " + durationText(s.sessionSeconds) + ", получено/отправлено " +
                    trafficOf(s, sep) + " Мб)";
        }
        line = terminal(line);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// Reads every property; on failure says why and gives the exit status.
int readAll(Bus& bus, Snapshot& s) {
    DBusMessage* get = methodCall(kProperties, "GetAll");
    const char* interface = control::kInterface;
    dbus_message_append_args(get, DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID);
    DBusMessage* reply = bus.call(get);
    if (!reply) return bus.failed();
    DBusMessageIter it;
    const bool ok = dbus_message_iter_init(reply, &it) && takeProperties(s, &it);
    dbus_message_unref(reply);
    if (!ok) {
        std::fprintf(stderr, "velmorctl: Velmor ответил не так, как ожидалось\n");
        return kRefused;
    }
    return 0;
}

bool onlyOption(const Args& args, const char* usage, bool& jsonOption) {
    jsonOption = false;
    for (const std::string& a : args) {
        if (a == "--json" && !jsonOption) {
            jsonOption = true;
        } else {
            std::fprintf(stderr, "usage: velmorctl %s\n", usage);
            return false;
        }
    }
    return true;
}

// A command without arguments, or with the one an entry's name.
int command(const Args& args, const char* member, const char* usage, bool takesName = false) {
    if (args.size() != (takesName ? 1u : 0u)) {
        std::fprintf(stderr, "usage: velmorctl %s\n", usage);
        return kBadInput;
    }
    Bus bus;
    if (!bus.connect()) return kNotRunning;
    DBusMessage* call = methodCall(control::kInterface, member);
    if (takesName) {
        const char* name = args[0].c_str();
        if (!dbus_validate_utf8(name, nullptr)) {
            std::fprintf(stderr, "velmorctl: имя соединения не в UTF-8\n");
            dbus_message_unref(call);
            return kBadInput;
        }
        dbus_message_append_args(call, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    }
    DBusMessage* reply = bus.call(call);
    if (!reply) return bus.failed();
    dbus_message_unref(reply);
    return 0;
}

}  // namespace

int runStatus(const Args& args) {
    bool asJson = false;
    if (!onlyOption(args, "status [--json]", asJson)) return kBadInput;
    Bus bus;
    if (!bus.connect()) return kNotRunning;
    Snapshot s;
    if (const int status = readAll(bus, s); status != 0) return status;
    // The text in the terminal's character set, JSON in UTF-8.
    const std::string out = asJson ? json(s) + "\n" : TerminalText()(statusText(s));
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int runDial(const Args& args) {
    return command(args, "Dial", "dial");
}
int runHangUp(const Args& args) {
    return command(args, "HangUp", "hangup");
}
int runNext(const Args& args) {
    return command(args, "Next", "next");
}
int runRedial(const Args& args) {
    return command(args, "Redial", "redial");
}
int runSelect(const Args& args) {
    return command(args, "SelectEntry", "select ENTRY", true);
}
int runShow(const Args& args) {
    return command(args, "Show", "show");
}

int runWatch(const Args& args) {
    bool asJson = false;
    if (!onlyOption(args, "watch [--json]", asJson)) return kBadInput;
    Bus bus;
    if (!bus.connect()) return kNotRunning;
    // Listening first, so that no change between the first reading and the first signal is lost.
    const std::string changes = std::string("type='signal',sender='") + kAppId + "',path='" +
                                control::kObjectPath + "',interface='" + kProperties +
                                "',member='PropertiesChanged',arg0='" + control::kInterface + "'";
    const std::string owner =
        std::string("type='signal',sender='" DBUS_SERVICE_DBUS "',interface='" DBUS_INTERFACE_DBUS
                    "',member='NameOwnerChanged',arg0='") +
        kAppId + "'";
    dbus_bus_add_match(bus.connection(), changes.c_str(), nullptr);
    dbus_bus_add_match(bus.connection(), owner.c_str(), nullptr);
    Snapshot s;
    if (const int status = readAll(bus, s); status != 0) return status;
    TerminalText terminal;
    printChange(s, asJson, terminal);
    while (dbus_connection_read_write(bus.connection(), -1)) {
        while (DBusMessage* m = dbus_connection_pop_message(bus.connection())) {
            bool gone = false;
            if (dbus_message_is_signal(m, kProperties, "PropertiesChanged")) {
                DBusMessageIter it;
                if (dbus_message_iter_init(m, &it) && dbus_message_iter_next(&it) &&
                    takeProperties(s, &it)) {
                    printChange(s, asJson, terminal);
                }
            } else if (dbus_message_is_signal(m, DBUS_INTERFACE_DBUS, "NameOwnerChanged")) {
                const char *name = nullptr, *from = nullptr, *to = nullptr;
                gone = dbus_message_get_args(m, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING,
                                             &from, DBUS_TYPE_STRING, &to, DBUS_TYPE_INVALID) &&
                       *to == '\0';
            } else if (dbus_message_is_signal(m, DBUS_INTERFACE_LOCAL, "Disconnected")) {
                gone = true;
            }
            dbus_message_unref(m);
            if (gone) {
                std::fprintf(stderr, "velmorctl: Velmor завершил работу\n");
                return kNotRunning;
            }
        }
    }
    std::fprintf(stderr, "velmorctl: сеансовая шина D-Bus закрыла соединение\n");
    return kNotRunning;
}

}  // namespace velmor::ctl
