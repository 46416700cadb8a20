// The tip of the program's own tray icon: "Velmor", and while connected the entry, the time on
// line and the session's traffic.
#pragma once

#include <cstdint>
#include <string>

#include "form/statistics.h"

namespace velmor {

inline constexpr std::size_t kTipCharacters = 127;

// Four lines in at most kTipCharacters characters: an entry name too long for them is cut short
// ("…"), the figures never are.
std::string connectedTip(const std::string& entry, std::int64_t seconds, const TrafficPair& kb,
                         char decimalSeparator);

}  // namespace velmor
