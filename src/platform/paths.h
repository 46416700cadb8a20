// Where the program keeps its files.
#pragma once

#include <string>

namespace velmor {

// The folder of the running executable, with a trailing "/".
std::string executableDirectory();

// The program directory, with a trailing "/": $VELMOR_HOME when set; else the executable's folder
// when it is writable; else $XDG_CONFIG_HOME/velmor (or ~/.config/velmor), created when missing.
std::string programDirectory();

}  // namespace velmor
