#pragma once

#include "app/notch/NotchContext.h"
#include "app/notch/NotchMotion.h"
#include "app/notch/NotchShadow.h"
#include "app/notch/NotchShape.h"
#include "app/notch/NotchViewModel.h"

#include <QPainterPath>
#include <QVariantAnimation>
#include <QWidget>

namespace dustlyn {

class DropZones;
class OpenPanel;
class PeekCard;
class PillContent;
class ToastRow;

// Everything the notch draws, across the whole panel: the black body hanging from the top
// edge (its size and corners following the face on a spring), its shadow where a
// compositing manager can show one, and the face of the current mode over it, which fades
// in as the body grows. Faces other than the pill sit below the top band, clear of the
// camera housing or the desktop's top panel.
class NotchRootView : public QWidget {
    Q_OBJECT

public:
    NotchRootView(const NotchContext& context, QWidget* parent = nullptr);

    // The body the face is heading for (view coordinates), its corners and shadow.
    QRectF bodyTarget() const;
    NotchShape shapeTarget() const;
    double shadowTarget() const;
    // The body as drawn at this moment, in the panel's coordinates.
    QRectF drawnRect() const;
    // The outline as drawn at this moment; empty when nothing is drawn.
    QPainterPath drawnShape() const;
    bool animating() const;

    // The face of the current mode, and each face. The faces other than the pill are made
    // when first asked for: text and its fonts cost memory a resting notch never needs.
    QWidget* face() const { return face_; }
    PillContent& pill() { return *pill_; }
    OpenPanel& openPanel();
    PeekCard& peekCard();
    ToastRow& toastRow();
    DropZones& dropZones();
    // Makes the face of `mode` now, ahead of its showing, so that its first frame waits
    // for nothing.
    void prepare(NotchViewModel::Mode mode);

    // The shadow needs a compositing manager to show through the screen around the body.
    void setShadowEnabled(bool enabled);
    // Ends every animation at once (a screenshot, a test).
    void settle();

signals:
    // The drawn outline moved.
    void shapeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum Channel : std::size_t { bodyWidth, bodyHeight, topRadius, bottomRadius, shadowAlpha };

    void retarget();
    void showFace();
    void fadeIn(QWidget* face, double delay, double duration);
    void layoutFace();
    void clipFace();
    void frame();
    QWidget* faceFor(NotchViewModel::Mode mode);
    template <class Face> Face& made(Face*& face);

    NotchContext context_;
    NotchMotion motion_;
    NotchShadow shadowPicture_;
    QWidget* clip_;
    bool shadowEnabled_ = true;
    QRectF painted_; // what the last frame covered, shadow included
    PillContent* pill_;
    OpenPanel* open_ = nullptr;
    PeekCard* peek_ = nullptr;
    ToastRow* toast_ = nullptr;
    DropZones* drop_ = nullptr;
    QWidget* face_ = nullptr;
    QVariantAnimation fade_;
};

} // namespace dustlyn
