#include "ui/icons.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

// The pictures are compiled into the static front-end library, whose resource registration the
// linker would otherwise drop.
static void registerPictures() {
    Q_INIT_RESOURCE(velmor);
}

namespace velmor {
namespace {

QString resourcePath(const QString& name) {
    static const bool registered = (registerPictures(), true);
    (void)registered;
    return QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
}

QString trayName(int index) {
    if (index < 0 || index >= kTrayIconCount) index = 0;
    return QStringLiteral("tray") + QString::number(index);
}

}  // namespace

QPixmap resourcePixmap(const QString& name, int size, qreal devicePixelRatio) {
    const int pixels = qMax(1, qRound(size * devicePixelRatio));
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resourcePath(name));
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

namespace {

// An icon of the usual small sizes, each drawn from its SVG the first time it is shown: a QIcon
// holding all of them would draw them all at once, most never shown. Every request is answered by
// the one size that the full set would use for it, so what is shown is the same.
class ResourceIconEngine : public QIconEngine {
  public:
    explicit ResourceIconEngine(QString name) : name_(std::move(name)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const QPaintDevice* device = painter->device();
        const qreal ratio = device ? device->devicePixelRatioF() : qApp->devicePixelRatio();
        drawn(rect.size() * ratio).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return drawn(size).actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return drawn(size).pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        return drawn(size).pixmap(size / scale, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        QList<QSize> sizes;
        if (mode != QIcon::Normal || state != QIcon::Off) return sizes;
        for (int size : kSizes)
            sizes.push_back(QSize(size, size));
        return sizes;
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("velmor-resource"); }
    QIconEngine* clone() const override { return new ResourceIconEngine(*this); }

  private:
    static constexpr int kSizes[] = {16, 20, 24, 32, 48, 64};

    // The icon of the one size that fits a request: the smallest that is not smaller in area,
    // else the largest.
    const QIcon& drawn(const QSize& request) {
        const qint64 area = qint64(request.width()) * request.height();
        std::size_t pick = std::size(kSizes) - 1;
        for (std::size_t i = 0; i < std::size(kSizes); ++i) {
            if (qint64(kSizes[i]) * kSizes[i] >= area) {
                pick = i;
                break;
            }
        }
        QIcon& icon = drawn_[pick];
        if (icon.isNull()) icon.addPixmap(resourcePixmap(name_, kSizes[pick]));
        return icon;
    }

    QString name_;
    QIcon drawn_[std::size(kSizes)];
};

}  // namespace

QIcon resourceIcon(const QString& name) {
    static QHash<QString, QIcon> cache;
    const auto it = cache.constFind(name);
    if (it != cache.constEnd()) return *it;
    QIcon icon(new ResourceIconEngine(name));
    cache.insert(name, icon);
    return icon;
}

QIcon lockGlyph(const std::string& glyph) {
    return resourceIcon(glyph == "UNLOCK" ? QStringLiteral("unlock") : QStringLiteral("lock"));
}

QIcon markIcon(ItemMark mark) {
    switch (mark) {
        case ItemMark::InUse:
            return resourceIcon(QStringLiteral("mark_inuse"));
        case ItemMark::Excluded:
            return resourceIcon(QStringLiteral("mark_excluded"));
        case ItemMark::Normal:
            break;
    }
    return resourceIcon(QStringLiteral("mark_normal"));
}

QIcon trayIcon(int index) {
    return resourceIcon(trayName(index));
}

QPixmap trayPixmap(int index, int size, qreal devicePixelRatio) {
    return resourcePixmap(trayName(index), size, devicePixelRatio);
}

QIcon applicationIcon() {
    return resourceIcon(QStringLiteral("velmor"));
}

}  // namespace velmor
