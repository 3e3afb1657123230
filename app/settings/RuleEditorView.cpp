#include "app/settings/RuleEditorView.h"

#include "app/settings/Card.h"
#include "app/settings/SettingsStyle.h"
#include "app/settings/SwitchButton.h"
#include "app/settings/SymbolIcon.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace dustlyn {

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(SettingsStyle::font(12, QFont::DemiBold));
    return label;
}

QLineEdit* field(const QString& text, const QString& placeholder, const QString& name,
                 QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setPlaceholderText(placeholder);
    edit->setAccessibleName(name);
    edit->setObjectName(name);
    return edit;
}

QToolButton* removeButton(const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(SymbolIcon::icon(Symbol::minusCircle, parent->palette().color(QPalette::Text)));
    button->setAutoRaise(true);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setObjectName(tip);
    return button;
}

QPushButton* addButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(
        SymbolIcon::icon(Symbol::plus, parent->palette().color(QPalette::ButtonText)), text,
        parent);
    button->setObjectName(text);
    return button;
}

// The number as the user types it, in their locale or with a plain dot; anything else is
// not a number.
double parseAge(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    if (ok)
        return value;
    const double plain = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? plain : std::numeric_limits<double>::quiet_NaN();
}

QString placeholderFor(MatcherDraft::Kind kind) {
    return kind == MatcherDraft::Kind::glob ? QStringLiteral("e.g. Screenshot*.png")
                                            : QStringLiteral("e.g. png");
}

QString valueNameFor(MatcherDraft::Kind kind) {
    return kind == MatcherDraft::Kind::glob ? QStringLiteral("Glob pattern")
                                            : QStringLiteral("Extension");
}

} // namespace

RuleEditorView::RuleEditorView(RuleDraft draft, bool isNew, Done onDone, QWidget* parent)
    : QDialog(parent), draft_(std::move(draft)), isNew_(isNew), onDone_(std::move(onDone)) {
    setWindowTitle(isNew_ ? QStringLiteral("New rule") : QStringLiteral("Edit rule"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(480);

    auto* form = new QWidget;
    auto* sections = new QVBoxLayout(form);
    sections->setContentsMargins(20, 20, 20, 12);
    sections->setSpacing(18);
    sections->addWidget(nameSection());
    sections->addWidget(foldersSection());
    sections->addWidget(matchersSection());
    sections->addWidget(ageSection());
    sections->addStretch(1);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(form);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scroll, 1);
    layout->addWidget(divider);
    layout->addWidget(footer());
    resize(520, 600);
    updateSaveButton();
}

QWidget* RuleEditorView::nameSection() {
    auto* card = new Card;
    auto* nameRow = new QWidget;
    auto* nameLine = new QHBoxLayout(nameRow);
    nameLine->setContentsMargins(0, 0, 0, 0);
    auto* nameLabel = new QLabel(QStringLiteral("Name"), nameRow);
    auto* name = field(qt(draft_.name), {}, QStringLiteral("Name"), nameRow);
    nameLabel->setBuddy(name);
    nameLine->addWidget(nameLabel);
    nameLine->addWidget(name, 1);
    connect(name, &QLineEdit::textEdited, this, [this](const QString& text) {
        draft_.name = text.toStdString();
        updateSaveButton();
    });
    card->appendRow(nameRow);

    auto* enabledRow = new QWidget;
    auto* enabledLine = new QHBoxLayout(enabledRow);
    enabledLine->setContentsMargins(0, 0, 0, 0);
    auto* enabled =
        new SwitchButton(QStringLiteral("Enabled"), SwitchButton::Size::regular, enabledRow);
    enabled->setObjectName(QStringLiteral("Enabled"));
    enabled->setOn(draft_.enabled);
    auto* enabledLabel = new QLabel(QStringLiteral("Enabled"), enabledRow);
    enabledLabel->setBuddy(enabled);
    enabledLine->addWidget(enabledLabel);
    enabledLine->addStretch(1);
    enabledLine->addWidget(enabled);
    connect(enabled, &SwitchButton::toggled, this, [this](bool on) {
        draft_.enabled = on;
        updateSaveButton();
    });
    card->appendRow(enabledRow);
    return card;
}

QWidget* RuleEditorView::foldersSection() {
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading(QStringLiteral("Folders to watch"), section));
    folderCard_ = new Card(section);
    layout->addWidget(folderCard_);
    auto* add = addButton(QStringLiteral("Add folder"), section);
    connect(add, &QPushButton::clicked, this, [this] {
        draft_.folders.push_back({Uuid::random(), "~/"});
        rebuildFolderRows(static_cast<int>(draft_.folders.size()) - 1);
    });
    layout->addWidget(add, 0, Qt::AlignLeft);
    rebuildFolderRows(-1);
    return section;
}

QWidget* RuleEditorView::folderRow(const FolderDraft& row) {
    auto* widget = new QWidget;
    auto* line = new QHBoxLayout(widget);
    line->setContentsMargins(0, 0, 0, 0);
    auto* path = field(qt(row.path), QStringLiteral("Folder path (e.g. ~/Downloads)"),
                       QStringLiteral("Folder path"), widget);
    const Uuid id = row.id;
    connect(path, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        for (auto& folder : draft_.folders)
            if (folder.id == id)
                folder.path = text.toStdString();
        updateSaveButton();
    });
    auto* remove = removeButton(QStringLiteral("Remove folder"), widget);
    connect(remove, &QToolButton::clicked, this, [this, id] {
        const auto at = std::find_if(draft_.folders.begin(), draft_.folders.end(),
                                     [&](const FolderDraft& f) { return f.id == id; });
        const int index = static_cast<int>(at - draft_.folders.begin());
        std::erase_if(draft_.folders, [&](const FolderDraft& f) { return f.id == id; });
        rebuildFolderRows(std::min(index, static_cast<int>(draft_.folders.size()) - 1));
    });
    line->addWidget(path, 1);
    line->addWidget(remove);
    return widget;
}

void RuleEditorView::rebuildFolderRows(int focusRow) {
    folderCard_->truncate(0);
    folderCard_->setVisible(!draft_.folders.empty());
    for (const auto& row : draft_.folders)
        folderCard_->appendRow(folderRow(row));
    if (focusRow >= 0 && focusRow < folderCard_->rowCount())
        folderCard_->row(focusRow)->content()->findChild<QLineEdit*>()->setFocus();
    else if (focusRow < 0 && draft_.folders.empty() && isVisible())
        findChild<QPushButton*>(QStringLiteral("Add folder"))->setFocus();
    updateSaveButton();
}

QWidget* RuleEditorView::matchersSection() {
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading(QStringLiteral("Matchers"), section));
    matcherCard_ = new Card(section);
    layout->addWidget(matcherCard_);
    auto* add = addButton(QStringLiteral("Add matcher"), section);
    connect(add, &QPushButton::clicked, this, [this] {
        draft_.matchers.push_back({Uuid::random(), MatcherDraft::Kind::extensionMatch, ""});
        rebuildMatcherRows(static_cast<int>(draft_.matchers.size()) - 1);
    });
    layout->addWidget(add, 0, Qt::AlignLeft);
    layout->addWidget(SettingsStyle::note(
        QStringLiteral("A file matches the rule if it matches ANY matcher."), section, 11.5));
    rebuildMatcherRows(-1);
    return section;
}

QWidget* RuleEditorView::matcherRow(const MatcherDraft& row) {
    auto* widget = new QWidget;
    auto* line = new QHBoxLayout(widget);
    line->setContentsMargins(0, 0, 0, 0);
    auto* kind = new QComboBox(widget);
    kind->setAccessibleName(QStringLiteral("Matcher kind"));
    kind->setObjectName(QStringLiteral("Matcher kind"));
    for (const auto k : {MatcherDraft::Kind::extensionMatch, MatcherDraft::Kind::glob,
                         MatcherDraft::Kind::anyFile})
        kind->addItem(qt(MatcherDraft::label(k)));
    kind->setCurrentIndex(static_cast<int>(row.kind));
    kind->setFixedWidth(120);
    auto* value = field(qt(row.value), placeholderFor(row.kind), valueNameFor(row.kind), widget);
    value->setVisible(row.kind != MatcherDraft::Kind::anyFile);
    const Uuid id = row.id;
    auto change = [this, id](const std::function<void(MatcherDraft&)>& edit) {
        for (auto& matcher : draft_.matchers)
            if (matcher.id == id)
                edit(matcher);
        updateSaveButton();
    };
    connect(kind, &QComboBox::currentIndexChanged, this, [change, value](int index) {
        const auto chosen = static_cast<MatcherDraft::Kind>(index);
        value->setVisible(chosen != MatcherDraft::Kind::anyFile);
        value->setPlaceholderText(placeholderFor(chosen));
        value->setAccessibleName(valueNameFor(chosen));
        change([chosen](MatcherDraft& m) { m.kind = chosen; });
    });
    connect(value, &QLineEdit::textEdited, this, [change](const QString& text) {
        change([&](MatcherDraft& m) { m.value = text.toStdString(); });
    });
    auto* remove = removeButton(QStringLiteral("Remove matcher"), widget);
    connect(remove, &QToolButton::clicked, this, [this, id] {
        const auto at = std::find_if(draft_.matchers.begin(), draft_.matchers.end(),
                                     [&](const MatcherDraft& m) { return m.id == id; });
        const int index = static_cast<int>(at - draft_.matchers.begin());
        std::erase_if(draft_.matchers, [&](const MatcherDraft& m) { return m.id == id; });
        rebuildMatcherRows(std::min(index, static_cast<int>(draft_.matchers.size()) - 1));
    });
    line->addWidget(kind);
    line->addWidget(value, 1);
    line->addStretch(0);
    line->addWidget(remove);
    return widget;
}

void RuleEditorView::rebuildMatcherRows(int focusRow) {
    matcherCard_->truncate(0);
    matcherCard_->setVisible(!draft_.matchers.empty());
    for (const auto& row : draft_.matchers)
        matcherCard_->appendRow(matcherRow(row));
    if (focusRow >= 0 && focusRow < matcherCard_->rowCount())
        matcherCard_->row(focusRow)->content()->findChild<QComboBox*>()->setFocus();
    else if (focusRow < 0 && draft_.matchers.empty() && isVisible())
        findChild<QPushButton*>(QStringLiteral("Add matcher"))->setFocus();
    updateSaveButton();
}

QWidget* RuleEditorView::ageSection() {
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(heading(QStringLiteral("Age threshold"), section));
    auto* card = new Card(section);

    auto* ageRow = new QWidget;
    auto* ageLine = new QHBoxLayout(ageRow);
    ageLine->setContentsMargins(0, 0, 0, 0);
    auto* ageLabel = new QLabel(QStringLiteral("Age"), ageRow);
    auto* age =
        field(QLocale().toString(draft_.ageValue, 'g', 15), {}, QStringLiteral("Age"), ageRow);
    ageLabel->setBuddy(age);
    age->setMaximumWidth(120);
    auto* unit = new QComboBox(ageRow);
    unit->setAccessibleName(QStringLiteral("Unit"));
    unit->setObjectName(QStringLiteral("Unit"));
    for (const auto u : {RuleDraft::AgeUnit::seconds, RuleDraft::AgeUnit::minutes,
                         RuleDraft::AgeUnit::hours, RuleDraft::AgeUnit::days})
        unit->addItem(qt(RuleDraft::label(u)));
    unit->setCurrentIndex(static_cast<int>(draft_.ageUnit));
    connect(age, &QLineEdit::textEdited, this, [this](const QString& text) {
        draft_.ageValue = parseAge(text);
        updateSaveButton();
    });
    connect(unit, &QComboBox::currentIndexChanged, this, [this](int index) {
        draft_.ageUnit = static_cast<RuleDraft::AgeUnit>(index);
        updateSaveButton();
    });
    ageLine->addWidget(ageLabel);
    ageLine->addWidget(age);
    ageLine->addWidget(unit);
    ageLine->addStretch(1);
    card->appendRow(ageRow);

    auto* basisRow = new QWidget;
    auto* basisLine = new QHBoxLayout(basisRow);
    basisLine->setContentsMargins(0, 0, 0, 0);
    auto* basisLabel = new QLabel(QStringLiteral("Basis"), basisRow);
    auto* basis = new QComboBox(basisRow);
    basis->setAccessibleName(QStringLiteral("Basis"));
    basis->setObjectName(QStringLiteral("Basis"));
    basis->addItem(QStringLiteral("Modification date"));
    basis->addItem(QStringLiteral("Creation date"));
    basis->setCurrentIndex(draft_.ageBasis == AgeBasis::creation ? 1 : 0);
    basisLabel->setBuddy(basis);
    connect(basis, &QComboBox::currentIndexChanged, this, [this](int index) {
        draft_.ageBasis = index == 1 ? AgeBasis::creation : AgeBasis::modification;
        updateSaveButton();
    });
    basisLine->addWidget(basisLabel);
    basisLine->addStretch(1);
    basisLine->addWidget(basis);
    card->appendRow(basisRow);

    layout->addWidget(card);
    layout->addWidget(SettingsStyle::note(
        QStringLiteral("Files older than this (by the chosen date) are moved to quarantine."),
        section, 11.5));
    return section;
}

QWidget* RuleEditorView::footer() {
    auto* bar = new QWidget(this);
    auto* line = new QHBoxLayout(bar);
    line->setContentsMargins(20, 12, 20, 14);
    if (isNew_)
        line->addWidget(SettingsStyle::note(QStringLiteral("New rule"), bar));
    line->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), bar);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    save_ = new QPushButton(isNew_ ? QStringLiteral("Add Rule") : QStringLiteral("Save"), bar);
    save_->setObjectName(QStringLiteral("Save"));
    save_->setDefault(true);
    connect(save_, &QPushButton::clicked, this, &QDialog::accept);
    line->addWidget(cancel);
    line->addWidget(save_);
    return bar;
}

void RuleEditorView::updateSaveButton() {
    if (save_)
        save_->setEnabled(draft_.toRule().has_value());
}

void RuleEditorView::done(int result) {
    std::optional<PurgeRule> rule;
    if (result == QDialog::Accepted) {
        rule = draft_.toRule();
        // Return reaches accept() only through the enabled button, but be sure.
        if (!rule)
            return;
    }
    QDialog::done(result);
    if (finished_)
        return;
    finished_ = true;
    if (onDone_)
        onDone_(std::move(rule));
}

} // namespace dustlyn
