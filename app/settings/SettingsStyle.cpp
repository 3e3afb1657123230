#include "app/settings/SettingsStyle.h"

#include "core/base/ByteCount.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace dustlyn {

QFont SettingsStyle::font(double points, QFont::Weight weight) {
    QFont font = QGuiApplication::font();
    // A design point is a pixel at 96 dpi, where a Qt point is 4/3 of a pixel.
    font.setPointSizeF(points * 0.75);
    font.setWeight(weight);
    return font;
}

QFont SettingsStyle::titleFont() {
    QFont title = font(26, QFont::Bold);
    title.setLetterSpacing(QFont::PercentageSpacing, 98);
    return title;
}

QColor SettingsStyle::errorText() {
    return {0xd7, 0x26, 0x1e};
}

QColor SettingsStyle::signal() {
    return QColor::fromRgbF(1.0f, 0.62f, 0.04f);
}

QColor SettingsStyle::secondaryText(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.62f);
    return color;
}

QColor SettingsStyle::separator(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.12f);
    return color;
}

QString SettingsStyle::sizeText(std::int64_t bytes) {
    return bytes == 0 ? QStringLiteral("0 MB") : text(formatByteCount(bytes));
}

QPushButton* SettingsStyle::button(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(true);
    return button;
}

QLabel* SettingsStyle::note(const QString& text, QWidget* parent, double points) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(font(points));
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, secondaryText(palette));
    label->setPalette(palette);
    return label;
}

} // namespace dustlyn
