#pragma once

#include <QWidget>

#include <filesystem>

namespace dustlyn {

// The top-level settings window. Closing it only hides it; its geometry is remembered in
// `geometryFile` under "DustlynSettings" each time it is hidden.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(QWidget* content, std::filesystem::path geometryFile, QWidget* parent = nullptr);

    // Puts the window where it was last time, or centred at its natural size.
    void placeOnScreen();
    void rememberGeometry() const;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    std::filesystem::path geometryFile_;
};

} // namespace dustlyn
