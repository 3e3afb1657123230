#include "app/notch/NotchList.h"

#include "app/notch/EmptyState.h"
#include "app/notch/FileRow.h"

#include <QScrollBar>

#include <algorithm>

namespace dustlyn {

namespace {

constexpr int pitch = FileRow::height + NotchList::gap;
constexpr int initialRows = 7; // five in sight and the two half in sight while scrolling

} // namespace

NotchList::NotchList(MakeRow make, BindRow bind, CountFiles count, EmptyState* empty,
                     QWidget* parent)
    : QAbstractScrollArea(parent), make_(std::move(make)), bind_(std::move(bind)),
      countFiles_(std::move(count)), empty_(empty) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAutoFillBackground(false);
    empty_->setParent(viewport());
    verticalScrollBar()->setSingleStep(pitch / 2);
    // The rows a full list shows, made now so that Tab meets them where the list is.
    for (int i = 0; i < initialRows; ++i)
        addRow();
}

void NotchList::reloadRows() {
    count_ = countFiles_();
    updateRange();
    layoutRows();
}

std::vector<FileRow*> NotchList::rows() const {
    std::vector<FileRow*> shown;
    for (FileRow* row : pool_)
        if (!row->isHidden())
            shown.push_back(row);
    return shown;
}

void NotchList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    reloadRows();
}

void NotchList::scrollContentsBy(int, int) {
    layoutRows();
}

void NotchList::updateRange() {
    const int content = count_ == 0 ? 0 : static_cast<int>(count_) * pitch - gap;
    const int view = viewport()->height();
    verticalScrollBar()->setPageStep(view);
    verticalScrollBar()->setRange(0, std::max(0, content - view));
}

void NotchList::layoutRows() {
    const QSize view = viewport()->size();
    empty_->setGeometry(QRect(QPoint(0, 0), view));
    empty_->setVisible(count_ == 0);
    const int offset = verticalScrollBar()->value();
    first_ = static_cast<std::size_t>(offset / pitch);
    const std::size_t needed = std::min(count_ - std::min(first_, count_),
                                        static_cast<std::size_t>(view.height() / pitch + 2));
    while (pool_.size() < needed)
        addRow();
    // File i always sits in the same pooled row while it stays in sight, so a row with
    // the keyboard keeps its file as the list scrolls.
    const std::size_t n = pool_.size();
    std::vector<bool> used(n, false);
    for (std::size_t index = first_; index < first_ + needed; ++index) {
        FileRow* row = pool_[index % n];
        used[index % n] = true;
        bind_(*row, index);
        row->setGeometry(0, static_cast<int>(index) * pitch - offset, view.width(),
                         FileRow::height);
        row->show();
    }
    for (std::size_t j = 0; j < n; ++j)
        if (!used[j])
            pool_[j]->hide();
    // Tab visits the rows top to bottom, whichever pooled row shows which file.
    for (std::size_t index = first_; index + 1 < first_ + needed; ++index)
        QWidget::setTabOrder(pool_[index % n], pool_[(index + 1) % n]);
}

void NotchList::addRow() {
    FileRow* row = make_(viewport());
    connect(row, &FileRow::stepFocus, this, [this, row](int delta) {
        const std::size_t index = indexOf(row);
        if (delta < 0 && index > 0)
            focusRow(index - 1);
        else if (delta > 0 && index + 1 < count_)
            focusRow(index + 1);
    });
    connect(row, &FileRow::focused, this, [this, row] { scrollTo(indexOf(row)); });
    connect(row, &FileRow::menuShown, this, &NotchList::menuShown);
    pool_.push_back(row);
    row->hide();
}

std::size_t NotchList::indexOf(const FileRow* row) const {
    const auto slot =
        static_cast<std::size_t>(std::find(pool_.begin(), pool_.end(), row) - pool_.begin());
    const std::size_t n = pool_.size();
    return first_ + (slot + n - first_ % n) % n;
}

void NotchList::scrollTo(std::size_t index) {
    const int top = static_cast<int>(index) * pitch;
    QScrollBar& bar = *verticalScrollBar();
    if (top < bar.value())
        bar.setValue(top);
    else if (top + FileRow::height > bar.value() + viewport()->height())
        bar.setValue(top + FileRow::height - viewport()->height());
}

void NotchList::focusRow(std::size_t index) {
    if (index >= count_)
        return;
    scrollTo(index);
    layoutRows();
    if (!pool_.empty())
        pool_[index % pool_.size()]->setFocus(Qt::TabFocusReason);
}

} // namespace dustlyn
