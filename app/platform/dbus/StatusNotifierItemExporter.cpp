#include "app/platform/dbus/StatusNotifierItemExporter.h"

#include <QImage>
#include <QMetaObject>
#include <QPixmap>
#include <QtEndian>

#include <map>
#include <set>

namespace dustlyn {

StatusNotifierItemExporter::StatusNotifierItemExporter(QDBusObjectPath menuPath, QObject* parent)
    : QObject(parent), menuPath_(std::move(menuPath)) {}

namespace {

// Pixels as the protocol carries them: ARGB32 in network byte order.
SniIcon entryOf(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    SniIcon entry{image.width(), image.height(), {}};
    entry.pixels.resize(qsizetype(image.width()) * image.height() * 4);
    auto* out = reinterpret_cast<quint32*>(entry.pixels.data());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            *out++ = qToBigEndian<quint32>(line[x]);
    }
    return entry;
}

} // namespace

SniIconList StatusNotifierItemExporter::pixmapsOf(const QIcon& icon) {
    // Panels are 16 to 64 pixels high; a host picks the nearest size and scales. An icon
    // never grows past its largest picture at one pixel per point, so its pictures for
    // twice the pixels are asked for too, and each pixel size is offered once.
    std::set<int> sizes{16, 22, 24, 32, 48, 64};
    for (const QSize& size : icon.availableSizes())
        sizes.insert(size.height());
    std::map<int, SniIcon> bySize;
    for (const qreal ratio : {1.0, 2.0}) {
        for (const int size : sizes) {
            const int points = static_cast<int>(size / ratio);
            const QImage image = icon.pixmap(QSize(points, points), ratio).toImage();
            if (!image.isNull() && !bySize.contains(image.width()))
                bySize.emplace(image.width(), entryOf(image));
        }
    }
    SniIconList icons;
    for (const auto& [size, entry] : bySize)
        icons.append(entry);
    return icons;
}

void StatusNotifierItemExporter::setIcon(const QIcon& icon) {
    pixmaps_ = pixmapsOf(icon);
    Q_EMIT NewIcon();
}

void StatusNotifierItemExporter::setToolTip(const QString& toolTip) {
    if (toolTip == toolTip_)
        return;
    toolTip_ = toolTip;
    Q_EMIT NewToolTip();
}

void StatusNotifierItemExporter::Activate(int, int) {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (onActivate)
                onActivate();
        },
        Qt::QueuedConnection);
}

// A middle click has no meaning here.
void StatusNotifierItemExporter::SecondaryActivate(int, int) {}

// Hosts that cannot show a dbusmenu themselves ask the item to show its menu at a point.
void StatusNotifierItemExporter::ContextMenu(int x, int y) {
    QMetaObject::invokeMethod(
        this,
        [this, x, y] {
            if (onContextMenu)
                onContextMenu(QPoint(x, y));
        },
        Qt::QueuedConnection);
}

// Scrolling over the item has no meaning here.
void StatusNotifierItemExporter::Scroll(int, const QString&) {}

// The token lets a window opened by Activate take the focus on Wayland; under X11 the
// window system's own user time does that.
void StatusNotifierItemExporter::ProvideXdgActivationToken(const QString&) {}

} // namespace dustlyn
