#include "app/notch/DropZone.h"

#include "app/brand/Palette.h"
#include "app/notch/NotchFont.h"

#include <QDropEvent>
#include <QFile>
#include <QFontMetricsF>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace dustlyn {

namespace {

constexpr double radius = 16;
constexpr double symbolSide = 18; // a semibold 16-point symbol's box
constexpr double spacing = 5;
const NotchAnimation hoverSpring{NotchAnimation::Curve::spring, 0.25, 0.7};

// The notch only notes the dropped files; they stay where they are. A source told "moved"
// may remove its original, so the drop is taken as a copy (or a link) and a source that
// offers nothing but a move is refused.
bool acceptWithoutMove(QDropEvent& event) {
    for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event.possibleActions().testFlag(action)) {
            event.setDropAction(action);
            event.accept();
            return true;
        }
    }
    event.ignore();
    return false;
}

} // namespace

DropZone::DropZone(const QString& title, const QString& subtitle, NotchSymbol::Name symbol,
                   NotchViewModel::DropKind kind, Dropped dropped, QWidget* parent)
    : QWidget(parent), title_(title), subtitle_(subtitle), symbol_(symbol), kind_(kind),
      dropped_(std::move(dropped)), motion_(this) {
    setAcceptDrops(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(title);
    setAccessibleDescription(subtitle);
    motion_.add(1, 0.0005);
    connect(&motion_, &NotchMotion::frame, this, qOverload<>(&QWidget::update));
}

void DropZone::setTargeted(bool targeted) {
    if (targeted == targeted_)
        return;
    targeted_ = targeted;
    motion_.animateTo(0, targeted ? 1.02 : 1.0, hoverSpring);
    update();
}

std::vector<std::filesystem::path> DropZone::files(const QMimeData& data) {
    std::vector<std::filesystem::path> found;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            found.emplace_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return found;
}

void DropZone::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && acceptWithoutMove(*event))
        setTargeted(true);
}

void DropZone::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls())
        acceptWithoutMove(*event);
}

void DropZone::dragLeaveEvent(QDragLeaveEvent*) {
    setTargeted(false);
}

void DropZone::dropEvent(QDropEvent* event) {
    setTargeted(false);
    if (!acceptWithoutMove(*event))
        return;
    // Handled once the drop has been answered: the face changes under the drop.
    QTimer::singleShot(0, this, [this, urls = files(*event->mimeData())]() mutable {
        dropped_(std::move(urls), kind_);
    });
}

void DropZone::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    const double s = motion_.value(0);
    painter.translate(box.center());
    painter.scale(s, s);
    painter.translate(-box.center());
    const QRectF outline = box.adjusted(0.75, 0.75, -0.75, -0.75);
    QPainterPath shape;
    shape.addRoundedRect(outline, radius, radius);
    if (targeted_) {
        painter.fillPath(shape, QColor::fromRgbF(1, 1, 1, 0.1f));
        painter.setPen(QPen(Qt::white, 1.5));
    } else {
        QPen dashed(QColor::fromRgbF(1, 1, 1, 0.3f), 1.5);
        // Qt's dashes are in line widths: 5 on, 4 off in points.
        dashed.setDashPattern({5 / 1.5, 4 / 1.5});
        painter.setPen(dashed);
    }
    painter.drawPath(shape);
    paintText(painter, box);
}

void DropZone::paintText(QPainter& painter, const QRectF& box) const {
    const QFont titleFont = NotchFont::make(12.5, QFont::DemiBold);
    const QFont subtitleFont = NotchFont::make(11);
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF subtitleMetrics(subtitleFont);
    const double total =
        symbolSide + spacing + titleMetrics.height() + spacing + subtitleMetrics.height();
    double y = box.center().y() - total / 2;
    const QPixmap picture =
        NotchSymbol::pixmap(symbol_, symbolSide, devicePixelRatioF(), Palette::notchText());
    painter.drawPixmap(QPointF(box.center().x() - symbolSide / 2, y), picture);
    y += symbolSide + spacing;
    painter.setFont(titleFont);
    painter.setPen(Palette::notchText());
    painter.drawText(QRectF(box.left(), y, box.width(), titleMetrics.height()), Qt::AlignCenter,
                     title_);
    y += titleMetrics.height() + spacing;
    painter.setFont(subtitleFont);
    painter.setPen(Palette::notchDim());
    painter.drawText(QRectF(box.left(), y, box.width(), subtitleMetrics.height()), Qt::AlignCenter,
                     subtitle_);
}

} // namespace dustlyn
