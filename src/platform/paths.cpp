#include "platform/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace velmor {
namespace {

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace

std::string executableDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return withSlash(std::filesystem::current_path(ec).string());
    return withSlash(exe.parent_path().string());
}

std::string programDirectory() {
    if (const char* home = std::getenv("VELMOR_HOME"); home && *home) return withSlash(home);
    const std::string exeDir = executableDirectory();
    if (::access(exeDir.c_str(), W_OK) == 0) return exeDir;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        base = std::string(h) + "/.config";
    } else {
        return exeDir;
    }
    const std::string dir = withSlash(base) + "velmor";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return withSlash(dir);
}

}  // namespace velmor
