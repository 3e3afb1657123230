#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

namespace dustlyn {

// What is leaving, by rule: one capsule per rule, as wide as its share of the bytes (never
// under 3 points), each a little dimmer than the one before.
class SplitBar : public QWidget {
    Q_OBJECT

public:
    static constexpr double gap = 2;
    static constexpr double minimumWidth = 3;

    struct Segment {
        double x = 0;
        double width = 0;
        double opacity = 0;
        bool operator==(const Segment&) const = default;
    };

    explicit SplitBar(QWidget* parent = nullptr);

    void setParts(std::vector<std::int64_t> parts);
    const std::vector<std::int64_t>& parts() const { return parts_; }
    // Where each part's capsule lies across `width`.
    static std::vector<Segment> segments(const std::vector<std::int64_t>& parts, double width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::int64_t> parts_;
};

} // namespace dustlyn
