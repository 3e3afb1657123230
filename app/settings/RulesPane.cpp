#include "app/settings/RulesPane.h"

#include "app/model/AppModel.h"
#include "app/settings/Card.h"
#include "app/settings/SettingsStyle.h"
#include "app/settings/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dustlyn {

RulesPane::RulesPane(AppModel& model, Edit onEdit, QWidget* parent)
    : LivePane(model, parent), onEdit_(std::move(onEdit)), card_(new Card(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(SettingsStyle::stackSpacing);
    layout->addWidget(SettingsStyle::note(
        QStringLiteral("Click an underlined word to change it. Files move to quarantine first, "
                       "so you can always get them back."),
        this, 13));
    layout->addWidget(card_);

    auto* buttons = new QHBoxLayout;
    auto* add = SettingsStyle::button(QStringLiteral("New rule"), this);
    add->setIcon(SymbolIcon::icon(Symbol::plus, palette().color(QPalette::ButtonText)));
    connect(add, &QPushButton::clicked, this, [this] { onEdit_(RuleDraft::newRule(), true); });
    auto* reset = SettingsStyle::button(QStringLiteral("Reset to defaults"), this);
    reset->setToolTip(QStringLiteral("Restore the built-in rules, discarding custom ones"));
    reset->setAccessibleDescription(reset->toolTip());
    connect(reset, &QPushButton::clicked, this, [this] { model_.resetRules(); });
    buttons->addWidget(add);
    buttons->addWidget(reset);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(&model_, &AppModel::configChanged, this, &RulesPane::scheduleRefresh);
    connect(&model_, &AppModel::lastScanChanged, this, &RulesPane::scheduleRefresh);
}

RulesPane::Shown RulesPane::current() const {
    Shown rows;
    rows.reserve(model_.config().rules.size());
    for (const auto& rule : model_.config().rules) {
        WaitingFiles waiting;
        for (const auto& file : model_.files(rule.id)) {
            ++waiting.count;
            waiting.size += file.size;
        }
        rows.emplace_back(rule, waiting);
    }
    return rows;
}

void RulesPane::refresh() {
    Shown rows = current();
    if (drawn_ && rows == shown_)
        return;
    drawn_ = true;
    // Rows are reused in place, so a row keeps the keyboard focus across a change it made.
    card_->truncate(static_cast<int>(rows.size()));
    for (int i = card_->rowCount(); i < static_cast<int>(rows.size()); ++i)
        card_->appendRow(new RuleSentence(
            model_, [this](const PurgeRule& rule) { onEdit_(RuleDraft::from(rule), false); }));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* sentence = static_cast<RuleSentence*>(card_->row(static_cast<int>(i))->content());
        sentence->setRule(rows[i].first, rows[i].second);
    }
    card_->setVisible(!rows.empty());
    shown_ = std::move(rows);
}

std::vector<RuleSentence*> RulesPane::sentences() const {
    std::vector<RuleSentence*> rows;
    rows.reserve(static_cast<std::size_t>(card_->rowCount()));
    for (int i = 0; i < card_->rowCount(); ++i)
        rows.push_back(static_cast<RuleSentence*>(card_->row(i)->content()));
    return rows;
}

} // namespace dustlyn
