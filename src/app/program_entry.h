// The program entry: its command line and the checks before the main window exists.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "form/user_interface.h"

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
// length divisible by 4 is damaged. The question's "OK" moves it aside to Velmor.ini.bak (so
// that its phones, logins and statistics can still be recovered) and the program starts afresh;
// any other answer ends the program without touching the file. False: end the program.
bool checkSettingsFile(const std::string& settingsPath, UserInterface& ui);

}  // namespace velmor
