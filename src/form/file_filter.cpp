#include "form/file_filter.h"

namespace velmor {
namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const auto at = text.find(sep, start);
        parts.push_back(
            text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::vector<FileFilterItem> parseFileFilter(const std::string& filter) {
    std::vector<FileFilterItem> items;
    if (filter.empty()) return items;
    const std::vector<std::string> parts = split(filter, '|');
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        FileFilterItem item;
        item.description = parts[i];
        if (i + 1 < parts.size()) {
            for (const std::string& p : split(parts[i + 1], ';')) {
                const std::string pattern = trimmed(p);
                if (!pattern.empty()) item.patterns.push_back(pattern);
            }
        }
        if (item.patterns.empty()) item.patterns.push_back("*");
        items.push_back(std::move(item));
    }
    return items;
}

std::string filterName(const std::string& description) {
    std::string name = trimmed(description);
    if (!name.empty() && name.back() == ')') {
        const auto open = name.rfind('(');
        if (open != std::string::npos) name = trimmed(name.substr(0, open));
    }
    return name;
}

}  // namespace velmor
