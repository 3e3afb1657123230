#include "app/notch/FileRow.h"

#include "app/brand/Palette.h"
#include "app/insights/FileThumbnail.h"
#include "app/notch/NotchLabel.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

constexpr int thumbnailSide = 36;
constexpr int inset = 7; // the card around the picture
constexpr double cardRadius = 12;

} // namespace

FileRow::FileRow(ThumbnailCache& thumbnails, QWidget* parent)
    : QWidget(parent), thumbnail_(new FileThumbnail(thumbnails, thumbnailSide, this)),
      name_(new NotchLabel(12.5, QFont::DemiBold, Palette::notchText(), this)),
      detail_(new NotchLabel(11, QFont::Normal, Palette::notchDim(), this)),
      trailing_(new QHBoxLayout) {
    setFixedHeight(height);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    name_->setElideMode(Qt::ElideMiddle);
    detail_->setElideMode(Qt::ElideRight);
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addStretch(1);
    text->addWidget(name_);
    text->addWidget(detail_);
    text->addStretch(1);
    trailing_->setSpacing(10);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(inset, inset, 10, inset);
    row->setSpacing(10);
    row->addWidget(thumbnail_);
    row->addLayout(text, 1);
    row->addLayout(trailing_);
}

QString FileRow::name() const {
    return name_->text();
}

QString FileRow::detail() const {
    return detail_->text();
}

void FileRow::setFile(const std::filesystem::path& file, const QString& detail) {
    if (file != file_) {
        file_ = file;
        const QString name = QFile::decodeName(file.filename().c_str());
        name_->setLine(name);
        setAccessibleName(name);
        thumbnail_->setFile(file);
    }
    detail_->setLine(detail);
    setAccessibleDescription(detail);
}

void FileRow::showMenu(QPoint where) {
    QMenu* menu = makeMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu, &QMenu::aboutToHide, this, [this] { emit menuShown(false); });
    emit menuShown(true);
    menu->popup(where);
}

void FileRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cardRadius, cardRadius);
    painter.fillPath(card, Palette::notchCard());
    if (hasFocus()) {
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.85f), 1.5));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), cardRadius,
                                cardRadius);
    }
}

void FileRow::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint where = event->reason() == QContextMenuEvent::Mouse
                             ? event->globalPos()
                             : mapToGlobal(QPoint(inset, height));
    showMenu(where);
}

void FileRow::keyPressEvent(QKeyEvent* event) {
    // The menu key reaches contextMenuEvent; Shift+F10 is the other usual way.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        showMenu(mapToGlobal(QPoint(inset, height)));
        return;
    }
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        emit stepFocus(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void FileRow::focusInEvent(QFocusEvent* event) {
    update();
    emit focused();
    QWidget::focusInEvent(event);
}

void FileRow::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

} // namespace dustlyn
