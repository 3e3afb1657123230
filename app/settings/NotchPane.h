#pragma once

#include "app/settings/LivePane.h"
#include "core/config/NotchSettings.h"

#include <QString>

#include <array>
#include <functional>

namespace dustlyn {

class SwitchRow;

// The six notch switches.
class NotchPane : public LivePane {
    Q_OBJECT

public:
    struct Switch {
        bool NotchSettings::*field;
        QString title;
        QString note;
    };

    NotchPane(AppModel& model, std::function<void()> onChange, QWidget* parent = nullptr);

    // In the order they are shown.
    static std::array<Switch, 6> switches();

protected:
    void refresh() override;

private:
    std::function<void()> onChange_;
    std::array<SwitchRow*, 6> rows_{};
};

} // namespace dustlyn
