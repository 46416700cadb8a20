#include "form/controls.h"

#include <algorithm>

namespace velmor {

void UpDown::setPosition(std::int64_t p) {
    position = static_cast<int>(std::clamp<std::int64_t>(p, min, max));
}

void SpinEdit::setValue(std::int64_t v) {
    value = maxValue != minValue ? std::clamp(v, minValue, maxValue) : v;
}

SpinEdit spinEdit(std::int64_t lo, std::int64_t hi, std::int64_t v) {
    SpinEdit s;
    s.minValue = lo;
    s.maxValue = hi;
    s.value = v;
    return s;
}

void TrackBar::setPosition(std::int64_t p) {
    position = static_cast<int>(std::clamp<std::int64_t>(p, min, max));
}

std::string ComboBox::text() const {
    if (itemIndex >= 0 && itemIndex < static_cast<int>(items.size())) return items[itemIndex];
    return {};
}

bool ComboBox::selectText(const std::string& t) {
    const auto it = std::find(items.begin(), items.end(), t);
    if (it == items.end()) return false;
    itemIndex = static_cast<int>(it - items.begin());
    return true;
}

}  // namespace velmor
