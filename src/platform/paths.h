// Where the program keeps its files.
#pragma once

#include <string>

namespace velmor {

// The folder of the running executable, with a trailing "/".
std::string executableDirectory();

// The data folder of an installed program (<prefix>/share/velmor/ for <prefix>/bin/), with a
// trailing "/"; empty when exeDir has none beside it (a build folder, a folder of its own).
std::string installedDataDirectory(const std::string& exeDir = executableDirectory());

// The program directory, with a trailing "/": $VELMOR_HOME when set; else the executable's folder
// when it is writable and not an installed program's; else $XDG_CONFIG_HOME/velmor (or
// ~/.config/velmor), created when missing.
std::string programDirectory(const std::string& exeDir = executableDirectory());

// The folder of the program's data beside its settings (the daily history), with a trailing "/":
// $VELMOR_HOME when set; else $XDG_DATA_HOME/velmor (or ~/.local/share/velmor). Not created here.
std::string dataDirectory();
// The daily history's file in it.
std::string historyFile();

}  // namespace velmor
