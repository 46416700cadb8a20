// A D-Bus message bus of a test's own: a session bus, or one set up like the system bus, started
// with the system's dbus-daemon in a folder of the test's own and stopped with the test.
#pragma once

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"

namespace velmor::test {

class PrivateBus {
  public:
    enum class Kind { Session, System };

    // dir: a folder of the test's own; the bus's address is handed over through a file in it.
    // A System bus takes the system bus's rules (who may own which name) but no activation.
    explicit PrivateBus(const std::string& dir, Kind kind = Kind::Session) {
        const std::string file = dir + (kind == Kind::Session ? "/session-bus" : "/system-bus");
        const std::string listen = "unix:path=" + file + ".socket";
        // The bus's own rules, with the address pointed into the test's folder.
        const std::string conf = file + ".conf";
        {
            std::ofstream out(conf);
            out << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                   "busconfig.dtd\">\n<busconfig>\n  <type>"
                << (kind == Kind::Session ? "session" : "system") << "</type>\n  <listen>" << listen
                << "</listen>\n  <auth>EXTERNAL</auth>\n"
                << (kind == Kind::Session
                        ? "  <policy context=\"default\"><allow send_destination=\"*\" "
                          "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                          "</policy>\n"
                        : "  <policy context=\"default\"><allow user=\"*\"/><allow "
                          "send_destination=\"*\"/><allow own=\"*\"/><allow "
                          "receive_sender=\"*\"/></policy>\n")
                << "</busconfig>\n";
        }
        daemon_ = std::make_unique<ChildProcess>(
            "/bin/sh", std::vector<std::string>{"-c", "exec dbus-daemon --nofork --config-file=" +
                                                          conf + " --print-address=3 3>" + file});
        for (int i = 0; i < 200 && address_.empty(); ++i) {
            std::ifstream in(file);
            std::getline(in, address_);
            if (address_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    // Empty when the bus did not start (no dbus-daemon on this machine).
    const std::string& address() const { return address_; }
    // The environment entry that points a program at this bus as its session bus.
    std::string sessionEnv() const { return "DBUS_SESSION_BUS_ADDRESS=" + address_; }
    std::string systemEnv() const { return "DBUS_SYSTEM_BUS_ADDRESS=" + address_; }

  private:
    std::unique_ptr<ChildProcess> daemon_;
    std::string address_;
};

}  // namespace velmor::test
