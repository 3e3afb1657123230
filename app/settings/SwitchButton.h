#pragma once

#include <QAbstractButton>

namespace dustlyn {

// An on/off switch: a checkable button (a check box to screen readers) drawn as a track
// with a knob. Space toggles it, and Return too outside dialogs (in a dialog Return
// belongs to the default button).
class SwitchButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Size { regular, small };

    explicit SwitchButton(const QString& accessibleName, Size size = Size::regular,
                          QWidget* parent = nullptr);

    // Shows `on` without telling anyone: the model's state, redrawn.
    void setOn(bool on);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QSize trackSize() const;
    Size size_;
};

} // namespace dustlyn
