// The filter of the form's file dialogs as the program writes it:
// "description|patterns|description|...".
#pragma once

#include <string>
#include <vector>

namespace velmor {

struct FileFilterItem {
    std::string description;            // "Звуковые файлы (*.wav)"
    std::vector<std::string> patterns;  // "*.wav"; several were separated by ";"
};

// The pairs of the filter in order; a description without its patterns gets "*".
std::vector<FileFilterItem> parseFileFilter(const std::string& filter);

// The description without a trailing pattern list in parentheses ("Звуковые файлы").
std::string filterName(const std::string& description);

}  // namespace velmor
