#include "support/stand_in_pppd.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace velmor::test {
namespace {

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace

StandInPppd::StandInPppd(std::string dir) : dir_(std::move(dir)), program_(dir_ + "/pppd") {
    std::filesystem::create_directories(netRoot());
    std::filesystem::create_directories(lockDir());
    writeText(dir_ + "/peers-velmor", "# stand-in\n");
    writeText(dir_ + "/dev-ppp", "");
    // Each start keeps what it got under its number; the scenario runs after that.
    writeText(program_, R"(#!/bin/sh
dir=$(dirname "$0")
n=$(( $(cat "$dir/starts" 2>/dev/null || echo 0) + 1 ))
echo "$n" > "$dir/starts"
echo "$$" > "$dir/pid.$n"
printf '%s\n' "$@" > "$dir/args.$n"
cat <&3 > "$dir/password.$n"
exec 3<&-
cat /proc/self/fd/4 > "$dir/options.$n"
exec 4<&-
scenario="$dir/scenario.$n"
[ -f "$scenario" ] || scenario="$dir/scenario"
trap 'echo "Terminating on signal 15" >&2; echo 5 > "$dir/ended.$n"; exit 5' TERM
while IFS= read -r line; do
    command=${line%% *}
    rest=${line#"$command" }
    case "$command" in
        log) printf '%s\n' "$rest" >&2 ;;
        counters)
            set -- $rest
            mkdir -p "$dir/net/$1/statistics"
            echo "$2" > "$dir/net/$1/statistics/rx_bytes"
            echo "$3" > "$dir/net/$1/statistics/tx_bytes" ;;
        sleep) sleep "$rest" ;;
        wait) while :; do sleep 0.05; done ;;
        exit) echo "$rest" > "$dir/ended.$n"; exit "$rest" ;;
    esac
done < "$scenario"
echo 0 > "$dir/ended.$n"
)");
    ::chmod(program_.c_str(), 0755);
    scenario("exit 1");
}

void StandInPppd::scenario(const std::string& text, int n) const {
    writeText(dir_ + (n == 0 ? "/scenario" : "/scenario." + std::to_string(n)), text + "\n");
}

std::vector<std::string> StandInPppd::environment() const {
    return {"VELMOR_PPPD=" + program_, "VELMOR_PPP_PEERS=" + dir_ + "/peers-velmor",
            "VELMOR_PPP_DEVICE=" + dir_ + "/dev-ppp", "VELMOR_SYS_CLASS_NET=" + netRoot(),
            "VELMOR_LOCK_DIR=" + lockDir()};
}

void StandInPppd::setCounters(const std::string& iface, unsigned long long rx,
                              unsigned long long tx) const {
    const std::string d = netRoot() + "/" + iface + "/statistics";
    std::filesystem::create_directories(d);
    writeText(d + "/rx_bytes", std::to_string(rx) + "\n");
    writeText(d + "/tx_bytes", std::to_string(tx) + "\n");
}

std::string StandInPppd::read(const std::string& name) const {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int StandInPppd::starts() const {
    return std::atoi(read("starts").c_str());
}

std::string StandInPppd::password(int n) const {
    return read("password." + std::to_string(n));
}

std::string StandInPppd::options(int n) const {
    return read("options." + std::to_string(n));
}

std::vector<std::string> StandInPppd::arguments(int n) const {
    std::vector<std::string> out;
    std::istringstream in(read("args." + std::to_string(n)));
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

int StandInPppd::pid(int n) const {
    return std::atoi(read("pid." + std::to_string(n)).c_str());
}

bool StandInPppd::ended(int n) const {
    return std::filesystem::exists(dir_ + "/ended." + std::to_string(n));
}

std::string StandInPppd::connected(const std::string& iface, const std::string& auth) {
    return "log Using interface " + iface + "\nlog Connect: " + iface + " <--> /dev/pts/0\nlog " +
           auth + " authentication succeeded\nlog local  IP address 10.1.2.3\ncounters " + iface +
           " 5000 700\nlog remote IP address 10.1.2.1\nwait";
}

// The refusal comes a round trip after the link is up, as a server's does: the window has taken
// the states before it.
std::string StandInPppd::refused() {
    return "log Using interface ppp7\nlog Connect: ppp7 <--> /dev/pts/0\nsleep 0.6\nlog PAP "
           "authentication failed\nexit 19";
}

}  // namespace velmor::test
