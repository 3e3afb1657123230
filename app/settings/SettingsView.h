#pragma once

#include "app/model/RuleDraft.h"
#include "app/settings/SettingsPane.h"
#include "app/settings/SettingsServices.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QListWidget;
class QStackedWidget;

namespace dustlyn {

class AppModel;
class LivePane;
class RuleEditorView;
class SettingsRouter;

// The settings window's content: the sidebar of panes and the chosen pane under its
// title, and the rule editor as a sheet over it.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    SettingsView(AppModel& model, SettingsRouter& router, SettingsServices services,
                 std::function<void(bool)> onToggleIcon,
                 std::function<void()> onNotchSettingsChanged, QWidget* parent = nullptr);

    // Opens the rule editor on `draft`; its result is added as a new rule or replaces
    // the rule with the draft's identity.
    void edit(const RuleDraft& draft, bool isNew);
    // The open editor, if any.
    RuleEditorView* editor() const;
    // The pane's view, made when it is first shown.
    LivePane* pane(SettingsPane pane);
    QListWidget* sidebar() const { return sidebar_; }

private:
    void showPane(SettingsPane pane);
    LivePane* makePane(SettingsPane pane);

    AppModel& model_;
    SettingsRouter& router_;
    SettingsServices services_;
    std::function<void(bool)> onToggleIcon_;
    std::function<void()> onNotchSettingsChanged_;
    QListWidget* sidebar_;
    QStackedWidget* detail_;
    std::array<LivePane*, SettingsPanes::all.size()> panes_{};
    QPointer<RuleEditorView> editor_;
};

} // namespace dustlyn
