#include "app/settings/NotchPane.h"

#include "app/model/AppModel.h"
#include "app/settings/Card.h"
#include "app/settings/SettingsStyle.h"
#include "app/settings/SwitchButton.h"
#include "app/settings/SwitchRow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace dustlyn {

std::array<NotchPane::Switch, 6> NotchPane::switches() {
    return {{
        {&NotchSettings::showPill, QStringLiteral("Show the pill while files wait"),
         QStringLiteral("The logo and a count beside the notch. Off: the notch looks untouched "
                        "until something pops up.")},
        {&NotchSettings::peekOnNewFiles, QStringLiteral("Peek when a new file arrives"),
         QStringLiteral("Shows it for 4 seconds with a quick time choice. At most once every 2 "
                        "minutes.")},
        {&NotchSettings::toastAfterSweep, QStringLiteral("Show a toast after each sweep"),
         QStringLiteral("\"Moved 3 files to quarantine\", with Undo.")},
        {&NotchSettings::pillCountdown, QStringLiteral("Count down in the last 10 minutes"),
         QStringLiteral("The pill turns orange and shows the time left. Needs the pill on.")},
        {&NotchSettings::quietWhenBusy, QStringLiteral("Stay quiet when busy"),
         QStringLiteral("No peeks or pill while an app is full screen or your display is "
                        "mirrored.")},
        {&NotchSettings::hotkeyEnabled, QStringLiteral("Open with Ctrl+Alt+P"),
         QStringLiteral("Works from any app. Press Esc to close.")},
    }};
}

NotchPane::NotchPane(AppModel& model, std::function<void()> onChange, QWidget* parent)
    : LivePane(model, parent), onChange_(std::move(onChange)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(SettingsStyle::stackSpacing);
    layout->addWidget(SettingsStyle::note(
        QStringLiteral("Hovering the notch always opens the panel. These switches control what "
                       "Dustlyn does on its own."),
        this, 13));
    auto* card = new Card(this);
    const auto all = switches();
    for (std::size_t i = 0; i < all.size(); ++i) {
        rows_[i] = new SwitchRow(all[i].title, all[i].note);
        const auto field = all[i].field;
        connect(rows_[i]->toggle(), &SwitchButton::toggled, this, [this, field](bool on) {
            NotchSettings settings = model_.config().notch;
            settings.*field = on;
            model_.updateNotchSettings(settings);
            if (onChange_)
                onChange_();
        });
        card->appendRow(rows_[i]);
    }
    layout->addWidget(card);
    layout->addWidget(SettingsStyle::note(
        QStringLiteral("Drag any file onto the notch to keep it forever or remove it in an hour."),
        this, 13));
    connect(&model_, &AppModel::configChanged, this, &NotchPane::scheduleRefresh);
}

void NotchPane::refresh() {
    const NotchSettings& settings = model_.config().notch;
    const auto all = switches();
    for (std::size_t i = 0; i < all.size(); ++i)
        rows_[i]->toggle()->setOn(settings.*all[i].field);
}

} // namespace dustlyn
