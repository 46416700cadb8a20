#include "platform/linux/alsa_sound.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/wav.h"

namespace velmor {
namespace {

// How far the samples handed to the device may run ahead of the time they are heard: devices
// that take samples faster than they play them (the null device) still take them in real time,
// so that a newer sound always finds the older one playing.
constexpr std::chrono::milliseconds kLead(150);
constexpr unsigned kLatencyUs = 100000;

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

struct Pcm {
    snd_pcm_t* handle = nullptr;
    ~Pcm() {
        if (handle) snd_pcm_close(handle);
    }
};

}  // namespace

AlsaSoundPlayer::AlsaSoundPlayer(std::string device) : device_(std::move(device)) {
    if (device_.empty()) {
        const char* env = std::getenv("VELMOR_SOUND_DEVICE");
        device_ = env && *env ? env : "default";
    }
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(quietAlsa); });
}

AlsaSoundPlayer::~AlsaSoundPlayer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        ++generation_;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void AlsaSoundPlayer::play(const std::string& path) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = path;
        ++generation_;
        // The thread starts with the first sound: a program that plays none has none.
        if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
}

AlsaSoundPlayer::Stats AlsaSoundPlayer::stats() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stats_;
}

bool AlsaSoundPlayer::superseded(std::uint64_t generation) const {
    return quit_ || generation_ != generation;
}

void AlsaSoundPlayer::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || generation_ != taken_; });
        if (quit_) return;
        taken_ = generation_;
        const std::string path = pending_;
        const std::uint64_t generation = taken_;
        lock.unlock();
        playFile(path, generation);
        lock.lock();
    }
}

void AlsaSoundPlayer::playFile(const std::string& path, std::uint64_t generation) {
    auto fail = [this] {
        std::lock_guard<std::mutex> lock(mutex_);
        ++stats_.failed;
    };
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail();
    const std::optional<WavFormat> format = readWavHeader(in);
    if (!format) return fail();

    Pcm pcm;
    if (snd_pcm_open(&pcm.handle, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0 ||
        snd_pcm_nonblock(pcm.handle, 0) < 0) {
        return fail();
    }
    const snd_pcm_format_t sampleFormat =
        format->bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(pcm.handle, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(format->channels),
                           static_cast<unsigned>(format->sampleRate), 1, kLatencyUs) < 0) {
        return fail();
    }

    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (superseded(generation)) return;
        ++stats_.started;
        stats_.playing = path;
    }
    const int frameBytes = format->frameBytes();
    const std::uint64_t totalFrames = format->dataBytes / static_cast<std::uint64_t>(frameBytes);
    const std::uint64_t chunkFrames =
        std::max<std::uint64_t>(64, static_cast<std::uint64_t>(format->sampleRate) / 50);
    std::vector<char> buffer(chunkFrames * static_cast<std::uint64_t>(frameBytes));
    const auto start = std::chrono::steady_clock::now();
    auto heardAt = [&](std::uint64_t frames) {
        return start + std::chrono::microseconds(frames * 1000000 /
                                                 static_cast<std::uint64_t>(format->sampleRate));
    };

    bool stopped = false;
    bool broken = false;
    std::uint64_t written = 0;
    while (written < totalFrames && !stopped && !broken) {
        const std::uint64_t frames = std::min(chunkFrames, totalFrames - written);
        in.read(buffer.data(), static_cast<std::streamsize>(frames * frameBytes));
        const auto got = static_cast<std::uint64_t>(in.gcount()) / frameBytes;
        if (got == 0) break;  // the file ended early
        std::uint64_t done = 0;
        while (done < got) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm.handle, buffer.data() + done * frameBytes,
                                                 static_cast<snd_pcm_uframes_t>(got - done));
            if (n < 0) n = snd_pcm_recover(pcm.handle, static_cast<int>(n), 1);
            if (n < 0) {
                broken = true;
                break;
            }
            done += static_cast<std::uint64_t>(n);
        }
        written += done;
        std::unique_lock<std::mutex> lock(mutex_);
        stopped = wake_.wait_until(lock, heardAt(written) - kLead,
                                   [&] { return superseded(generation); });
    }
    if (!stopped && !broken) {
        // The last samples are still being heard.
        std::unique_lock<std::mutex> lock(mutex_);
        stopped = wake_.wait_until(lock, heardAt(written), [&] { return superseded(generation); });
    }
    if (stopped || broken) {
        snd_pcm_drop(pcm.handle);
    } else {
        snd_pcm_drain(pcm.handle);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    stats_.playing.clear();
    if (stopped) {
        ++stats_.interrupted;
    } else if (broken) {
        ++stats_.failed;
    } else {
        ++stats_.finished;
    }
}

}  // namespace velmor
