#pragma once

#include "app/settings/SymbolIcon.h"
#include "core/history/HistoryEntry.h"

#include <QLabel>
#include <QWidget>

#include <functional>

class QPushButton;

namespace dustlyn {

// A label that shortens its text when it does not fit (in the middle, so a long file
// name keeps its start and its extension), with the whole text as its tooltip.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);
    void setFullText(const QString& text);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode mode_;
};

// One history entry: what happened to which file, when, its size, and "Restore" while
// the quarantined file is still there.
class HistoryRow : public QWidget {
    Q_OBJECT

public:
    struct Shown {
        HistoryEntry entry;
        QString caption;
        QString time;
        bool restorable = false;

        bool operator==(const Shown&) const = default;
    };

    // `restore` is called with the entry; it answers the error text when it failed.
    HistoryRow(std::function<QString(const HistoryEntry&)> restore, QWidget* parent = nullptr);

    static constexpr int iconSide = 18;
    static Symbol symbolOf(HistoryEntry::Kind kind);

    void setShown(const Shown& shown, const QPixmap& icon);
    const Shown& shown() const { return shown_; }
    QPushButton* restoreButton() const { return restore_; }

private:
    std::function<QString(const HistoryEntry&)> onRestore_;
    Shown shown_;
    bool drawn_ = false;
    QLabel* icon_;
    ElidedLabel* title_;
    ElidedLabel* caption_;
    QLabel* time_;
    QLabel* size_;
    QPushButton* restore_;
};

} // namespace dustlyn
