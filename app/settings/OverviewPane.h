#pragma once

#include "app/settings/LivePane.h"
#include "app/settings/SettingsServices.h"
#include "core/history/HistoryStats.h"

#include <array>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace dustlyn {

class SwitchRow;
class TokenMenu;

// This month's figures and the general settings: how often folders are checked, how
// long the quarantine keeps files and where it is, the login item, the tray item and
// emptying the Trash.
class OverviewPane : public LivePane {
    Q_OBJECT

public:
    OverviewPane(AppModel& model, SettingsServices services, std::function<void(bool)> onToggleIcon,
                 QWidget* parent = nullptr);

    // The choices of the two tokens, in seconds.
    static std::array<double, 4> intervalChoices();
    static std::array<double, 7> retentionChoices();

protected:
    void refresh() override;
    void showEvent(QShowEvent* event) override;

private:
    struct Shown {
        HistoryStats stats;
        int month = 0;
        double interval = 0;
        double retention = 0;
        std::string quarantine;
        bool menuBar = false;
        bool emptyTrash = false;

        bool operator==(const Shown&) const = default;
    };

    QWidget* figures();
    QWidget* sentence();
    QWidget* settingsCard();
    QWidget* quarantineRow();
    QWidget* figure(QLabel*& number, QLabel*& caption);
    Shown current() const;
    void changeQuarantineFolder();
    QString dedicatedFolderNote(const std::string& chosen) const;
    void changeLoginItem(bool on);

    SettingsServices services_;
    std::function<void(bool)> onToggleIcon_;
    Shown shown_;
    bool drawn_ = false;
    std::array<QLabel*, 3> numbers_{};
    std::array<QLabel*, 3> captions_{};
    QPushButton* share_ = nullptr;
    TokenMenu* interval_ = nullptr;
    TokenMenu* retention_ = nullptr;
    QLabel* quarantinePath_ = nullptr;
    QLabel* quarantineMessage_ = nullptr;
    SwitchRow* login_ = nullptr;
    SwitchRow* menuBar_ = nullptr;
    SwitchRow* emptyTrash_ = nullptr;
};

} // namespace dustlyn
