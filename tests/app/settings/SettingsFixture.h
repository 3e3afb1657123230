#pragma once

#include "app/settings/SettingsServices.h"
#include "tests/app/model/ModelFixture.h"
#include "tests/app/support/Recorders.h"

#include <QAbstractButton>
#include <QLabel>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

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

// Answers the open dialogs with what the test chose beforehand.
class ScriptedFileChooser : public FileChooser {
public:
    std::optional<std::filesystem::path> folder;
    std::vector<std::filesystem::path> files;
    std::optional<std::filesystem::path> chooseFolder(QWidget*) override { return folder; }
    std::vector<std::filesystem::path> chooseFiles(QWidget*) override { return files; }
};

// A throw-away home with a real model, and the settings' desktop services recorded.
class SettingsFixture : public ModelFixture {
protected:
    SettingsFixture();
    SettingsServices services();
    // What is on disk now.
    Configuration saved() const;
    // Lets posted redraws and queued menu actions run.
    static void settle();
    // findButton, failing the test when there is none.
    static QAbstractButton* button(QWidget* root, const QString& name);
    // Triggers the entry `text` of the menu that `button` opens.
    static void choose(QAbstractButton* button, const QString& text);

    std::shared_ptr<RecordingLoginItem> login_ = std::make_shared<RecordingLoginItem>();
    std::shared_ptr<RecordingFileBrowser> browser_ = std::make_shared<RecordingFileBrowser>();
    std::shared_ptr<ScriptedFileChooser> chooser_ = std::make_shared<ScriptedFileChooser>();
};

} // namespace dustlyn::testing
