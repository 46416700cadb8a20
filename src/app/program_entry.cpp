#include "app/program_entry.h"

#include <sys/stat.h>

#include <cstdio>

#include "app/settings.h"
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

bool checkSettingsFile(const std::string& settingsPath, UserInterface& ui) {
    struct stat st {};
    if (::stat(settingsPath.c_str(), &st) != 0) return true;
    std::string lockPass;
    {
        const Profile p(settingsPath);
        lockPass = p.readString(kMainSection, "LockPass", "");
    }
    if (!lockPass.empty() && lockPass.size() % 4 == 0) return true;
    if (ui.messageBox(MessageKind::Error, MessageButtons::OkIgnore, kDamagedSettingsMessage) !=
        MessageResult::Ok) {
        return false;
    }
    const std::string backup = settingsPath + ".bak";
    if (std::rename(settingsPath.c_str(), backup.c_str()) != 0) {
        // Without a backup the file is not deleted: the program starts with it as it is.
        ui.messageBox(MessageKind::Error, MessageButtons::Ok,
                      withFullStop("Unable to write to " + backup));
    }
    return true;
}

}  // namespace velmor
