#include "form/number_edit.h"

#include <string>

#include "form/number_text.h"

namespace velmor {

std::optional<double> numberEditValue(std::string_view text, char decimalSeparator,
                                      char thousandSeparator) {
    std::string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == thousandSeparator && c != decimalSeparator) continue;
        if ((c >= '0' && c <= '9') || c == decimalSeparator || ((c == '+' || c == '-') && i == 0))
            kept += c;
    }
    if (kept.empty()) return 0.0;
    // The reader takes "," and "." alike; only the locale's separator is left here.
    return parseReal(kept);
}

}  // namespace velmor
