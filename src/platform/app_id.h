#pragma once
// The program's one application id: the desktop entry's and the AppStream file's name, Qt's
// desktop file name, the session bus name and the desktop portals' registration.

namespace velmor {

inline constexpr const char* kAppId = "invalid.velmor.velmor";

}  // namespace velmor
