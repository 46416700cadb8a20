#include "form/traffic_graph.h"

#include <algorithm>

#include "form/number_text.h"

namespace velmor {

void TrafficGraph::clear() {
    head_ = size_ = 0;
    lastIn_ = lastOut_ = 0;
    peak_ = {};
    ++generation_;
}

void TrafficGraph::addTotals(std::uint64_t bytesIn, std::uint64_t bytesOut) {
    const auto since = [](std::uint64_t now, std::uint64_t last) {
        return (now >= last ? now - last : now) * 8;
    };
    const Sample s{since(bytesIn, lastIn_), since(bytesOut, lastOut_)};
    lastIn_ = bytesIn;
    lastOut_ = bytesOut;
    ring_[static_cast<std::size_t>(head_)] = s;
    head_ = (head_ + 1) % kSamples;
    size_ = std::min(size_ + 1, kSamples);
    peak_.in = std::max(peak_.in, s.in);
    peak_.out = std::max(peak_.out, s.out);
    ++generation_;
}

std::uint64_t TrafficGraph::scale() const {
    std::uint64_t top = 0;
    for (int i = 0; i < size_; ++i) {
        const Sample s = at(i);
        top = std::max({top, s.in, s.out});
    }
    return axisTop(top, 1000);
}

std::uint64_t axisTop(std::uint64_t v, std::uint64_t least) {
    for (std::uint64_t decade = least; decade <= UINT64_MAX / 50; decade *= 10) {
        for (std::uint64_t step : {1, 2, 5}) {
            if (v <= step * decade) return step * decade;
        }
    }
    return v;
}

std::string rateText(std::uint64_t bitsPerSecond, char decimalSeparator) {
    return formatFixed(static_cast<double>(bitsPerSecond) / 1000.0, 1, decimalSeparator);
}

}  // namespace velmor
