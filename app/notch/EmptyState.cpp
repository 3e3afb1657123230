#include "app/notch/EmptyState.h"

#include "app/brand/Logo.h"
#include "app/brand/Palette.h"
#include "app/notch/NotchLabel.h"

#include <QVBoxLayout>

namespace dustlyn {

EmptyState::EmptyState(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent), title_(new NotchLabel(13, QFont::DemiBold, Palette::notchText(), this)),
      subtitle_(new NotchLabel(11.5, QFont::Normal, Palette::notchDim(), this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* logo = new Logo(26, Palette::notchDim(), Palette::signal(), this);
    title_->setLine(title);
    title_->setAlignment(Qt::AlignHCenter);
    subtitle_->setWordWrap(true);
    subtitle_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    subtitle_->setText(subtitle);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addStretch(1);
    column->addWidget(logo, 0, Qt::AlignHCenter);
    column->addSpacing(2);
    column->addWidget(title_, 0, Qt::AlignHCenter);
    // The whole width, so that the layout can ask the wrapped text for its height.
    column->addWidget(subtitle_);
    column->addStretch(1);
}

QString EmptyState::title() const {
    return title_->text();
}

QString EmptyState::subtitle() const {
    return subtitle_->text();
}

void EmptyState::setSubtitle(const QString& subtitle) {
    if (subtitle != subtitle_->text())
        subtitle_->setText(subtitle);
}

} // namespace dustlyn
