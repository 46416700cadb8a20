// Text for the terminal: the program's UTF-8 in the character set of the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace velmor {

class TerminalText {
  public:
    // The character set of the locale in force (setlocale(LC_ALL, "") comes first).
    TerminalText();
    ~TerminalText();
    TerminalText(const TerminalText&) = delete;
    TerminalText& operator=(const TerminalText&) = delete;

    // A character the terminal's set cannot hold becomes its nearest form there, or "?".
    std::string operator()(std::string_view utf8);

  private:
    void* cd_ = nullptr;  // none where the terminal takes UTF-8
};

}  // namespace velmor
