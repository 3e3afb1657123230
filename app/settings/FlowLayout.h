#pragma once

#include <QLayout>
#include <QList>

#include <optional>
#include <vector>

namespace dustlyn {

// Places its children left to right at their natural sizes and starts a new line when
// the next one would overflow the width, so a sentence of word widgets wraps between any
// two words as its window narrows. A child wider than the whole width gets a line of its
// own and overflows it.
class FlowLayout : public QLayout {
    Q_OBJECT

public:
    FlowLayout(int spacing, int lineSpacing, QWidget* parent = nullptr);
    ~FlowLayout() override;

    // The size the children take within `width` (one line when no width is given).
    static QSize measure(const std::vector<QSize>& sizes, std::optional<int> width, int spacing,
                         int lineSpacing);
    // Where each child goes inside `bounds`.
    static std::vector<QRect> place(const std::vector<QSize>& sizes, const QRect& bounds,
                                    int spacing, int lineSpacing);

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // The children that take part (hidden ones do not), with their natural sizes.
    std::vector<QLayoutItem*> shownItems() const;
    std::vector<QSize> naturalSizes(const std::vector<QLayoutItem*>& items) const;

    QList<QLayoutItem*> items_;
    int spacing_;
    int lineSpacing_;
};

} // namespace dustlyn
