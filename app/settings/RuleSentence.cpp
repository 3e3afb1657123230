#include "app/settings/RuleSentence.h"

#include "app/model/AppModel.h"
#include "app/model/RuleWords.h"
#include "app/settings/FlowLayout.h"
#include "app/settings/SettingsStyle.h"
#include "app/settings/SwitchButton.h"
#include "app/settings/SymbolIcon.h"
#include "app/settings/Token.h"
#include "core/config/DurationText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

constexpr int ellipsisSide = 22;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

EllipsisButton::EllipsisButton(QWidget* parent) : QPushButton(parent) {
    setFixedSize(ellipsisSide, ellipsisSide);
    setFlat(true);
    setAutoDefault(true);
    setToolTip(QStringLiteral("More"));
    setAccessibleName(QStringLiteral("More"));
}

void EllipsisButton::setRevealed(bool revealed) {
    if (revealed == revealed_)
        return;
    revealed_ = revealed;
    update();
}

void EllipsisButton::paintEvent(QPaintEvent*) {
    if (!revealed())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (hasFocus() || isDown() || underMouse()) {
        QColor back = palette().color(QPalette::WindowText);
        back.setAlphaF(hasFocus() ? 0.16f : 0.08f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(back);
        painter.drawRoundedRect(QRectF(rect()), 5, 5);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    SymbolIcon::draw(Symbol::ellipsis, painter, QRectF(3, 3, ellipsisSide - 6, ellipsisSide - 6));
}

RuleSentence::RuleSentence(AppModel& model, std::function<void(const PurgeRule&)> onEdit,
                           QWidget* parent)
    : QWidget(parent), model_(model), onEdit_(std::move(onEdit)) {
    // Made in reading order: screen readers and the Tab key follow the order of creation.
    QWidget* words = sentence();
    secondary_ = SettingsStyle::note({}, this, 11.5);
    secondary_->setObjectName(QStringLiteral("waiting"));
    switch_ = new SwitchButton({}, SwitchButton::Size::small, this);
    connect(switch_, &SwitchButton::toggled, this, [this] { model_.toggleRule(rule_.id); });
    more_ = new EllipsisButton(this);
    auto* menu = new QMenu;
    connect(
        menu->addAction(QStringLiteral("Edit…")), &QAction::triggered, this,
        [this] { onEdit_(rule_); }, Qt::QueuedConnection);
    connect(
        menu->addAction(QStringLiteral("Delete")), &QAction::triggered, this,
        [this] { model_.removeRule(rule_.id); }, Qt::QueuedConnection);
    attachMenu(*more_, menu);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(words);
    texts->addWidget(secondary_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addLayout(texts, 1);
    layout->addWidget(switch_, 0, Qt::AlignVCenter);
    layout->addWidget(more_, 0, Qt::AlignVCenter);
}

QWidget* RuleSentence::sentence() {
    flow_ = new QWidget(this);
    auto* flow = new FlowLayout(4, 2, flow_);
    flow->addWidget(wordLabel(QStringLiteral("Move"), flow_));
    kind_ = new Token({}, false, flow_);
    connect(kind_, &Token::clicked, this, [this] { onEdit_(rule_); });
    flow->addWidget(kind_);
    flow->addWidget(wordLabel(QStringLiteral("from"), flow_));
    folders_ = new TokenMenu({}, false, {}, flow_);
    flow->addWidget(folders_);
    for (auto& label : connecting_) {
        label = wordLabel({}, flow_);
        flow->addWidget(label);
    }
    age_ = new TokenMenu({}, false, {}, flow_);
    flow->addWidget(age_);
    return flow_;
}

void RuleSentence::setRule(const PurgeRule& rule, WaitingFiles waiting) {
    rule_ = rule;
    kind_->setTokenText(qt(RuleWords::kindText(rule)));
    kind_->setToolTip(qt(RuleWords::matcherSummary(rule)));
    folders_->setTokenText(qt(RuleWords::folderText(rule)));
    age_->setTokenText(qt(RuleWords::ageText(rule)));
    const QStringList connecting = words(qt(RuleWords::connectingText(rule)));
    for (std::size_t i = 0; i < connecting_.size(); ++i) {
        const bool used = static_cast<qsizetype>(i) < connecting.size();
        connecting_[i]->setText(used ? connecting.at(static_cast<qsizetype>(i)) : QString());
        connecting_[i]->setVisible(used);
    }
    secondary_->setText(secondaryText(rule.enabled, waiting));
    switch_->setOn(rule.enabled);
    switch_->setAccessibleName(qt(RuleWords::text(rule)));
    updateMenus();
    updateOpacity();
}

void RuleSentence::updateMenus() {
    std::vector<TokenMenuItem> folderItems;
    for (const auto& folder : rule_.folders)
        folderItems.push_back({qt(folder), {}, false, false});
    folderItems.push_back({});
    folderItems.push_back({QStringLiteral("Change folders…"), [this] { onEdit_(rule_); }});
    folders_->setItems(std::move(folderItems));

    std::vector<TokenMenuItem> ageItems;
    for (const double seconds : ageChoices()) {
        ageItems.push_back({qt(DurationText::longText(seconds)),
                            [this, id = rule_.id, seconds] { setAge(id, seconds); },
                            rule_.ageThreshold == seconds});
    }
    ageItems.push_back({});
    ageItems.push_back({QStringLiteral("Custom…"), [this] { onEdit_(rule_); }});
    age_->setItems(std::move(ageItems));
}

// The rule as the model has it now: another change may have come in since the menu
// was made.
void RuleSentence::setAge(const Uuid& id, double seconds) {
    const auto& rules = model_.config().rules;
    const auto rule =
        std::find_if(rules.begin(), rules.end(), [&](const PurgeRule& r) { return r.id == id; });
    if (rule == rules.end())
        return;
    PurgeRule changed = *rule;
    changed.ageThreshold = seconds;
    model_.updateRule(changed);
}

void RuleSentence::updateOpacity() {
    QPalette colors = palette();
    QColor text = colors.color(QPalette::WindowText);
    text.setAlphaF(rule_.enabled ? 1.0f : 0.5f);
    colors.setColor(QPalette::WindowText, text);
    flow_->setPalette(colors);
}

QString RuleSentence::secondaryText(bool enabled, WaitingFiles waiting) {
    if (!enabled)
        return QStringLiteral("Off");
    if (waiting.count == 0)
        return QStringLiteral("Nothing waiting right now");
    return QString::number(waiting.count) + QStringLiteral(" file") +
           (waiting.count == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" waiting · ") +
           SettingsStyle::sizeText(waiting.size);
}

std::array<double, 9> RuleSentence::ageChoices() {
    return {0, 300, 900, 3600, 21600, 86400, 259200, 604800, 2592000};
}

void RuleSentence::enterEvent(QEnterEvent* event) {
    more_->setRevealed(true);
    QWidget::enterEvent(event);
}

void RuleSentence::leaveEvent(QEvent* event) {
    more_->setRevealed(false);
    QWidget::leaveEvent(event);
}

} // namespace dustlyn
