#include "app/onboarding/OnboardingStyle.h"

#include "app/settings/SettingsStyle.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dustlyn {

QLabel* OnboardingStyle::heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(SettingsStyle::font(24, QFont::Bold));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QLabel* OnboardingStyle::body(const QString& text, QWidget* parent) {
    return SettingsStyle::note(text, parent, 14);
}

QWidget* OnboardingStyle::page(QWidget* parent, std::initializer_list<QWidget*> parts) {
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    for (QWidget* part : parts) {
        part->setParent(page);
        layout->addWidget(part);
    }
    layout->addStretch(1);
    return page;
}

QWidget* OnboardingStyle::hintBox(QLabel* text, QWidget* parent) {
    auto* box = new QFrame(parent);
    box->setObjectName(QStringLiteral("hint"));
    QColor tint = box->palette().color(QPalette::WindowText);
    tint.setAlphaF(0.06f);
    box->setStyleSheet(QStringLiteral("QFrame#hint { background: %1; border-radius: 10px; }")
                           .arg(tint.name(QColor::HexArgb)));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(14, 10, 14, 10);
    text->setParent(box);
    layout->addWidget(text);
    return box;
}

QPushButton* OnboardingStyle::primaryButton(QWidget* parent) {
    auto* button = SettingsStyle::button(QString(), parent);
    button->setDefault(true);
    button->setFont(SettingsStyle::font(13.5, QFont::DemiBold));
    button->setMinimumHeight(32);
    // The focus ring sits inside the button in the text colour, so it shows on any accent.
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background: palette(highlight); color: palette(highlighted-text);"
        " border: none; border-radius: 7px; padding: 6px 18px; }"
        "QPushButton:pressed { background: palette(dark); }"
        "QPushButton:focus { border: 2px solid palette(highlighted-text); padding: 4px 16px; }"));
    return button;
}

QPushButton* OnboardingStyle::secondaryButton(const QString& text, QWidget* parent) {
    auto* button = SettingsStyle::button(text, parent);
    button->setFont(SettingsStyle::font(13.5));
    button->setMinimumHeight(32);
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background: palette(base); color: palette(text);"
        " border: 1px solid palette(mid); border-radius: 7px; padding: 5px 16px; }"
        "QPushButton:pressed { background: palette(button); }"
        "QPushButton:focus { border: 2px solid palette(highlight); padding: 4px 15px; }"));
    return button;
}

} // namespace dustlyn
