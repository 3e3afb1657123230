#include "app/settings/HistoryRow.h"

#include "app/settings/SettingsStyle.h"
#include "app/settings/SymbolIcon.h"

#include <QGridLayout>
#include <QPainter>
#include <QPushButton>

namespace dustlyn {

namespace {

constexpr int timeColumn = 100;

} // namespace

Symbol HistoryRow::symbolOf(HistoryEntry::Kind kind) {
    switch (kind) {
    case HistoryEntry::Kind::quarantined:
        return Symbol::trayArrowDown;
    case HistoryEntry::Kind::deleted:
        return Symbol::trash;
    case HistoryEntry::Kind::restored:
        return Symbol::uturnBackward;
    }
    return Symbol::trayArrowDown;
}

namespace {

QString kindName(HistoryEntry::Kind kind) {
    switch (kind) {
    case HistoryEntry::Kind::quarantined:
        return QStringLiteral("Moved to quarantine");
    case HistoryEntry::Kind::deleted:
        return QStringLiteral("Deleted");
    case HistoryEntry::Kind::restored:
        return QStringLiteral("Restored");
    }
    return {};
}

} // namespace

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), mode_(mode) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString& text) {
    if (text == this->text())
        return;
    setText(text);
    setToolTip(text);
}

QSize ElidedLabel::minimumSizeHint() const {
    return {fontMetrics().horizontalAdvance(QStringLiteral("…")) * 4,
            QLabel::minimumSizeHint().height()};
}

// The label keeps its whole text (screen readers read all of it); only the drawing is
// shortened, so a resize never changes the text and never asks for another layout.
void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), mode_, area.width()));
}

HistoryRow::HistoryRow(std::function<QString(const HistoryEntry&)> restore, QWidget* parent)
    : QWidget(parent), onRestore_(std::move(restore)), icon_(new QLabel(this)),
      title_(new ElidedLabel(Qt::ElideMiddle, this)),
      caption_(new ElidedLabel(Qt::ElideRight, this)), time_(SettingsStyle::note({}, this, 11.5)),
      size_(SettingsStyle::note({}, this, 11.5)),
      restore_(SettingsStyle::button(QStringLiteral("Restore"), this)) {
    icon_->setFixedSize(iconSide, iconSide);
    title_->setFont(SettingsStyle::font(13));
    caption_->setFont(SettingsStyle::font(11.5));
    QPalette dim = caption_->palette();
    dim.setColor(QPalette::WindowText, SettingsStyle::secondaryText(dim));
    caption_->setPalette(dim);
    // Rows line up whether or not they can be restored.
    QSizePolicy keepPlace = restore_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    restore_->setSizePolicy(keepPlace);
    time_->setWordWrap(false);
    size_->setWordWrap(false);
    time_->setFixedWidth(timeColumn);
    time_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    size_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    size_->setMinimumWidth(60);
    connect(restore_, &QPushButton::clicked, this, [this] {
        const QString error = onRestore_(shown_.entry);
        if (error.isEmpty())
            return;
        // The row keeps its button; say why it is still there.
        caption_->setFullText(QStringLiteral("Couldn't restore: ") + error);
        restore_->setAccessibleDescription(caption_->text());
    });

    // The caption runs under the time and size columns too: beside them it had room for
    // little more than "Moved to quarantine from ~/Deskt…" and lost the rule's name.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(1);
    grid->addWidget(icon_, 0, 0, 2, 1, Qt::AlignVCenter);
    grid->addWidget(title_, 0, 1);
    grid->addWidget(time_, 0, 2);
    grid->addWidget(size_, 0, 3);
    grid->addWidget(caption_, 1, 1, 1, 3);
    grid->addWidget(restore_, 0, 4, 2, 1, Qt::AlignVCenter);
    grid->setColumnStretch(1, 1);
}

void HistoryRow::setShown(const Shown& shown, const QPixmap& icon) {
    if (drawn_ && shown == shown_)
        return;
    const bool kindChanged = !drawn_ || shown.entry.kind != shown_.entry.kind;
    drawn_ = true;
    shown_ = shown;
    if (kindChanged) {
        icon_->setPixmap(icon);
        icon_->setAccessibleName(kindName(shown.entry.kind));
    }
    title_->setFullText(QString::fromStdString(shown.entry.fileName()));
    caption_->setFullText(shown.caption);
    time_->setText(shown.time);
    size_->setText(SettingsStyle::sizeText(shown.entry.size));
    restore_->setVisible(shown.restorable);
    restore_->setAccessibleDescription(QStringLiteral("Restores ") +
                                       QString::fromStdString(shown.entry.fileName()));
}

} // namespace dustlyn
