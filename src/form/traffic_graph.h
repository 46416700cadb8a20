// The live traffic graph: the receive and send rates of the last ten minutes, one sample per
// monitor tick, the peaks of the session and the top of the graph's axis.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velmor {

class TrafficGraph {
  public:
    static constexpr int kSamples = 600;  // ten minutes of one-second ticks

    // Bits per second.
    struct Sample {
        std::uint64_t in = 0;
        std::uint64_t out = 0;
        friend bool operator==(const Sample&, const Sample&) = default;
    };

    // A new session: no samples and no peaks; its byte totals start from zero.
    void clear();
    // One tick with the session's byte totals: the sample is what came since the last tick (a
    // tick is one second). A total below the last one (a counter started anew) counts from zero.
    void addTotals(std::uint64_t bytesIn, std::uint64_t bytesOut);

    // The samples held, at most kSamples; sample 0 is the oldest.
    int size() const { return size_; }
    Sample at(int i) const {
        return ring_[static_cast<std::size_t>((head_ + kSamples - size_ + i) % kSamples)];
    }
    // The last sample (zeros before the first) and the highest of the session, per direction.
    Sample current() const { return size_ ? at(size_ - 1) : Sample{}; }
    Sample peak() const { return peak_; }
    // The top of the axis in bits per second: the least of 1, 2 or 5 times a power of ten
    // kilobits per second that no sample held goes above; 1 kbit/s at the least.
    std::uint64_t scale() const;
    // Changes with every sample and every clear: a view redraws only when it differs.
    std::uint64_t generation() const { return generation_; }

  private:
    std::array<Sample, kSamples> ring_{};
    int head_ = 0;  // where the next sample goes
    int size_ = 0;
    std::uint64_t lastIn_ = 0;
    std::uint64_t lastOut_ = 0;
    Sample peak_;
    std::uint64_t generation_ = 0;
};

// The least of 1, 2 or 5 times a power of ten that is not below v nor below least (itself such a
// number): the top of an axis.
std::uint64_t axisTop(std::uint64_t v, std::uint64_t least);

// A rate in kilobits per second (1000 bits) with one decimal: "33,6".
std::string rateText(std::uint64_t bitsPerSecond, char decimalSeparator);

}  // namespace velmor
