// The values the dial cycle, the acceptance checks and the connection monitor share.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/ras.h"

namespace velmor {

struct Session {
    // The handle of the last dial; 0 just before each dial and once the connection is accepted.
    ras::Handle dialHandle = 0;
    // The connection being monitored (or one that already existed when the dial started).
    ras::Handle activeConnection = 0;
    // The user aborted, hung up, or switched the phone or login.
    bool hangUpRequested = false;
    // The connection passed (or is passing) the acceptance checks.
    bool accepted = false;
    // The state carried by the last state event acted on; none before the first event of a dial.
    std::optional<std::uint16_t> lastHandledState;
    // Dial attempts since the program started or the user reset the counter.
    int attemptCount = 0;
    // The index of the login the current attempt or connection uses (-1: none).
    int loginInUse = -1;
    // True when this connection was started through the dial action, false when automatic redial
    // re-established it.
    bool launchMode = true;
    // The program is closing: a check still waiting ends without a word.
    bool closing = false;

    // The minimum-download window: seconds since it began, minus the kilobytes received when it
    // began, and the kilobytes received in it.
    std::int64_t windowTicks = 0;
    std::int64_t windowStart = 0;
    std::int64_t windowKb = 0;
};

}  // namespace velmor
