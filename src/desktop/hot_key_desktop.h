// The hot keys as a desktop that has the last word on them shows them: what each combination is
// for, and the keys the desktop gave it, shown beside its binding.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "desktop/hot_keys.h"
#include "form/form_model.h"
#include "platform/hotkeys.h"

namespace velmor {

// The first switched-on binding holding the combination, in the order dial, minimize, lock: the
// name of its key field ("HotDial") and the caption of its check box. Nothing for a combination
// that no switched-on binding holds.
HotKeyService::Purpose hotKeyPurpose(const HotKeysPage& page, std::uint32_t value);

// Beside each switched-on binding whose combination is registered, the keys the desktop gave it
// (triggers: by registration id); the other bindings show nothing.
void showDesktopTriggers(HotKeysPage& page, const THotKeys& keys,
                         const std::map<int, std::string>& triggers);

}  // namespace velmor
