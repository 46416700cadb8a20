// velmorctl log: the event log in the terminal's character set, and what is added to it while
// --follow waits.
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "desktop/log_file.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/terminal_text.h"
#include "tools/velmorctl.h"

namespace velmor::ctl {
namespace {

// Prints the whole lines of the log from offset on and moves offset past them; a line still being
// written waits for its end. A file that became shorter than offset was started anew: it is
// printed from its beginning. False when the file cannot be read (a missing file is empty).
bool printLines(const std::string& path, off_t& offset, TerminalText& terminal) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size < offset) offset = 0;
    std::string bytes;
    char buf[65536];
    ssize_t n;
    while ((n = ::pread(fd, buf, sizeof buf, offset + static_cast<off_t>(bytes.size()))) > 0)
        bytes.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    if (n < 0) return false;
    const std::size_t whole = bytes.rfind('\n');
    if (whole == std::string::npos) return true;
    bytes.resize(whole + 1);
    offset += static_cast<off_t>(bytes.size());
    // The file's Windows-1251 with CR LF; the terminal's set with LF.
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    const std::string out = terminal(cp1251ToUtf8(text));
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return true;
}

}  // namespace

int runLog(const Args& args) {
    bool follow = false;
    for (const std::string& a : args) {
        if (a == "--follow" || a == "-f") {
            follow = true;
        } else {
            std::fprintf(stderr, "usage: velmorctl log [--follow]\n");
            return kBadInput;
        }
    }
    const std::string dir = programDirectory();
    const std::string name = kEventLogName;
    const std::string path = dir + name;
    TerminalText terminal;
    off_t offset = 0;
    // While following, the folder tells of every change of the file: nothing is looked at in
    // between.
    const int watch = follow ? ::inotify_init1(IN_CLOEXEC) : -1;
    if (follow && (watch < 0 ||
                   ::inotify_add_watch(watch, dir.c_str(),
                                       IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_MOVED_TO) < 0)) {
        std::fprintf(stderr, "velmorctl: cannot watch %s: %s\n", dir.c_str(), std::strerror(errno));
        return 1;
    }
    if (!printLines(path, offset, terminal)) {
        std::fprintf(stderr, "velmorctl: %s cannot be read: %s\n", path.c_str(),
                     std::strerror(errno));
        return 1;
    }
    if (!follow) return 0;
    alignas(inotify_event) char events[4096];
    for (;;) {
        const ssize_t n = ::read(watch, events, sizeof events);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 1;
        bool ours = false;
        for (char* at = events; at < events + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(at);
            if (e->len > 0 && name == e->name) ours = true;
            at += sizeof(inotify_event) + e->len;
        }
        if (ours && !printLines(path, offset, terminal)) return 1;
    }
}

}  // namespace velmor::ctl
