// The order in which the system lists names: letter case ignored, Cyrillic in alphabet order.
#pragma once

#include <string_view>

namespace velmor {

// Negative, zero or positive as a sorts before, equal to or after b. Blanks and punctuation come
// first, then digits, Latin letters and Cyrillic letters (Ё after Е); letter case decides only
// between names that are otherwise equal (lower case first). Names are compared in their
// Windows-1251 form, as the system's "A" functions compare them.
int compareNames(std::string_view a, std::string_view b);

inline bool nameLess(std::string_view a, std::string_view b) {
    return compareNames(a, b) < 0;
}

}  // namespace velmor
