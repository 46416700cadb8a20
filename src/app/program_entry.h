// The program entry: its command line and the checks before the main window exists.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "form/user_interface.h"
#include "platform/machine.h"

namespace velmor {

struct ProgramOptions {
    bool headless = false;
    bool dial = false;
    bool help = false;
    std::optional<std::string> entry;
    std::optional<std::string> passwordFile;
    // The first argument that is not an option: the drive (a folder on Linux) whose volume
    // serial number binds the stored program password.
    std::string firstArgument;
};

// Throws std::invalid_argument with a message for an unknown option or a missing value.
ProgramOptions parseProgramOptions(const std::vector<std::string>& args);
extern const char* const kProgramUsage;

inline constexpr const char* kDamagedSettingsMessage =
    "Файл настроек поврежден. Нажмите \"OK\" для его удаления или \"Ignore\" для выхода";

// The settings-file check: a file whose stored program password is missing, empty or not of a
// length divisible by 4 is damaged. The question's "OK" moves it aside to Velmor.ini.bak, or the
// first free name of Velmor.ini.1.bak, Velmor.ini.2.bak, ... (an earlier backup is never
// replaced), so that its phones, logins and statistics can still be recovered; an empty file is
// simply removed. The program then starts afresh. Any other answer ends the program without
// touching the file. False: end the program.
bool checkSettingsFile(const std::string& settingsPath, UserInterface& ui);

// The single-instance rule over a lock already tried: Run, AnotherRuns (the program ends at
// once, silently, with status 0) or Failed (the lock could not be tried at all; the reason has
// been shown and the program ends with status 1 rather than run beside another copy unseen).
enum class InstanceCheck { Run, AnotherRuns, Failed };
InstanceCheck checkSingleInstance(const InstanceLock& lock, UserInterface& ui);

}  // namespace velmor
