#pragma once

#include "app/model/RuleDraft.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace dustlyn {

class Card;
class SwitchButton;

// The full rule editor: a window-modal sheet over the settings window that edits a
// draft and hands back the rule on save (Return, when the draft is valid) or nothing on
// cancel (Escape). `onDone` is called exactly once.
class RuleEditorView : public QDialog {
    Q_OBJECT

public:
    using Done = std::function<void(std::optional<PurgeRule>)>;

    RuleEditorView(RuleDraft draft, bool isNew, Done onDone, QWidget* parent = nullptr);

    const RuleDraft& draft() const { return draft_; }
    QPushButton* saveButton() const { return save_; }

    void done(int result) override;

private:
    QWidget* nameSection();
    QWidget* foldersSection();
    QWidget* matchersSection();
    QWidget* ageSection();
    QWidget* footer();
    void rebuildFolderRows(int focusRow);
    void rebuildMatcherRows(int focusRow);
    QWidget* folderRow(const FolderDraft& row);
    QWidget* matcherRow(const MatcherDraft& row);
    void updateSaveButton();

    RuleDraft draft_;
    bool isNew_;
    Done onDone_;
    bool finished_ = false;
    Card* folderCard_ = nullptr;
    Card* matcherCard_ = nullptr;
    QPushButton* save_ = nullptr;
};

} // namespace dustlyn
