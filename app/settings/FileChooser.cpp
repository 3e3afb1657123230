#include "app/settings/FileChooser.h"

#include <QDir>
#include <QFileDialog>

namespace dustlyn {

namespace fs = std::filesystem;

std::optional<fs::path> DialogFileChooser::chooseFolder(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Choose the quarantine folder"), QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Use Folder"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return fs::path(dialog.selectedFiles().front().toStdString());
}

std::vector<fs::path> DialogFileChooser::chooseFiles(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Keep files"), QDir::homePath());
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Keep"));
    std::vector<fs::path> files;
    if (dialog.exec() != QDialog::Accepted)
        return files;
    for (const QString& file : dialog.selectedFiles())
        files.emplace_back(file.toStdString());
    return files;
}

} // namespace dustlyn
