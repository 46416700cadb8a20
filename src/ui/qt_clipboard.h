// The clipboard with Qt.
#pragma once

#include "platform/clipboard.h"

namespace velmor {

class QtClipboard : public Clipboard {
  public:
    bool setText(const std::string& text) override;
};

}  // namespace velmor
