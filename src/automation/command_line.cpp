#include "automation/command_line.h"

#include <cstring>

namespace velmor {

SplitParameters splitParameters(const std::string& text) {
    SplitParameters out;
    std::string word;
    bool inWord = false;
    enum class Quote { None, Single, Double } quote = Quote::None;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        switch (quote) {
            case Quote::Single:
                if (ch == '\'') {
                    quote = Quote::None;
                } else {
                    word += ch;
                }
                continue;
            case Quote::Double:
                if (ch == '"') {
                    quote = Quote::None;
                } else if (ch == '\\' && i + 1 < text.size() &&
                           std::strchr("\"\\$`\n", text[i + 1]) != nullptr) {
                    if (text[i + 1] != '\n') word += text[i + 1];
                    ++i;
                } else {
                    word += ch;
                }
                continue;
            case Quote::None:
                break;
        }
        if (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r') {
            if (inWord) out.args.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else if (ch == '\'') {
            quote = Quote::Single;
            inWord = true;
        } else if (ch == '"') {
            quote = Quote::Double;
            inWord = true;
        } else if (ch == '\\' && i + 1 < text.size()) {
            if (text[i + 1] != '\n') {
                word += text[i + 1];
                inWord = true;
            }
            ++i;
        } else {
            word += ch;
            inWord = true;
        }
    }
    if (inWord) out.args.push_back(std::move(word));
    out.complete = quote == Quote::None;
    return out;
}

}  // namespace velmor
