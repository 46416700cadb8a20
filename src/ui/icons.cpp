#include "ui/icons.h"

#include <QFile>
#include <QHash>
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

QIcon resourceIcon(const QString& name) {
    static QHash<QString, QIcon> cache;
    const auto it = cache.constFind(name);
    if (it != cache.constEnd()) return *it;
    QIcon icon;
    for (int size : {16, 20, 24, 32, 48, 64})
        icon.addPixmap(resourcePixmap(name, size));
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
