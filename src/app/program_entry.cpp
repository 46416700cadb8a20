#include "app/program_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "platform/codepage.h"
#include "platform/profile.h"

namespace velmor {

const char* const kProgramUsage =
    "usage: velmor [DRIVE]\n"
    "       velmor --headless [--entry NAME] [--dial] [--password-file FILE] [DRIVE]\n"
    "DRIVE: a folder whose filesystem serial number binds the stored program password\n";

ProgramOptions parseProgramOptions(const std::vector<std::string>& args) {
    ProgramOptions o;
    bool positional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw std::invalid_argument("missing value for " + a);
            return args[++i];
        };
        if (!positional && a == "--") {
            positional = true;
        } else if (!positional && a == "--headless") {
            o.headless = true;
        } else if (!positional && a == "--dial") {
            o.dial = true;
        } else if (!positional && (a == "--help" || a == "-h")) {
            o.help = true;
        } else if (!positional && a == "--entry") {
            o.entry = value();
        } else if (!positional && a == "--password-file") {
            o.passwordFile = value();
        } else if (!positional && a.size() > 1 && a[0] == '-') {
            throw std::invalid_argument("unknown option " + a);
        } else if (o.firstArgument.empty()) {
            o.firstArgument = a;
        } else {
            throw std::invalid_argument("unexpected argument " + a);
        }
    }
    return o;
}

namespace {

// Renames path to the first free backup name; backup is the name used or last tried.
bool moveAside(const std::string& path, std::string& backup) {
    for (int n = 0; n < 1000; ++n) {
        backup = n == 0 ? path + ".bak" : path + "." + std::to_string(n) + ".bak";
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE) == 0) {
            return true;
        }
        if (errno == EEXIST) continue;
        if (errno != EINVAL) return false;
        // A filesystem that cannot refuse to replace: look first.
        struct stat st {};
        if (::lstat(backup.c_str(), &st) == 0) continue;
        return std::rename(path.c_str(), backup.c_str()) == 0;
    }
    return false;
}

}  // namespace

InstanceCheck checkSingleInstance(const InstanceLock& lock, UserInterface& ui) {
    if (lock.acquired()) return InstanceCheck::Run;
    if (lock.error() == EWOULDBLOCK) return InstanceCheck::AnotherRuns;
    ui.messageBox(MessageKind::Error, MessageButtons::Ok,
                  "Не удалось открыть файл блокировки второго запуска " + lock.path() + ": " +
                      std::strerror(lock.error()) +
                      ". Программа не запущена, чтобы не работать рядом с другой своей копией.");
    return InstanceCheck::Failed;
}

bool checkSettingsFile(const std::string& settingsPath, UserInterface& ui) {
    struct stat st {};
    if (::stat(settingsPath.c_str(), &st) != 0) return true;
    std::string lockPass;
    {
        const Profile p(settingsPath);
        lockPass = p.readString(kMainSection, "LockPass", "");
    }
    // Counted in characters of the file, as the program password's deciphering counts them.
    if (!lockPass.empty() && utf8Length(lockPass) % 4 == 0) return true;
    if (ui.messageBox(MessageKind::Error, MessageButtons::OkIgnore, kDamagedSettingsMessage) !=
        MessageResult::Ok) {
        return false;
    }
    if (st.st_size == 0) {
        ::unlink(settingsPath.c_str());  // nothing in it to keep
        return true;
    }
    std::string backup;
    if (!moveAside(settingsPath, backup)) {
        // Without a backup the file is not deleted: the program starts with it as it is.
        ui.messageBox(MessageKind::Error, MessageButtons::Ok,
                      withFullStop("Unable to write to " + backup));
    }
    return true;
}

}  // namespace velmor
