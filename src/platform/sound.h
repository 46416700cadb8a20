// Playing a sound file without blocking: a new sound stops the one still playing.
#pragma once

#include <string>

namespace velmor {

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    // Starts playing the file and returns at once. A sound still playing stops first. A file
    // that cannot be played (missing, not a sound, no sound device) is silently skipped.
    virtual void play(const std::string& path) = 0;
};

}  // namespace velmor
