// Powering the computer off.
#pragma once

namespace velmor {

inline constexpr unsigned EWX_SHUTDOWN = 1;
inline constexpr unsigned EWX_FORCE = 4;

class ShutdownService {
  public:
    virtual ~ShutdownService() = default;
    // Asks the system to power off (EWX_SHUTDOWN), without waiting for other programs to agree
    // when EWX_FORCE is added. True when the request was made.
    virtual bool ExitWindowsWithPrivilege(unsigned flags) = 0;
};

}  // namespace velmor
