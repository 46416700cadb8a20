#include "ui/qt_tray.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QtGui/qguiapplication_platform.h>
#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QStyleHints>
#include <QSystemTrayIcon>

#include "ui/binder.h"
#include "ui/icons.h"

namespace velmor {

class QtTrayIcon : public TrayIconBackend {
  public:
    explicit QtTrayIcon(QtTrayService& service) : service_(service) {
        service_.icons_.insert(this);
        QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (!onMouse) return;
                             if (reason == QSystemTrayIcon::Trigger) onMouse(TrayMouse::LeftDown);
                             if (reason == QSystemTrayIcon::DoubleClick)
                                 onMouse(TrayMouse::DoubleClick);
                         });
    }
    ~QtTrayIcon() override {
        icon_.hide();
        service_.icons_.erase(this);
    }

    void setVisible(bool on) override { icon_.setVisible(on); }
    void setStoreIcon(int index) override { icon_.setIcon(trayIcon(index)); }
    void setFileIcon(const std::string& path) override {
        const QString file = qs(path);
        QIcon icon;
        if (!QImageReader::imageFormat(file).isEmpty()) icon = QIcon(file);
        if (icon.isNull()) icon = QIcon::fromTheme(QFileInfo(file).completeBaseName());
        if (icon.isNull()) icon = QFileIconProvider().icon(QFileInfo(file));
        if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
        if (icon.isNull()) icon = applicationIcon();
        icon_.setIcon(icon);
    }
    void setTip(const std::string& tip) override { icon_.setToolTip(qs(tip)); }
    void showBalloon(const std::string& title, const std::string& text, BalloonKind kind,
                     int timeoutMs) override {
        QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
        if (kind == BalloonKind::Information) icon = QSystemTrayIcon::Information;
        if (kind == BalloonKind::Warning) icon = QSystemTrayIcon::Warning;
        if (kind == BalloonKind::Error) icon = QSystemTrayIcon::Critical;
        icon_.showMessage(qs(title), qs(text), icon, timeoutMs);
    }
    // An empty balloon takes the one that is up away.
    void hideBalloon() override {
        icon_.showMessage(QString(), QString(), QSystemTrayIcon::NoIcon);
    }
    void useWindowMenu() override {
        actions_.clear();
        ownMenu_.reset();
        icon_.setContextMenu(service_.windowMenu());
    }
    void setMenu(std::vector<TrayMenuItem> items) override {
        ownMenu_ = std::make_unique<QMenu>();
        actions_.clear();
        for (TrayMenuItem& item : items) {
            if (item.caption.empty()) {
                actions_.push_back(ownMenu_->addSeparator());
                continue;
            }
            QAction* a = ownMenu_->addAction(qs(item.caption));
            actions_.push_back(a);
            a->setEnabled(item.enabled);
            QObject::connect(a, &QAction::triggered, a, [onClick = std::move(item.onClick)] {
                if (onClick) onClick();
            });
        }
        QObject::connect(ownMenu_.get(), &QMenu::aboutToShow, ownMenu_.get(), [this] {
            if (onMenuOpening) onMenuOpening();
        });
        icon_.setContextMenu(ownMenu_.get());
    }

    void setMenuCaption(std::size_t index, const std::string& caption) override {
        if (index < actions_.size() && !actions_[index]->isSeparator())
            actions_[index]->setText(qs(caption));
    }

    // A new notification area: the icon goes into it.
    void reshow() {
        if (!icon_.isVisible()) return;
        icon_.hide();
        icon_.show();
    }
    void menuGone() {
        if (!ownMenu_) icon_.setContextMenu(nullptr);
    }

  private:
    QtTrayService& service_;
    QSystemTrayIcon icon_;
    std::unique_ptr<QMenu> ownMenu_;
    std::vector<QAction*> actions_;  // of ownMenu_, one per item
};

QtTrayService::QtTrayService(int pollMs) : available_(QSystemTrayIcon::isSystemTrayAvailable()) {
    if (watchSelection()) return;
    poll_.setInterval(pollMs);
    connect(&poll_, &QTimer::timeout, this, &QtTrayService::checkAvailability);
    poll_.start();
}

// A notification area owns the selection _NET_SYSTEM_TRAY_S<screen>: XFixes tells of every new
// owner and of an owner that goes away.
bool QtTrayService::watchSelection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return false;
    const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) return false;
    xcb_discard_reply(
        c,
        xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION).sequence);
    char* host = nullptr;
    int display = 0, screen = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen)) std::free(host);
    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.constData()),
        nullptr);
    if (!atom) return false;
    selectionAtom_ = atom->atom;
    std::free(atom);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) return false;
    xcb_xfixes_select_selection_input(c, it.data->root, selectionAtom_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(c);
    selectionEvent_ = static_cast<std::uint8_t>(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
    qApp->installNativeEventFilter(this);
    return true;
}

bool QtTrayService::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* e = static_cast<const xcb_generic_event_t*>(message);
    if ((e->response_type & 0x7f) != selectionEvent_) return false;
    const auto* n = static_cast<const xcb_xfixes_selection_notify_event_t*>(message);
    if (n->selection != selectionAtom_) return false;
    // After the events that came with it, which Qt's own tray code reads too.
    const bool owned = n->owner != XCB_NONE;
    QTimer::singleShot(0, this, [this, owned] { setAvailable(owned); });
    return false;
}

QtTrayService::~QtTrayService() = default;

void QtTrayService::setWindowMenu(QMenu* menu) {
    windowMenu_ = menu;
    if (menu) {
        connect(menu, &QObject::destroyed, this, [this] {
            for (QtTrayIcon* icon : icons_)
                icon->menuGone();
        });
    }
}

bool QtTrayService::available() const {
    return available_;
}

int QtTrayService::doubleClickTime() const {
    return QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

std::unique_ptr<TrayIconBackend> QtTrayService::createIcon() {
    return std::make_unique<QtTrayIcon>(*this);
}

void QtTrayService::checkAvailability() {
    setAvailable(QSystemTrayIcon::isSystemTrayAvailable());
}

void QtTrayService::setAvailable(bool now) {
    if (now == available_) return;
    available_ = now;
    if (now) {
        for (QtTrayIcon* icon : icons_)
            icon->reshow();
    }
    if (onAvailabilityChanged) onAvailabilityChanged(now);
}

}  // namespace velmor
