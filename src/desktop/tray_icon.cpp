#include "desktop/tray_icon.h"

namespace velmor {
namespace {

constexpr std::size_t kBalloonTextLength = 255;
constexpr std::size_t kBalloonTitleLength = 63;
constexpr int kDefaultDoubleClickMs = 500;

}  // namespace

std::string firstCharacters(const std::string& text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size(); ++n) {
        if (n == count) return text.substr(0, i);
        ++i;
        // Continuation bytes belong to the character begun before them.
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
    }
    return text;
}

TTrayIcon::TTrayIcon(EventLoop& loop, TrayService* service)
    : clickTimer_(loop, kDefaultDoubleClickMs) {
    clickTimer_.onTimer = [this] {
        clickTimer_.setEnabled(false);
        if (OnClick) OnClick();
    };
    attach(service);
}

TTrayIcon::~TTrayIcon() {
    if (backend_) backend_->setVisible(false);
}

void TTrayIcon::attach(TrayService* service) {
    if (backend_) backend_->setVisible(false);
    backend_.reset();
    service_ = service;
    if (!service_) return;
    backend_ = service_->createIcon();
    if (!backend_) return;
    backend_->onMouse = [this](TrayMouse what) { mouse(what); };
    backend_->onMenuOpening = [this] {
        if (OnMenuPopup) OnMenuPopup();
    };
    push();
}

void TTrayIcon::push() {
    if (iconFile_.empty()) {
        backend_->setStoreIcon(icon_);
    } else {
        backend_->setFileIcon(iconFile_);
    }
    backend_->setTip(hint_);
    if (windowMenu_) {
        backend_->useWindowMenu();
    } else if (!menu_.empty()) {
        backend_->setMenu(menu_);
    }
    backend_->setVisible(visible_);
}

void TTrayIcon::setIconVisible(bool on) {
    if (on == visible_) return;
    visible_ = on;
    if (backend_) backend_->setVisible(on);
}

void TTrayIcon::setIcon(int storeIndex) {
    if (storeIndex == icon_ && iconFile_.empty()) return;
    icon_ = storeIndex;
    iconFile_.clear();
    if (backend_) backend_->setStoreIcon(icon_);
}

void TTrayIcon::setIconFile(const std::string& path) {
    iconFile_ = path;
    if (backend_) backend_->setFileIcon(path);
}

void TTrayIcon::setHint(const std::string& hint) {
    hint_ = firstCharacters(hint, kTipCharacters);
    if (backend_) backend_->setTip(hint_);
}

void TTrayIcon::ShowBalloon(const std::string& title, const std::string& text, BalloonKind kind,
                            int timeoutSeconds) {
    HideBalloon();
    if (backend_) {
        backend_->showBalloon(firstCharacters(title, kBalloonTitleLength),
                              firstCharacters(text, kBalloonTextLength), kind,
                              timeoutSeconds * 1000);
    }
}

void TTrayIcon::HideBalloon() {
    if (backend_) backend_->hideBalloon();
}

void TTrayIcon::useWindowMenu() {
    windowMenu_ = true;
    menu_.clear();
    if (backend_) backend_->useWindowMenu();
}

void TTrayIcon::setMenu(std::vector<TrayMenuItem> items) {
    windowMenu_ = false;
    menu_ = std::move(items);
    if (backend_) backend_->setMenu(menu_);
}

void TTrayIcon::setMenuCaption(std::size_t index, const std::string& caption) {
    if (index >= menu_.size()) return;
    menu_[index].caption = caption;
    if (backend_) backend_->setMenuCaption(index, caption);
}

void TTrayIcon::mouse(TrayMouse what) {
    switch (what) {
        case TrayMouse::LeftDown:
            // The click waits for the double-click time: a second press makes it a double click.
            if (!clickTimer_.enabled()) {
                clickTimer_.setInterval(service_ ? service_->doubleClickTime()
                                                 : kDefaultDoubleClickMs);
                clickTimer_.setEnabled(true);
            }
            break;
        case TrayMouse::DoubleClick:
            clickTimer_.setEnabled(false);
            if (OnDblClick) OnDblClick();
            break;
    }
}

}  // namespace velmor
