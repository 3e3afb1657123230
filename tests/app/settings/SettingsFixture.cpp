#include "tests/app/settings/SettingsFixture.h"

#include "app/settings/Token.h"
#include "tests/app/support/UiTestApp.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>

namespace dustlyn::testing {

SettingsFixture::SettingsFixture() {
    uiTestApp();
}

SettingsServices SettingsFixture::services() {
    SettingsServices services;
    services.loginItem = login_;
    services.fileBrowser = browser_;
    services.chooser = chooser_;
    services.clock = clock_;
    services.openUrl = [](const QUrl&) {};
    services.geometryFile = home_ / ".config/Dustlyn/settings-window.conf";
    return services;
}

Configuration SettingsFixture::saved() const {
    return ConfigurationStore::defaultStore(folders_).load();
}

void SettingsFixture::settle() {
    for (int i = 0; i < 3; ++i) {
        QApplication::sendPostedEvents();
        QApplication::processEvents();
    }
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QAbstractButton* SettingsFixture::button(QWidget* root, const QString& name) {
    QAbstractButton* found = findButton(root, name);
    if (!found)
        ADD_FAILURE() << "no button " << name.toStdString();
    return found;
}

void SettingsFixture::choose(QAbstractButton* button, const QString& text) {
    auto* push = qobject_cast<QPushButton*>(button);
    QMenu* menu = push ? attachedMenu(*push) : nullptr;
    if (!menu) {
        ADD_FAILURE() << "no menu behind " << (button ? button->text().toStdString() : "");
        return;
    }
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            action->trigger();
            settle();
            return;
        }
    }
    ADD_FAILURE() << "no menu entry " << text.toStdString();
}

} // namespace dustlyn::testing
