#pragma once

#include <QImage>
#include <QStringList>

namespace dustlyn {

// The picture of a file that has no preview: its type's icon from the desktop's icon
// theme, or a plain drawn page when the theme has none. Uses QIcon, so main thread only.
struct FileIcon {
    // The first of `iconNames` the theme has, `side` points square at `scale`.
    static QImage image(const QStringList& iconNames, int side, qreal scale);
    static QImage drawnPage(int side, qreal scale);
};

} // namespace dustlyn
