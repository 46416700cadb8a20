#include "desktop/program_icons.h"

namespace velmor {

TrayProgramIcons::TrayProgramIcons(EventLoop& loop, TrayService* tray) : loop_(loop), tray_(tray) {}

TrayProgramIcons::~TrayProgramIcons() = default;

int TrayProgramIcons::add(const std::string& programFile, const std::string& tip,
                          Handlers handlers) {
    if (!tray_) return 0;
    auto icon = std::make_unique<TTrayIcon>(loop_, tray_);
    TTrayIcon* raw = icon.get();
    raw->setIconFile(programFile);
    raw->setHint(tip);
    raw->OnClick = handlers.click;
    raw->setMenu({{"Показать", true, handlers.showHide}, {"Выйти", true, handlers.exit}});
    // The first item says what it will do, asked when the menu opens.
    raw->OnMenuPopup = [raw, menuPopup = handlers.menuPopup] {
        if (menuPopup) raw->setMenuCaption(0, menuPopup());
    };
    raw->setIconVisible(true);
    const int id = nextId_++;
    icons_.emplace(id, std::move(icon));
    return id;
}

void TrayProgramIcons::remove(int id) {
    const auto it = icons_.find(id);
    if (it == icons_.end()) return;
    // The icon may be removed from its own menu's handler: it leaves the notification area now
    // and is destroyed once that handler has returned.
    it->second->setIconVisible(false);
    removed_.push_back(std::move(it->second));
    icons_.erase(it);
    loop_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (alive.lock()) removed_.clear();
    });
}

bool TrayProgramIcons::visible(int id) const {
    const auto it = icons_.find(id);
    return it != icons_.end() && it->second->IconVisible();
}

}  // namespace velmor
