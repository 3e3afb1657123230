#pragma once

#include "app/notch/NotchControl.h"

#include <QColor>

#include <optional>

namespace dustlyn {

// A capsule with a short title: primary (black on white), tinted (the tint on a wash of
// itself), or plain (white on a faint fill). Screen readers read its title.
class NotchButton : public NotchControl {
    Q_OBJECT

public:
    static constexpr int height = 26;

    NotchButton(const QString& title, bool primary, std::optional<QColor> tint = std::nullopt,
                QWidget* parent = nullptr);

    bool primary() const { return primary_; }
    const std::optional<QColor>& tint() const { return tint_; }
    // The capsule's fill and the title's colour as drawn now (they follow the hover).
    QColor fill() const;
    QColor textColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool primary_;
    std::optional<QColor> tint_;
};

} // namespace dustlyn
