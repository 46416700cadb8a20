// The form's number edits: what an edit's text stands for when the edit is left.
#pragma once

#include <optional>
#include <string_view>

namespace velmor {

// Re-reads a number edit's text: a sign is kept only in the first position, digits and the
// decimal separator are kept, the thousands separator is skipped and anything else is dropped.
// An empty result is 0; empty when what is left is no number (two decimal separators, a sign
// alone), so that the edit keeps its value.
std::optional<double> numberEditValue(std::string_view text, char decimalSeparator,
                                      char thousandSeparator);

}  // namespace velmor
