#pragma once

#include <QAbstractButton>

class QPainter;

namespace dustlyn {

// What every button of the notch shares: it lights up under the pointer, takes the
// keyboard only by Tab (a click never moves the focus out of the user's application),
// answers Space and Return, and shows a ring while it has the keyboard.
class NotchControl : public QAbstractButton {
    Q_OBJECT

public:
    explicit NotchControl(QWidget* parent = nullptr);

    bool hovered() const { return hovered_; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The keyboard ring around `shape`'s outline, when the control has the keyboard.
    void paintFocusRing(QPainter& painter, const QRectF& rect, double radius) const;

private:
    bool hovered_ = false;
};

} // namespace dustlyn
