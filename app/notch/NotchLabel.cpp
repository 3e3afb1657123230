#include "app/notch/NotchLabel.h"

#include "app/notch/NotchFont.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace dustlyn {

namespace {

qreal widestDigit(const QFontMetricsF& metrics) {
    qreal widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
    return widest;
}

// Splits `text` into runs of digits and of everything else, in order.
template <typename Visit> void forEachRun(const QString& text, Visit visit) {
    qsizetype start = 0;
    while (start < text.size()) {
        const bool digits = text[start].isDigit();
        qsizetype end = start;
        while (end < text.size() && text[end].isDigit() == digits)
            ++end;
        visit(text.mid(start, end - start), digits);
        start = end;
    }
}

} // namespace

NotchLabel::NotchLabel(double size, QFont::Weight weight, const QColor& color, QWidget* parent)
    : QLabel(parent) {
    setFont(NotchFont::make(size, weight));
    setColor(color);
    setTextFormat(Qt::PlainText);
    // Inside a scroll area the default would be the Text role, which the colour must cover.
    setForegroundRole(QPalette::WindowText);
    setAttribute(Qt::WA_TranslucentBackground);
}

void NotchLabel::setLine(const QString& text) {
    if (text == this->text())
        return;
    setText(text);
    updateGeometry();
}

void NotchLabel::setColor(const QColor& color) {
    if (color == this->color())
        return;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    setPalette(palette);
    update();
}

QColor NotchLabel::color() const {
    return palette().color(QPalette::WindowText);
}

void NotchLabel::setMonospacedDigits(bool on) {
    monospacedDigits_ = on;
    updateGeometry();
    update();
}

void NotchLabel::setElideMode(Qt::TextElideMode mode) {
    elide_ = mode;
    updateGeometry();
    update();
}

qreal NotchLabel::tabularWidth(const QString& text, const QFontMetricsF& metrics) {
    const qreal digit = widestDigit(metrics);
    qreal width = 0;
    forEachRun(text, [&](const QString& run, bool digits) {
        width += digits ? digit * static_cast<qreal>(run.size()) : metrics.horizontalAdvance(run);
    });
    return width;
}

void NotchLabel::drawTabular(QPainter& painter, QPointF origin, const QString& text,
                             const QFontMetricsF& metrics) {
    const qreal digit = widestDigit(metrics);
    qreal x = origin.x();
    forEachRun(text, [&](const QString& run, bool digits) {
        if (!digits) {
            painter.drawText(QPointF(x, origin.y()), run);
            x += metrics.horizontalAdvance(run);
            return;
        }
        for (const QChar c : run) {
            // Each digit centred in a cell as wide as the widest one.
            const qreal advance = metrics.horizontalAdvance(c);
            painter.drawText(QPointF(x + (digit - advance) / 2, origin.y()), QString(c));
            x += digit;
        }
    });
}

qreal NotchLabel::lineWidth() const {
    const QFontMetricsF metrics(font());
    return monospacedDigits_ ? tabularWidth(text(), metrics) : metrics.horizontalAdvance(text());
}

QSize NotchLabel::sizeHint() const {
    if (wordWrap())
        return QLabel::sizeHint();
    const QFontMetricsF metrics(font());
    return {static_cast<int>(std::ceil(lineWidth())),
            static_cast<int>(std::ceil(metrics.height()))};
}

QSize NotchLabel::minimumSizeHint() const {
    if (wordWrap())
        return QLabel::minimumSizeHint();
    const QSize full = sizeHint();
    // A shortened line may be squeezed down to its ellipsis.
    return elide_ == Qt::ElideNone ? full : QSize(0, full.height());
}

void NotchLabel::paintEvent(QPaintEvent* event) {
    if (wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(color());
    const QFontMetricsF metrics(font());
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    QString shown = text();
    if (elide_ != Qt::ElideNone && !monospacedDigits_)
        shown = metrics.elidedText(shown, elide_, width());
    const qreal textWidth =
        monospacedDigits_ ? tabularWidth(shown, metrics) : metrics.horizontalAdvance(shown);
    qreal x = 0;
    if (alignment() & Qt::AlignRight)
        x = width() - textWidth;
    else if (alignment() & Qt::AlignHCenter)
        x = (width() - textWidth) / 2;
    if (monospacedDigits_)
        drawTabular(painter, QPointF(x, baseline), shown, metrics);
    else
        painter.drawText(QPointF(x, baseline), shown);
}

} // namespace dustlyn
