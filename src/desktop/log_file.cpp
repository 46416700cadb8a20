#include "desktop/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/codepage.h"

namespace velmor {
namespace {

// Names that are used as they are: a Linux absolute path, and the drive-letter and network forms
// that a name carried over from another system may have.
bool isAbsoluteName(const std::string& name) {
    if (!name.empty() && name[0] == '/') return true;
    if (name.size() >= 2 && name[1] == ':') return true;
    return name.rfind("\\\\", 0) == 0;
}

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A line cut short (the program killed in the middle of writing it, a full disk) is dropped, so
// that the next line does not run on from it. Only the last few kilobytes are looked at: a longer
// run without a line end is ended instead.
void dropCutLine(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size == 0) return;
    char buf[4096];
    const off_t from = st.st_size > static_cast<off_t>(sizeof buf)
                           ? st.st_size - static_cast<off_t>(sizeof buf)
                           : 0;
    const ssize_t n = ::pread(fd, buf, static_cast<std::size_t>(st.st_size - from), from);
    if (n <= 0 || buf[n - 1] == '\n') return;
    for (ssize_t i = n - 1; i >= 0; --i) {
        if (buf[i] == '\n') {
            static_cast<void>(::ftruncate(fd, from + i + 1));
            return;
        }
    }
    if (from == 0) {
        static_cast<void>(::ftruncate(fd, 0));
    } else {
        writeAll(fd, "\r\n");
    }
}

int openLog(const std::string& name, bool truncate) {
    const int mode = truncate ? O_TRUNC : O_APPEND;
    return ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | mode, 0644);
}

}  // namespace

TLogFile::TLogFile(const Clock& clock, std::string programDir, LocaleFormat format)
    : clock_(clock), programDir_(std::move(programDir)), format_(std::move(format)) {}

std::string TLogFile::resolvedName() {
    if (!isAbsoluteName(LogFileName) && !programDir_.empty()) {
        std::string dir = programDir_;
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        if (dir.back() != '/') dir += '/';
        LogFileName = dir + LogFileName;  // kept, so the name stays put if the directory changes
    }
    return LogFileName;
}

std::string TLogFile::buildLine(std::string_view text) const {
    std::string line;
    if (IncPrefix) line += Prefix;
    if (IncDateTime) {
        const LocalDateTime now = clock_.now();
        if (DateTimeFormatStr.empty() || DateTimeFormatStr == "c" || DateTimeFormatStr == "C") {
            line += format_.formatDateTime(now);
        } else {
            line += formatPattern(DateTimeFormatStr, now);
        }
    }
    if (IncSeparator) line += Separator;
    line += text;
    if (IncSuffix) line += Suffix;
    return line;
}

void TLogFile::Loaded() {
    if (!ClearonCreate) return;
    const int fd = openLog(resolvedName(), true);
    if (fd >= 0) ::close(fd);
}

void TLogFile::AddLine(std::string_view text, int blankBefore, int blankAfter) {
    const std::string line = buildLine(text);
    if (onLine) onLine(line);

    std::string bytes;
    for (int i = 0; i < blankBefore; ++i)
        bytes += "\r\n";
    bytes += utf8ToCp1251(line);
    bytes += "\r\n";
    for (int i = 0; i < blankAfter; ++i)
        bytes += "\r\n";

    // The file is open only for this one entry, written in a single piece.
    const int fd = openLog(resolvedName(), OverwriteExistingFile);
    if (fd < 0) return;  // no log is no reason to stop: the line is dropped
    if (!tailChecked_) dropCutLine(fd);
    tailChecked_ = true;
    struct stat st {};
    const bool sized = ::fstat(fd, &st) == 0;
    // A line that does not fit (a full disk) is taken back whole.
    if (!writeAll(fd, bytes) && sized) static_cast<void>(::ftruncate(fd, st.st_size));
    ::close(fd);
}

}  // namespace velmor
