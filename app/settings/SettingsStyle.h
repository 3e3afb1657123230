#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <string>

class QLabel;
class QPalette;
class QPushButton;
class QWidget;

namespace dustlyn {

// The settings window's type sizes, colours and measures. Sizes are given in the
// design's points, which are pixels at 96 dots per inch; fonts follow the desktop's
// scaling through Qt's point sizes.
struct SettingsStyle {
    static constexpr int windowWidth = 820;
    static constexpr int windowHeight = 600;
    static constexpr int minimumWidth = 760;
    static constexpr int minimumHeight = 520;
    static constexpr int sidebarMinimum = 180;
    static constexpr int sidebarIdeal = 190;
    static constexpr int sidebarMaximum = 220;
    static constexpr int contentMaximum = 640;
    static constexpr int contentPadding = 32;
    static constexpr int stackSpacing = 22;

    // The system font at `points` design points.
    static QFont font(double points, QFont::Weight weight = QFont::Normal);
    // The 26-point bold pane title, letters set slightly tighter.
    static QFont titleFont();
    // The brand's orange.
    static QColor signal();
    // Text that says something went wrong.
    static QColor errorText();
    // Text of lesser weight: notes, captions.
    static QColor secondaryText(const QPalette& palette);
    static QColor separator(const QPalette& palette);

    // Byte counts as files are measured, "0 MB" for nothing.
    static QString sizeText(std::int64_t bytes);
    static QString text(const std::string& utf8) { return QString::fromStdString(utf8); }

    // A push button that Return presses as well as Space, also outside dialogs.
    static QPushButton* button(const QString& text, QWidget* parent = nullptr);
    // A label in the secondary colour at `points`, wrapping.
    static QLabel* note(const QString& text, QWidget* parent = nullptr, double points = 12);
};

} // namespace dustlyn
