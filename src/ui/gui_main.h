// The window front end: the program with its Qt main window.
#pragma once

#include "app/program_entry.h"

namespace velmor {

// Runs the program with its window; returns the exit status.
int runWindow(const ProgramOptions& options, int argc, char** argv);

}  // namespace velmor
