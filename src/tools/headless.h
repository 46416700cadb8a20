// The headless front end: the same core and start-up without a window.
#pragma once

#include "app/program_entry.h"

namespace velmor {

// Runs the program without a display; returns the exit status.
int runHeadless(const ProgramOptions& options, int argc, char** argv);

}  // namespace velmor
