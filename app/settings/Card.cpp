#include "app/settings/Card.h"

#include "app/settings/SettingsStyle.h"

#include <QPainter>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

constexpr int rowPaddingX = 14;
constexpr int rowPaddingY = 10;
constexpr qreal cornerRadius = 10;

} // namespace

CardRow::CardRow(QWidget* content, QWidget* parent) : QWidget(parent), content_(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(rowPaddingX, rowPaddingY, rowPaddingX, rowPaddingY);
    layout->addWidget(content);
}

void CardRow::setLast(bool last) {
    if (last == last_)
        return;
    last_ = last;
    update();
}

void CardRow::paintEvent(QPaintEvent*) {
    if (last_)
        return;
    QPainter painter(this);
    painter.setPen(QPen(SettingsStyle::separator(palette()), 1));
    painter.drawLine(rowPaddingX, height() - 1, width() - 2, height() - 1);
}

Card::Card(QWidget* parent) : QFrame(parent), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);
}

CardRow* Card::appendRow(QWidget* content) {
    auto* row = new CardRow(content, this);
    if (!rows_.empty())
        rows_.back()->setLast(false);
    rows_.push_back(row);
    layout_->addWidget(row);
    return row;
}

void Card::truncate(int count) {
    while (rowCount() > count) {
        CardRow* row = rows_.back();
        rows_.pop_back();
        layout_->removeWidget(row);
        // Later: the row may be what the user is clicking right now.
        row->hide();
        row->deleteLater();
    }
    if (!rows_.empty())
        rows_.back()->setLast(true);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(SettingsStyle::separator(palette()), 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                            cornerRadius);
}

} // namespace dustlyn
