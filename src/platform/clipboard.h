// The desktop's clipboard, for plain text.
#pragma once

#include <string>

namespace velmor {

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's content with the text; false when the clipboard cannot be had.
    virtual bool setText(const std::string& text) = 0;
};

}  // namespace velmor
