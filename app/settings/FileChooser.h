#pragma once

#include <filesystem>
#include <optional>
#include <vector>

class QWidget;

namespace dustlyn {

// The desktop's open dialogs, as the settings window asks for them.
class FileChooser {
public:
    virtual ~FileChooser() = default;

    // A folder (folders only, new ones may be created); nothing when cancelled.
    virtual std::optional<std::filesystem::path> chooseFolder(QWidget* parent) = 0;
    // Files, several at once; none when cancelled.
    virtual std::vector<std::filesystem::path> chooseFiles(QWidget* parent) = 0;
};

// Qt's file dialog: the desktop's own where a platform theme provides one.
class DialogFileChooser final : public FileChooser {
public:
    std::optional<std::filesystem::path> chooseFolder(QWidget* parent) override;
    std::vector<std::filesystem::path> chooseFiles(QWidget* parent) override;
};

} // namespace dustlyn
