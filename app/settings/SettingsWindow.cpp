#include "app/settings/SettingsWindow.h"

#include "app/settings/SettingsStyle.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

const QString geometryKey = QStringLiteral("DustlynSettings");

} // namespace

SettingsWindow::SettingsWindow(QWidget* content, std::filesystem::path geometryFile,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), geometryFile_(std::move(geometryFile)) {
    setWindowTitle(QStringLiteral("Dustlyn"));
    setMinimumSize(SettingsStyle::minimumWidth, SettingsStyle::minimumHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
}

void SettingsWindow::placeOnScreen() {
    if (!geometryFile_.empty()) {
        const QSettings settings(QString::fromStdString(geometryFile_.native()),
                                 QSettings::IniFormat);
        if (restoreGeometry(settings.value(geometryKey).toByteArray()))
            return;
    }
    resize(SettingsStyle::windowWidth, SettingsStyle::windowHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void SettingsWindow::rememberGeometry() const {
    if (geometryFile_.empty())
        return;
    QSettings settings(QString::fromStdString(geometryFile_.native()), QSettings::IniFormat);
    settings.setValue(geometryKey, saveGeometry());
}

void SettingsWindow::hideEvent(QHideEvent* event) {
    rememberGeometry();
    QWidget::hideEvent(event);
}

} // namespace dustlyn
