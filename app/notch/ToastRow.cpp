#include "app/notch/ToastRow.h"

#include "app/brand/Logo.h"
#include "app/brand/Palette.h"
#include "app/insights/FileThumbnail.h"
#include "app/notch/NotchButton.h"
#include "app/notch/NotchController.h"
#include "app/notch/NotchLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

constexpr int pictureSide = 30;
constexpr double logoSize = 22;

} // namespace

ToastRow::ToastRow(const NotchContext& context, QWidget* parent)
    : QWidget(parent), context_(context),
      picture_(new FileThumbnail(context.thumbnails, pictureSide)),
      logo_(new Logo(logoSize, Palette::notchText(), Palette::signal())),
      title_(new NotchLabel(12.5, QFont::DemiBold, Palette::notchText())),
      subtitle_(new NotchLabel(11, QFont::Normal, Palette::notchDim())),
      undo_(new NotchButton(QStringLiteral("Undo"), false)) {
    setAttribute(Qt::WA_TranslucentBackground);
    title_->setElideMode(Qt::ElideRight);
    subtitle_->setElideMode(Qt::ElideRight);
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addStretch(1);
    text->addWidget(title_);
    text->addWidget(subtitle_);
    text->addStretch(1);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(18, 0, 18, 0);
    row->setSpacing(12);
    row->addWidget(picture_);
    row->addWidget(logo_);
    row->addLayout(text, 1);
    row->addWidget(undo_);
    connect(undo_, &QAbstractButton::clicked, this, [this] {
        const auto& toast = context_.vm.toast();
        if (!toast || !toast->summary())
            return;
        // A copy: undoing replaces this toast, and the summary with it.
        const SweepSummary summary = *toast->summary();
        context_.controller.undo(summary);
    });
    connect(&context.vm, &NotchViewModel::toastChanged, this, [this] { refresh(); });
}

void ToastRow::showEvent(QShowEvent* event) {
    if (stale_)
        refresh();
    QWidget::showEvent(event);
}

void ToastRow::refresh() {
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    const auto& toast = context_.vm.toast();
    if (!toast)
        return;
    title_->setLine(QString::fromStdString(toast->title()));
    subtitle_->setLine(QString::fromStdString(toast->subtitle()));
    const auto url = toast->url();
    const bool sweep = toast->summary() != nullptr;
    picture_->setVisible(url.has_value());
    if (url)
        picture_->setFile(*url);
    // A message without a file shows the logo; a sweep without a sample shows nothing.
    logo_->setVisible(!url && !sweep);
    undo_->setVisible(sweep);
}

} // namespace dustlyn
