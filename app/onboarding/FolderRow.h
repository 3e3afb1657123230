#pragma once

#include "app/onboarding/FolderChoice.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

namespace dustlyn {

class SwitchButton;

// One folder card row: the title, the detail line, whether Dustlyn can read the folder,
// and the switch that turns the folder's rules on and off.
class FolderRow : public QWidget {
    Q_OBJECT

public:
    explicit FolderRow(FolderChoice choice, QWidget* parent = nullptr);

    const FolderChoice& choice() const { return choice_; }
    SwitchButton* toggle() const { return switch_; }

    // The switch shows `enabled`; the access line shows only while it is on: "Access
    // granted" when the folder could be read, the "Allow access…" link when it could not,
    // nothing until it has been tried.
    void setState(bool enabled, std::optional<bool> access);

signals:
    void switched(bool on);
    void allowAccess();

private:
    FolderChoice choice_;
    SwitchButton* switch_;
    QWidget* granted_;
    QPushButton* allow_;
};

} // namespace dustlyn
