// Sound files played through ALSA on a worker thread of their own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sound.h"

namespace velmor {

class AlsaSoundPlayer : public SoundPlayer {
  public:
    // device: an ALSA device name; empty: $VELMOR_SOUND_DEVICE, or "default" without it.
    explicit AlsaSoundPlayer(std::string device = {});
    ~AlsaSoundPlayer() override;
    AlsaSoundPlayer(const AlsaSoundPlayer&) = delete;
    AlsaSoundPlayer& operator=(const AlsaSoundPlayer&) = delete;

    void play(const std::string& path) override;

    const std::string& device() const { return device_; }

    // What the player has done so far.
    struct Stats {
        int started = 0;      // sounds that began to play
        int finished = 0;     // played to their end
        int interrupted = 0;  // stopped by a newer sound
        int failed = 0;       // not playable
        std::string playing;  // the file playing now, or empty
    };
    Stats stats() const;

  private:
    void run();
    void playFile(const std::string& path, std::uint64_t generation);
    bool superseded(std::uint64_t generation) const;  // with mutex_ held

    std::string device_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread worker_;
    std::uint64_t generation_ = 0;
    std::uint64_t taken_ = 0;
    std::string pending_;
    bool quit_ = false;
    Stats stats_;
};

}  // namespace velmor
