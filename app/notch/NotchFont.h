#pragma once

#include <QFont>

namespace dustlyn {

// The notch's text: the desktop's own font at a size given in the same units as every
// other length of the notch (device-independent pixels), so that text and boxes scale
// together.
struct NotchFont {
    static QFont make(double size, QFont::Weight weight = QFont::Normal);
};

} // namespace dustlyn
