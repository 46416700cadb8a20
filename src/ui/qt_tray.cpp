#include "ui/qt_tray.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QtGui/qguiapplication_platform.h>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
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
        if (service_.iconsNow()) make();
    }
    ~QtTrayIcon() override {
        if (icon_) icon_->hide();
        service_.icons_.erase(this);
    }

    void setVisible(bool on) override {
        visible_ = on;
        if (icon_) icon_->setVisible(on);
    }
    void setStoreIcon(int index) override { setPicture(trayIcon(index)); }
    void setFileIcon(const std::string& path) override {
        const QString file = qs(path);
        QIcon icon;
        if (!QImageReader::imageFormat(file).isEmpty()) icon = QIcon(file);
        if (icon.isNull()) icon = QIcon::fromTheme(QFileInfo(file).completeBaseName());
        if (icon.isNull()) icon = QFileIconProvider().icon(QFileInfo(file));
        if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
        if (icon.isNull()) icon = applicationIcon();
        setPicture(icon);
    }
    void setTip(const std::string& tip) override {
        tip_ = qs(tip);
        if (icon_) icon_->setToolTip(tip_);
    }
    void showBalloon(const std::string& title, const std::string& text, BalloonKind kind,
                     int timeoutMs) override {
        if (!icon_) return;
        QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
        if (kind == BalloonKind::Information) icon = QSystemTrayIcon::Information;
        if (kind == BalloonKind::Warning) icon = QSystemTrayIcon::Warning;
        if (kind == BalloonKind::Error) icon = QSystemTrayIcon::Critical;
        icon_->showMessage(qs(title), qs(text), icon, timeoutMs);
    }
    // An empty balloon takes the one that is up away.
    void hideBalloon() override {
        if (icon_) icon_->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon);
    }
    void useWindowMenu() override {
        actions_.clear();
        ownMenu_.reset();
        windowMenu_ = true;
        if (icon_) icon_->setContextMenu(service_.windowMenu());
    }
    void setMenu(std::vector<TrayMenuItem> items) override {
        ownMenu_ = std::make_unique<QMenu>();
        windowMenu_ = false;
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
        if (icon_) icon_->setContextMenu(ownMenu_.get());
    }

    void setMenuCaption(std::size_t index, const std::string& caption) override {
        if (index < actions_.size() && !actions_[index]->isSeparator())
            actions_[index]->setText(qs(caption));
    }

    // A new notification area: the icon goes into it.
    void reshow() {
        if (!icon_) return make();
        if (!icon_->isVisible()) return;
        icon_->hide();
        icon_->show();
    }
    void menuGone() {
        windowMenu_ = false;
        if (!ownMenu_ && icon_) icon_->setContextMenu(nullptr);
    }

  private:
    // Qt's icon, with what was set so far.
    void make() {
        icon_ = std::make_unique<QSystemTrayIcon>();
        QObject::connect(icon_.get(), &QSystemTrayIcon::activated, icon_.get(),
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (!onMouse) return;
                             if (reason == QSystemTrayIcon::Trigger) onMouse(TrayMouse::LeftDown);
                             if (reason == QSystemTrayIcon::DoubleClick)
                                 onMouse(TrayMouse::DoubleClick);
                         });
        if (!picture_.isNull()) icon_->setIcon(picture_);
        icon_->setToolTip(tip_);
        if (ownMenu_) icon_->setContextMenu(ownMenu_.get());
        if (windowMenu_) icon_->setContextMenu(service_.windowMenu());
        if (visible_) icon_->show();
    }
    void setPicture(const QIcon& picture) {
        picture_ = picture;
        if (icon_) icon_->setIcon(picture_);
    }

    QtTrayService& service_;
    std::unique_ptr<QSystemTrayIcon> icon_;  // made once the desktop can show it
    bool visible_ = false;
    QIcon picture_;
    QString tip_;
    bool windowMenu_ = false;
    std::unique_ptr<QMenu> ownMenu_;
    std::vector<QAction*> actions_;  // of ownMenu_, one per item
};

namespace {
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
}  // namespace

QtTrayService::QtTrayService(int pollMs, QDBusConnection bus) : bus_(std::move(bus)) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        watchHosts();
        return;
    }
    available_ = QSystemTrayIcon::isSystemTrayAvailable();
    if (watchSelection()) return;
    poll_.setInterval(pollMs);
    connect(&poll_, &QTimer::timeout, this, &QtTrayService::checkAvailability);
    poll_.start();
}

// The watcher's name on the bus comes and goes with it; a host registers with the watcher, which
// tells of it. Nothing is asked again while nothing changes.
void QtTrayService::watchHosts() {
    watchingHosts_ = true;
    if (!bus_.isConnected()) return;
    auto* watcher = new QDBusServiceWatcher(
        kWatcher, bus_,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &QtTrayService::checkHost);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { setAvailable(false); });
    for (const char* change : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus_.connect(kWatcher, kWatcherPath, kWatcher, QLatin1String(change), this,
                     SLOT(checkHost()));
    available_ = hostNow();
}

bool QtTrayService::hostNow() {
    if (!bus_.isConnected() || !bus_.interface()->isServiceRegistered(kWatcher)) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus_.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

void QtTrayService::checkHost() {
    setAvailable(hostNow());
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
    setAvailable(watchingHosts_ ? hostNow() : QSystemTrayIcon::isSystemTrayAvailable());
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
