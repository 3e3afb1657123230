#include "app/notch/PillContent.h"

#include "app/brand/Logo.h"
#include "app/brand/Palette.h"
#include "app/insights/FileInsights.h"
#include "app/notch/LeavingSnapshot.h"
#include "app/notch/NotchController.h"
#include "app/notch/NotchDerived.h"
#include "app/notch/NotchFont.h"
#include "app/notch/NotchLabel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace dustlyn {

namespace {

constexpr double logoSize = 16;
constexpr double textSize = 11;
constexpr double badgePadding = 6;
constexpr double badgeMinWidth = 20;
constexpr double badgeMinHeight = 18;

} // namespace

PillContent::PillContent(const NotchContext& context, QWidget* parent)
    : QAbstractButton(parent), context_(context), motion_(this) {
    setFocusPolicy(Qt::NoFocus);
    setFont(NotchFont::make(textSize, QFont::DemiBold));
    setAttribute(Qt::WA_TranslucentBackground);
    motion_.add(0, 0.002);
    connect(&motion_, &NotchMotion::frame, this, qOverload<>(&QWidget::update));
    const auto refreshNow = [this] { refresh(); };
    connect(&context.leaving, &LeavingSnapshot::changed, this, refreshNow);
    connect(&context.vm, &NotchViewModel::nowChanged, this, refreshNow);
    connect(&context.vm, &NotchViewModel::hiddenChanged, this, refreshNow);
    connect(&context.vm, &NotchViewModel::pillEnabledChanged, this, refreshNow);
    connect(&context.model, &AppModel::configChanged, this, refreshNow);
    // The drawn pill is a button for screen readers too; a pointer click already opened
    // the panel through the controller, so this acts only when the notch still rests.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (context_.vm.mode() == NotchViewModel::Mode::pill)
            context_.controller.open(false);
    });
    refresh();
    motion_.finish();
}

PillContent::Face PillContent::current() const {
    Face face;
    const auto& files = context_.leaving.files();
    face.count = files.size();
    face.opacity =
        NotchDerived::pillOpacity(face.count, context_.vm.hidden(), context_.vm.pillEnabled());
    const double remaining = NotchDerived::nextDeadlineRemaining(files, context_.vm.now());
    if (NotchDerived::countdownActive(context_.model.config().notch.pillCountdown, remaining))
        face.countdown = QString::fromStdString(FileInsights::countdown(remaining));
    return face;
}

void PillContent::refresh() {
    const Face face = current();
    if (face == face_)
        return;
    const bool faded = face.opacity != face_.opacity;
    face_ = face;
    QString name = QStringLiteral("%1 leaving soon").arg(face.count);
    if (!face.countdown.isEmpty())
        name += QStringLiteral(", the next in ") + face.countdown;
    setAccessibleName(name);
    if (faded)
        motion_.animateTo(0, face.opacity, context_.vm.animation());
    update();
}

QColor PillContent::badgeFill() const {
    return face_.countdown.isEmpty() ? Palette::notchControl() : Palette::signal();
}

QColor PillContent::badgeText() const {
    return face_.countdown.isEmpty() ? Palette::notchText() : QColor(Qt::black);
}

void PillContent::paintBadge(QPainter& painter) const {
    const QFontMetricsF metrics(font());
    const QString digits = QString::number(face_.count);
    const double textWidth = NotchLabel::tabularWidth(digits, metrics);
    const double w = std::max(textWidth + 2 * badgePadding, badgeMinWidth);
    const double h = std::max(metrics.height(), badgeMinHeight);
    QRectF badge(0, 0, w, h);
    badge.moveCenter(QPointF(width() - slotWidth / 2, height() / 2.0));
    QPainterPath capsule;
    capsule.addRoundedRect(badge, h / 2, h / 2);
    painter.fillPath(capsule, badgeFill());
    painter.setPen(badgeText());
    const double baseline = badge.center().y() - metrics.height() / 2 + metrics.ascent();
    NotchLabel::drawTabular(painter, QPointF(badge.center().x() - textWidth / 2, baseline), digits,
                            metrics);
}

void PillContent::paintEvent(QPaintEvent*) {
    const double opacity = motion_.value(0);
    if (opacity <= 0 || face_.count == 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity);
    painter.setFont(font());
    const QRectF left(0, 0, slotWidth, height());
    if (face_.countdown.isEmpty()) {
        QRectF logo(0, 0, logoSize, logoSize);
        logo.moveCenter(left.center());
        Logo::paint(painter, logo, Palette::notchText(), Palette::signal());
    } else {
        const QFontMetricsF metrics(font());
        const double textWidth = NotchLabel::tabularWidth(face_.countdown, metrics);
        const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
        painter.setPen(Palette::signal());
        NotchLabel::drawTabular(painter, QPointF(left.center().x() - textWidth / 2, baseline),
                                face_.countdown, metrics);
    }
    paintBadge(painter);
}

} // namespace dustlyn
