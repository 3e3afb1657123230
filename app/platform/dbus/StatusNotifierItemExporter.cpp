#include "app/platform/dbus/StatusNotifierItemExporter.h"

#include <QImage>
#include <QMetaObject>
#include <QPixmap>
#include <QtEndian>

#include <set>

namespace dustlyn {

StatusNotifierItemExporter::StatusNotifierItemExporter(QDBusObjectPath menuPath, QObject* parent)
    : QObject(parent), menuPath_(std::move(menuPath)) {}

SniIconList StatusNotifierItemExporter::pixmapsOf(const QIcon& icon) {
    // Panels are 16 to 64 pixels high; a host picks the nearest size and scales.
    std::set<int> sizes{16, 22, 24, 32, 48, 64};
    for (const QSize& size : icon.availableSizes())
        sizes.insert(size.height());
    SniIconList icons;
    for (const int size : sizes) {
        const QImage image =
            icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        SniIcon entry{image.width(), image.height(), {}};
        entry.pixels.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(entry.pixels.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian<quint32>(line[x]);
        }
        icons.append(entry);
    }
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
