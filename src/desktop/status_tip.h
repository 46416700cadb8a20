// The tip of the program's own tray icon: "Velmor", and while connected the entry, the time on
// line and the session's traffic.
#pragma once

#include <string>

#include "desktop/tray_icon.h"

namespace velmor {

// Four lines in at most kTipCharacters characters, with the session's time on line and its traffic
// as the statistics pages show them (durationText, trafficText): an entry name too long for them
// is cut short ("…"), the figures never are.
std::string connectedTip(const std::string& entry, const std::string& duration,
                         const std::string& traffic);

}  // namespace velmor
