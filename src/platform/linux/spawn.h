// Starting a program in a session of its own, without waiting for it and without leaving a zombie.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace velmor {

// Starts argv[0] (looked up on the search path when it has no folder) with argv in workDir (empty:
// the current folder). The child is collected by a background thread when it ends. Returns its
// process id, or -1 when it could not be started.
pid_t spawnDetached(const std::vector<std::string>& argv, const std::string& workDir = {});

}  // namespace velmor
