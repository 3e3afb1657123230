#pragma once

#include <QWidget>

class QPainter;

namespace dustlyn {

// The logo on a dark rounded tile with a soft shadow below it, as the onboarding shows it
// and as the application icon is made. The widget leaves room around the tile for the
// shadow (`shadowMargin` on every side).
class LogoTile : public QWidget {
    Q_OBJECT

public:
    explicit LogoTile(qreal tileSize, QWidget* parent = nullptr);

    qreal tileSize() const { return tileSize_; }
    void setTileSize(qreal tileSize);
    QSize sizeHint() const override;

    static qreal shadowMargin(qreal tileSize);
    // Paints the tile into `tile`; the shadow falls outside it, within shadowMargin.
    static void paint(QPainter& painter, const QRectF& tile, bool withShadow = true);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal tileSize_;
};

} // namespace dustlyn
