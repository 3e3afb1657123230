#include "app/settings/SettingsView.h"

#include "app/model/AppModel.h"
#include "app/settings/HistoryPane.h"
#include "app/settings/KeptPane.h"
#include "app/settings/NotchPane.h"
#include "app/settings/OverviewPane.h"
#include "app/settings/RuleEditorView.h"
#include "app/settings/RulesPane.h"
#include "app/settings/SettingsRouter.h"
#include "app/settings/SettingsStyle.h"
#include "app/settings/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

Symbol symbolOf(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::overview:
        return Symbol::chartPie;
    case SettingsPane::rules:
        return Symbol::lineDecrease;
    case SettingsPane::notch:
        return Symbol::laptop;
    case SettingsPane::history:
        return Symbol::clockArrow;
    case SettingsPane::kept:
        return Symbol::pin;
    }
    return Symbol::chartPie;
}

std::size_t indexOf(SettingsPane pane) {
    return static_cast<std::size_t>(pane);
}

} // namespace

SettingsView::SettingsView(AppModel& model, SettingsRouter& router, SettingsServices services,
                           std::function<void(bool)> onToggleIcon,
                           std::function<void()> onNotchSettingsChanged, QWidget* parent)
    : QWidget(parent), model_(model), router_(router), services_(std::move(services)),
      onToggleIcon_(std::move(onToggleIcon)),
      onNotchSettingsChanged_(std::move(onNotchSettingsChanged)), sidebar_(new QListWidget),
      detail_(new QStackedWidget) {
    setMinimumSize(SettingsStyle::minimumWidth, SettingsStyle::minimumHeight);
    sidebar_->setAccessibleName(QStringLiteral("Settings"));
    sidebar_->setFrameShape(QFrame::NoFrame);
    sidebar_->setIconSize(QSize(18, 18));
    sidebar_->setSpacing(1);
    sidebar_->setMinimumWidth(SettingsStyle::sidebarMinimum);
    sidebar_->setMaximumWidth(SettingsStyle::sidebarMaximum);
    const QColor side = palette().color(QPalette::Window).darker(104);
    sidebar_->setStyleSheet(
        QStringLiteral("QListWidget { background: %1; padding: 10px 8px; outline: 0; }"
                       "QListWidget::item { padding: 2px 6px; border-radius: 6px; }"
                       "QListWidget::item:selected { background: palette(highlight);"
                       " color: palette(highlighted-text); }")
            .arg(side.name()));
    const QColor symbolColor = palette().color(QPalette::WindowText);
    for (const SettingsPane pane : SettingsPanes::all) {
        auto* item = new QListWidgetItem(SymbolIcon::icon(symbolOf(pane), symbolColor),
                                         SettingsPanes::title(pane), sidebar_);
        item->setSizeHint(QSize(0, 30));
        detail_->addWidget(new QWidget);
    }

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(sidebar_);
    splitter->addWidget(detail_);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes(
        {SettingsStyle::sidebarIdeal, SettingsStyle::windowWidth - SettingsStyle::sidebarIdeal});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    // Selection rather than the current row: a screen reader's "toggle" on an entry
    // selects it without moving the current row.
    connect(sidebar_, &QListWidget::itemSelectionChanged, this, [this] {
        const auto selected = sidebar_->selectedItems();
        if (selected.isEmpty())
            return;
        const int row = sidebar_->row(selected.front());
        if (row >= 0 && row < static_cast<int>(SettingsPanes::all.size()))
            router_.setPane(SettingsPanes::all[static_cast<std::size_t>(row)]);
    });
    connect(&router_, &SettingsRouter::paneChanged, this, &SettingsView::showPane);
    showPane(router_.pane());
}

LivePane* SettingsView::makePane(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::overview:
        return new OverviewPane(model_, services_, onToggleIcon_);
    case SettingsPane::rules:
        return new RulesPane(model_,
                             [this](const RuleDraft& draft, bool isNew) { edit(draft, isNew); });
    case SettingsPane::notch:
        return new NotchPane(model_, onNotchSettingsChanged_);
    case SettingsPane::history:
        return new HistoryPane(model_, services_);
    case SettingsPane::kept:
        return new KeptPane(model_, services_);
    }
    return nullptr;
}

LivePane* SettingsView::pane(SettingsPane pane) {
    LivePane*& made = panes_[indexOf(pane)];
    if (made)
        return made;
    made = makePane(pane);

    auto* content = new QWidget;
    content->setMaximumWidth(SettingsStyle::contentMaximum + 2 * SettingsStyle::contentPadding);
    auto* stack = new QVBoxLayout(content);
    const int pad = SettingsStyle::contentPadding;
    stack->setContentsMargins(pad, pad, pad, pad);
    stack->setSpacing(SettingsStyle::stackSpacing);
    auto* title = new QLabel(SettingsPanes::title(pane), content);
    title->setFont(SettingsStyle::titleFont());
    title->setAccessibleName(SettingsPanes::title(pane));
    stack->addWidget(title);
    stack->addWidget(made);
    stack->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setWidget(content);
    QWidget* placeholder = detail_->widget(static_cast<int>(indexOf(pane)));
    detail_->insertWidget(static_cast<int>(indexOf(pane)), scroll);
    detail_->removeWidget(placeholder);
    placeholder->deleteLater();
    return made;
}

void SettingsView::showPane(SettingsPane shown) {
    pane(shown);
    const int row = static_cast<int>(indexOf(shown));
    detail_->setCurrentIndex(row);
    if (sidebar_->currentRow() != row)
        sidebar_->setCurrentRow(row);
}

RuleEditorView* SettingsView::editor() const {
    return editor_;
}

void SettingsView::edit(const RuleDraft& draft, bool isNew) {
    if (editor_)
        return;
    editor_ = new RuleEditorView(
        draft, isNew,
        [this, isNew](std::optional<PurgeRule> rule) {
            if (rule && isNew)
                model_.addRule(*rule);
            else if (rule)
                model_.updateRule(*rule);
            if (editor_)
                editor_->deleteLater();
            editor_.clear();
        },
        this);
    editor_->open();
}

} // namespace dustlyn
