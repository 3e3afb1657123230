#pragma once

#include <QWidget>

#include <filesystem>

class QHBoxLayout;
class QMenu;

namespace dustlyn {

class FileThumbnail;
class NotchLabel;
class ThumbnailCache;

// One file in a notch list: a card with the file's picture, its name (shortened in the
// middle) and a line about it, and room on the right for the list's own controls. It takes
// the keyboard by Tab; the menu key or Shift+F10 opens its menu, Up and Down move to the
// neighbouring files. Screen readers read it as a list item named after the file.
class FileRow : public QWidget {
    Q_OBJECT

public:
    static constexpr int height = 50;

    FileRow(ThumbnailCache& thumbnails, QWidget* parent = nullptr);

    const std::filesystem::path& file() const { return file_; }
    QString name() const;
    QString detail() const;

    // The row's menu with its actions bound to the file now shown; the caller owns it.
    virtual QMenu* makeMenu(QWidget* parent) = 0;
    // Opens the menu at `where` (global coordinates).
    void showMenu(QPoint where);

signals:
    // Up (-1) or Down (+1) was pressed.
    void stepFocus(int delta);
    void focused();
    void menuShown(bool open);

protected:
    void setFile(const std::filesystem::path& file, const QString& detail);
    QHBoxLayout& trailing() { return *trailing_; }

    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::filesystem::path file_;
    FileThumbnail* thumbnail_;
    NotchLabel* name_;
    NotchLabel* detail_;
    QHBoxLayout* trailing_;
};

} // namespace dustlyn
