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

std::string installedDataDirectory(const std::string& exeDir) {
    std::error_code ec;
    // The relative way from <prefix>/bin to <prefix>/share/velmor, set by the build.
    const auto dir = (std::filesystem::path(exeDir) / VELMOR_DATA_FROM_BINDIR).lexically_normal();
    if (!std::filesystem::is_directory(dir, ec)) return {};
    return withSlash(dir.string());
}

std::string programDirectory(const std::string& exeDir) {
    if (const char* home = std::getenv("VELMOR_HOME"); home && *home) return withSlash(home);
    // An installed program writes nothing beside itself, even where it could (run by root).
    if (installedDataDirectory(exeDir).empty() && ::access(exeDir.c_str(), W_OK) == 0)
        return withSlash(exeDir);
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        base = std::string(h) + "/.config";
    } else {
        return withSlash(exeDir);
    }
    const std::string dir = withSlash(base) + "velmor";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return withSlash(dir);
}

std::string dataDirectory() {
    if (const char* home = std::getenv("VELMOR_HOME"); home && *home) return withSlash(home);
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return withSlash(xdg) + "velmor/";
    const char* h = std::getenv("HOME");
    return withSlash(h && *h ? h : "/tmp") + ".local/share/velmor/";
}

std::string historyFile() {
    return dataDirectory() + "history.sqlite";
}

}  // namespace velmor
