#pragma once

#include <QAbstractScrollArea>

#include <cstddef>
#include <functional>
#include <vector>

namespace dustlyn {

class EmptyState;
class FileRow;

// A scrolling column of file rows, 6 points apart, without scroll bars. Only the rows in
// sight exist; they are re-bound to other files as the list scrolls, so ten thousand
// files cost what six do. With no files it shows its empty state.
class NotchList : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int gap = 6;

    using MakeRow = std::function<FileRow*(QWidget* parent)>;
    // Shows file `index` in `row`.
    using BindRow = std::function<void(FileRow& row, std::size_t index)>;
    // How many files there are to show.
    using CountFiles = std::function<std::size_t()>;

    NotchList(MakeRow make, BindRow bind, CountFiles count, EmptyState* empty,
              QWidget* parent = nullptr);

    // The files may have changed: the range follows their count and the rows in sight are
    // bound again. A resize does the same, so a list resized before it heard of a change
    // (by the face around it, say) never binds a row past the last file.
    void reloadRows();
    std::size_t count() const { return count_; }
    EmptyState& emptyState() { return *empty_; }
    // The rows in sight, top to bottom.
    std::vector<FileRow*> rows() const;
    // Scrolls file `index` into sight and gives its row the keyboard.
    void focusRow(std::size_t index);

signals:
    // A row's menu opened (true) or closed (false).
    void menuShown(bool open);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void addRow();
    void layoutRows();
    void updateRange();
    void scrollTo(std::size_t index);
    std::size_t indexOf(const FileRow* row) const;

    MakeRow make_;
    BindRow bind_;
    CountFiles countFiles_;
    EmptyState* empty_;
    std::size_t count_ = 0;
    std::size_t first_ = 0; // the file shown by the first pooled row
    std::vector<FileRow*> pool_;
};

} // namespace dustlyn
