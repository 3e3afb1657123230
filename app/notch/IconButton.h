#pragma once

#include "app/notch/NotchControl.h"
#include "app/notch/NotchSymbol.h"

namespace dustlyn {

// A 26-point square button with a symbol; its help text is both the tooltip and what
// screen readers read.
class IconButton : public NotchControl {
    Q_OBJECT

public:
    static constexpr int side = 26;

    IconButton(NotchSymbol::Name symbol, const QString& help, QWidget* parent = nullptr);

    NotchSymbol::Name symbol() const { return symbol_; }
    QString help() const { return toolTip(); }
    void setSymbol(NotchSymbol::Name symbol, const QString& help);

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    NotchSymbol::Name symbol_;
    QPixmap picture_;
};

} // namespace dustlyn
