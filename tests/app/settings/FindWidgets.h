#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QString>

#include <algorithm>

namespace dustlyn::testing {

// The visible button (or token, or switch) under `root` with this accessible name or text.
inline QAbstractButton* findButton(QWidget* root, const QString& name) {
    for (auto* candidate : root->findChildren<QAbstractButton*>())
        if (candidate->isVisibleTo(root) &&
            (candidate->accessibleName() == name || candidate->text() == name))
            return candidate;
    return nullptr;
}

// Whether a visible label under `root` reads `text`.
inline bool shows(QWidget* root, const QString& text) {
    const auto labels = root->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
        return label->isVisibleTo(root) && label->text() == text;
    });
}

} // namespace dustlyn::testing
