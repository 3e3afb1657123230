#pragma once

#include <QString>

#include <initializer_list>

class QLabel;
class QPushButton;
class QWidget;

namespace dustlyn {

// The onboarding's type and controls, on the settings window's sizes and colours.
struct OnboardingStyle {
    // A step's heading, 24 points bold.
    static QLabel* heading(const QString& text, QWidget* parent = nullptr);
    // A step's text in the secondary colour.
    static QLabel* body(const QString& text, QWidget* parent = nullptr);
    // A step's page: `parts` stacked from the top.
    static QWidget* page(QWidget* parent, std::initializer_list<QWidget*> parts);
    // A rounded box in a faint tint of the text colour around a short hint.
    static QWidget* hintBox(QLabel* text, QWidget* parent = nullptr);
    // The primary button: filled in the accent colour; Return presses it.
    static QPushButton* primaryButton(QWidget* parent);
    // A plain rounded button beside it ("Back").
    static QPushButton* secondaryButton(const QString& text, QWidget* parent);
};

} // namespace dustlyn
