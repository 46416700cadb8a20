#include "desktop/status_tip.h"

#include "desktop/tray_icon.h"
#include "form/form_model.h"
#include "platform/codepage.h"

namespace velmor {

std::string connectedTip(const std::string& entry, const std::string& duration,
                         const std::string& traffic) {
    const std::string figures =
        "\nНа линии: " + duration + "\nПолучено/отправлено: " + traffic + " Мб";
    std::string head = std::string(kProgramTitle) + "\n";
    const std::size_t used = utf8Length(head) + utf8Length(figures);
    const std::size_t room = used < kTipCharacters ? kTipCharacters - used : 0;
    if (utf8Length(entry) <= room) return head + entry + figures;
    return head + (room > 0 ? firstCharacters(entry, room - 1) + "…" : std::string()) + figures;
}

}  // namespace velmor
