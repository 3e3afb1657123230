#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

class QFontMetricsF;
class QPainter;

namespace dustlyn {

// A line of the notch's text in one of its colours. Digits can be drawn at equal widths so
// that counters do not jitter, and a long line can be shortened in the middle or at the
// end; screen readers always get the whole text. With word wrap on it is a plain label.
class NotchLabel : public QLabel {
    Q_OBJECT

public:
    NotchLabel(double size, QFont::Weight weight, const QColor& color, QWidget* parent = nullptr);

    // Replaces the text only when it differs, so an unchanged tick redraws nothing.
    void setLine(const QString& text);
    void setColor(const QColor& color);
    QColor color() const;
    void setMonospacedDigits(bool on);
    void setElideMode(Qt::TextElideMode mode);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The width of `text` with every digit as wide as the widest one.
    static qreal tabularWidth(const QString& text, const QFontMetricsF& metrics);
    // Draws `text` from `origin` (its baseline's start) with equal-width digits.
    static void drawTabular(QPainter& painter, QPointF origin, const QString& text,
                            const QFontMetricsF& metrics);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal lineWidth() const;

    bool monospacedDigits_ = false;
    Qt::TextElideMode elide_ = Qt::ElideNone;
};

} // namespace dustlyn
