// The machine's sleep: a lock that holds it back for a moment (a delay inhibitor), and word just
// before the machine sleeps and after it wakes.
#pragma once

#include <functional>

namespace velmor {

class PowerService {
  public:
    virtual ~PowerService() = default;

    // Takes the lock; false where there is none to take.
    virtual bool inhibit() = 0;
    // Lets the sleep go on.
    virtual void release() = 0;
    virtual bool inhibited() const = 0;

    // Called on the user-interface thread. Before the sleep, a lock held keeps the machine awake
    // until it is released (for a few seconds at most).
    std::function<void()> beforeSleep;
    std::function<void()> afterResume;
};

}  // namespace velmor
