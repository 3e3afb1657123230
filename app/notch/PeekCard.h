#pragma once

#include "app/notch/NotchContext.h"
#include "core/scan/MatchedFile.h"

#include <QWidget>

#include <vector>

class QStackedWidget;

namespace dustlyn {

class FileThumbnail;
class NotchButton;
class NotchLabel;
class PeekProgress;

// The card that announces new files: what came and where, the file itself or a row of up
// to five pictures, quick time choices for all of them, "Keep" and "Open", and the bar
// that shows how long the card stays. Its commands go through the controller, which
// confirms them.
class PeekCard : public QWidget {
    Q_OBJECT

public:
    struct Choice {
        const char* label;
        double seconds;
    };
    static constexpr Choice choices[] = {{"10 min", 600}, {"1 hour", 3600}, {"1 day", 86400}};
    static constexpr std::size_t shownPictures = 5;

    PeekCard(const NotchContext& context, QWidget* parent = nullptr);

    // "New screenshot", "3 new files", ...
    static QString title(const std::vector<MatchedFile>& files);

    NotchLabel& titleText() { return *title_; }
    NotchLabel& folderText() { return *folder_; }
    NotchLabel& sizeText() { return *size_; }
    NotchLabel& nameText() { return *name_; }
    NotchLabel& detailText() { return *detail_; }
    NotchLabel& sentenceText() { return *sentence_; }
    bool showsOneFile() const;
    // The pictures of the several-files row that are shown.
    std::vector<FileThumbnail*> pictures() const;
    std::vector<NotchButton*> choiceButtons() const { return choiceButtons_; }
    NotchButton& keepButton() { return *keep_; }
    NotchButton& openButton() { return *open_; }
    PeekProgress& progress() { return *progress_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeHeader();
    QWidget* makeOneFile();
    QWidget* makeSeveralFiles();
    QWidget* makeButtons();
    void refresh();
    void refreshOneFile(const MatchedFile& file);

    NotchContext context_;
    NotchLabel* title_;
    NotchLabel* folder_;
    NotchLabel* size_;
    QStackedWidget* files_;
    FileThumbnail* thumbnail_ = nullptr;
    NotchLabel* name_ = nullptr;
    NotchLabel* detail_ = nullptr;
    QWidget* strip_ = nullptr;
    std::vector<QWidget*> frames_;
    std::vector<FileThumbnail*> pictures_;
    NotchLabel* sentence_ = nullptr;
    std::vector<NotchButton*> choiceButtons_;
    NotchButton* keep_ = nullptr;
    NotchButton* open_ = nullptr;
    PeekProgress* progress_;
    bool stale_ = true;
};

} // namespace dustlyn
