#pragma once

#include "app/settings/SettingsPane.h"

#include <QObject>

namespace dustlyn {

// The pane the settings window shows; the sidebar and the detail column both follow it.
class SettingsRouter : public QObject {
    Q_OBJECT

public:
    explicit SettingsRouter(QObject* parent = nullptr) : QObject(parent) {}

    SettingsPane pane() const { return pane_; }
    void setPane(SettingsPane pane) {
        if (pane == pane_)
            return;
        pane_ = pane;
        emit paneChanged(pane);
    }

signals:
    void paneChanged(SettingsPane pane);

private:
    SettingsPane pane_ = SettingsPane::overview;
};

} // namespace dustlyn
