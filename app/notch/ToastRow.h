#pragma once

#include "app/notch/NotchContext.h"

#include <QWidget>

namespace dustlyn {

class FileThumbnail;
class Logo;
class NotchButton;
class NotchLabel;

// The one-line confirmation: after a sweep, what moved and "Undo"; after anything else,
// the message with the file's picture or the logo.
class ToastRow : public QWidget {
    Q_OBJECT

public:
    ToastRow(const NotchContext& context, QWidget* parent = nullptr);

    NotchLabel& titleText() { return *title_; }
    NotchLabel& subtitleText() { return *subtitle_; }
    FileThumbnail& picture() { return *picture_; }
    Logo& logo() { return *logo_; }
    NotchButton& undoButton() { return *undo_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    NotchContext context_;
    FileThumbnail* picture_;
    Logo* logo_;
    NotchLabel* title_;
    NotchLabel* subtitle_;
    NotchButton* undo_;
    bool stale_ = true;
};

} // namespace dustlyn
