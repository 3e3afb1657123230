#pragma once

#include "app/notch/NotchContext.h"

#include <QWidget>

class QStackedWidget;

namespace dustlyn {

class IconButton;
class LeavingList;
class NotchButton;
class NotchLabel;
class NotchTabs;
class QuarantineList;
class SplitBar;

// The open notch: the "Leaving soon" and "Quarantine" tabs with their counts and total
// size, the split of what is leaving by rule, the selected list, and a footer with a
// status line, "Clean up now", pause or resume, and the settings. Kept current only while
// shown.
class OpenPanel : public QWidget {
    Q_OBJECT

public:
    OpenPanel(const NotchContext& context, QWidget* parent = nullptr);

    NotchTabs& tabs() { return *tabs_; }
    NotchLabel& sizeText() { return *size_; }
    SplitBar& splitBar() { return *split_; }
    LeavingList& leavingList() { return *leaving_; }
    QuarantineList& quarantineList() { return *quarantine_; }
    NotchLabel& statusText() { return *status_; }
    NotchButton& cleanUpButton() { return *cleanUp_; }
    IconButton& pauseButton() { return *pause_; }
    IconButton& settingsButton() { return *settings_; }

    // The status line for the model as it is now.
    static QString status(const AppModel& model);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeFooter();
    void refresh();

    NotchContext context_;
    NotchTabs* tabs_;
    NotchLabel* size_;
    SplitBar* split_;
    QStackedWidget* lists_;
    LeavingList* leaving_;
    QuarantineList* quarantine_;
    NotchLabel* status_;
    NotchButton* cleanUp_;
    IconButton* pause_;
    IconButton* settings_;
    bool stale_ = true;
};

} // namespace dustlyn
