#include "ui/qt_tray.h"

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
    poll_.setInterval(pollMs);
    connect(&poll_, &QTimer::timeout, this, &QtTrayService::checkAvailability);
    poll_.start();
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
    const bool now = QSystemTrayIcon::isSystemTrayAvailable();
    if (now == available_) return;
    available_ = now;
    if (now) {
        for (QtTrayIcon* icon : icons_)
            icon->reshow();
    }
    if (onAvailabilityChanged) onAvailabilityChanged(now);
}

}  // namespace velmor
