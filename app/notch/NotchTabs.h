#pragma once

#include <QTabBar>

#include <array>
#include <cstddef>

namespace dustlyn {

// The open panel's two lists as tabs: "Leaving soon" and "Quarantine", each with its count
// in a capsule. A real tab bar, so keyboard users switch with the arrow keys and screen
// readers hear the tabs, their counts and which one is selected.
class NotchTabs : public QTabBar {
    Q_OBJECT

public:
    static constexpr int height = 30;

    explicit NotchTabs(QWidget* parent = nullptr);

    void setCounts(std::size_t leaving, std::size_t quarantine);
    std::size_t fileCount(int index) const { return counts_[static_cast<std::size_t>(index)]; }

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    double titleWidth(int index) const;
    double capsuleWidth(int index) const;

    QFont titleFont_;
    QFont countFont_;
    std::array<std::size_t, 2> counts_{};
};

} // namespace dustlyn
