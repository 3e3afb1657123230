#include "app/settings/KeptPane.h"

#include "app/model/AppModel.h"
#include "app/settings/Card.h"
#include "app/settings/SettingsStyle.h"
#include "core/base/Paths.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dustlyn {

namespace fs = std::filesystem;

KeptRow::KeptRow(std::function<void(const std::string&)> reveal,
                 std::function<void(const std::string&)> stopKeeping, QWidget* parent)
    : QWidget(parent), name_(new QLabel(this)), path_(SettingsStyle::note({}, this, 11.5)) {
    name_->setFont(SettingsStyle::font(13));
    name_->setTextFormat(Qt::PlainText);
    path_->setWordWrap(false);
    auto* show = SettingsStyle::button(QStringLiteral("Show"), this);
    connect(show, &QPushButton::clicked, this, [this, reveal] { reveal(pin_); });
    auto* stop = SettingsStyle::button(QStringLiteral("Stop keeping"), this);
    connect(stop, &QPushButton::clicked, this, [this, stopKeeping] { stopKeeping(pin_); });
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(name_);
    texts->addWidget(path_);
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->addLayout(texts, 1);
    line->addWidget(show, 0, Qt::AlignVCenter);
    line->addWidget(stop, 0, Qt::AlignVCenter);
}

void KeptRow::setPin(const std::string& pin, const fs::path& home) {
    pin_ = pin;
    const fs::path expanded = expandTilde(pin, home);
    const QString name = QString::fromStdString(expanded.filename().native());
    name_->setText(name);
    path_->setText(QString::fromStdString(abbreviateHome(expanded, home)));
    for (auto* button : findChildren<QPushButton*>())
        button->setAccessibleDescription(button->text() + QStringLiteral(" ") + name);
}

KeptPane::KeptPane(AppModel& model, SettingsServices services, QWidget* parent)
    : LivePane(model, parent), services_(std::move(services)),
      empty_(SettingsStyle::note(QStringLiteral("No kept files yet."), this, 13)),
      card_(new Card(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(SettingsStyle::stackSpacing);
    layout->addWidget(SettingsStyle::note(
        QStringLiteral("Kept files are never touched by any rule. Keep a file from the notch, or "
                       "add one here."),
        this, 13));
    layout->addWidget(empty_);
    layout->addWidget(card_);
    auto* keep = SettingsStyle::button(QStringLiteral("Keep a file…"), this);
    connect(keep, &QPushButton::clicked, this, &KeptPane::keepFiles);
    layout->addWidget(keep, 0, Qt::AlignLeft);
    connect(&model_, &AppModel::configChanged, this, &KeptPane::scheduleRefresh);
}

std::vector<std::string> KeptPane::spellingsOf(const std::vector<std::string>& pins,
                                               const std::string& pin, const fs::path& home) {
    const std::string standard = standardizePath(pin, home);
    std::vector<std::string> same;
    for (const auto& entry : pins)
        if (standardizePath(entry, home) == standard &&
            std::find(same.begin(), same.end(), entry) == same.end())
            same.push_back(entry);
    return same;
}

void KeptPane::stopKeeping(const std::string& pin) {
    for (const auto& entry : spellingsOf(model_.config().pins, pin, model_.folders().home))
        model_.removePin(entry);
}

void KeptPane::keepFiles() {
    if (!services_.chooser)
        return;
    for (const auto& file : services_.chooser->chooseFiles(window()))
        model_.addPin(file.native());
}

void KeptPane::refresh() {
    const auto& pins = model_.config().pins;
    if (drawn_ && pins == shown_)
        return;
    drawn_ = true;
    shown_ = pins;
    empty_->setVisible(pins.empty());
    card_->setVisible(!pins.empty());
    card_->truncate(static_cast<int>(pins.size()));
    for (int i = card_->rowCount(); i < static_cast<int>(pins.size()); ++i)
        card_->appendRow(new KeptRow(
            [this](const std::string& pin) {
                if (services_.fileBrowser)
                    services_.fileBrowser->reveal(expandTilde(pin, model_.folders().home));
            },
            [this](const std::string& pin) { stopKeeping(pin); }));
    for (std::size_t i = 0; i < pins.size(); ++i)
        static_cast<KeptRow*>(card_->row(static_cast<int>(i))->content())
            ->setPin(pins[i], model_.folders().home);
}

std::vector<KeptRow*> KeptPane::rows() const {
    std::vector<KeptRow*> shown;
    shown.reserve(static_cast<std::size_t>(card_->rowCount()));
    for (int i = 0; i < card_->rowCount(); ++i)
        shown.push_back(static_cast<KeptRow*>(card_->row(i)->content()));
    return shown;
}

} // namespace dustlyn
