#pragma once

#include "core/history/HistoryEntry.h"

#include <QLabel>
#include <QWidget>

#include <functional>

class QPushButton;

namespace dustlyn {

// A label that shortens its text in the middle when it does not fit: a long file name
// keeps its start and its extension.
class MiddleElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit MiddleElidedLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString full_;
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

    void setShown(const Shown& shown);
    const Shown& shown() const { return shown_; }
    QPushButton* restoreButton() const { return restore_; }

private:
    std::function<QString(const HistoryEntry&)> onRestore_;
    Shown shown_;
    bool drawn_ = false;
    QLabel* icon_;
    MiddleElidedLabel* title_;
    QLabel* caption_;
    QLabel* time_;
    QLabel* size_;
    QPushButton* restore_;
};

} // namespace dustlyn
