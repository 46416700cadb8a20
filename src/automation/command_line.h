// The parameters of a launched program, split into arguments the way a shell splits them.
#pragma once

#include <string>
#include <vector>

namespace velmor {

struct SplitParameters {
    std::vector<std::string> args;
    bool complete = true;  // false: a quote was left open (the rest became the last argument)
};

// Blanks separate arguments; '...' keeps everything literally; "..." keeps everything but a
// backslash before " \ $ ` or a line end; outside quotes a backslash keeps the next character.
// Quoted and unquoted parts next to each other make one argument; "" is an empty argument.
// Nothing is expanded: no variables, no wildcards, no home folder.
SplitParameters splitParameters(const std::string& text);

}  // namespace velmor
