#pragma once

#include "app/notch/NotchContext.h"
#include "app/notch/NotchMotion.h"

#include <QAbstractButton>
#include <QColor>

#include <cstddef>

namespace dustlyn {

// The resting face beside the camera housing or the top panel: the logo, or the time left
// in orange during a file's last ten minutes, and a badge with the number of files leaving.
// A click opens the panel (the controller sees the click on the drawn pill).
class PillContent : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr double slotWidth = 36;

    // What the pill shows at a moment.
    struct Face {
        std::size_t count = 0;
        QString countdown; // empty: the logo
        double opacity = 0;
        bool operator==(const Face&) const = default;
    };

    PillContent(const NotchContext& context, QWidget* parent = nullptr);

    const Face& face() const { return face_; }
    double opacity() const { return motion_.value(0); }
    QColor badgeFill() const;
    QColor badgeText() const;
    // Puts the fade at its end.
    void settle() { motion_.finish(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Face current() const;
    void refresh();
    void paintBadge(QPainter& painter) const;

    NotchContext context_;
    Face face_;
    NotchMotion motion_;
};

} // namespace dustlyn
