#pragma once

#include "app/notch/NotchMotion.h"
#include "app/notch/NotchSymbol.h"
#include "app/notch/NotchViewModel.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

class QMimeData;

namespace dustlyn {

// One place to drop files while dragging them near the notch: a dashed outline with a
// symbol, a title and a subtitle, that lights up and grows a little while files hover
// over it. Files dropped from any file browser (a list of file addresses) go to `dropped`.
class DropZone : public QWidget {
    Q_OBJECT

public:
    using Dropped =
        std::function<void(std::vector<std::filesystem::path>, NotchViewModel::DropKind)>;

    // Room around the outline for it to grow into.
    static constexpr int margin = 3;

    DropZone(const QString& title, const QString& subtitle, NotchSymbol::Name symbol,
             NotchViewModel::DropKind kind, Dropped dropped, QWidget* parent = nullptr);

    QString title() const { return title_; }
    QString subtitle() const { return subtitle_; }
    NotchViewModel::DropKind kind() const { return kind_; }
    bool targeted() const { return targeted_; }
    void setTargeted(bool targeted);
    double scale() const { return motion_.value(0); }
    void settle() { motion_.finish(); }

    // The local files among the addresses of a drag; anything else is left out.
    static std::vector<std::filesystem::path> files(const QMimeData& data);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void paintText(QPainter& painter, const QRectF& box) const;

    QString title_;
    QString subtitle_;
    NotchSymbol::Name symbol_;
    NotchViewModel::DropKind kind_;
    Dropped dropped_;
    bool targeted_ = false;
    NotchMotion motion_;
};

} // namespace dustlyn
