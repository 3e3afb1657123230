#include "app/settings/OverviewPane.h"

#include "app/model/AppModel.h"
#include "app/model/ShareLink.h"
#include "app/settings/Card.h"
#include "app/settings/FlowLayout.h"
#include "app/settings/SettingsStyle.h"
#include "app/settings/SwitchButton.h"
#include "app/settings/SwitchRow.h"
#include "app/settings/Token.h"
#include "core/base/Paths.h"
#include "core/config/DurationText.h"
#include "core/config/QuarantineFolder.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

namespace fs = std::filesystem;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QString monthName(int month) {
    return month >= 1 && month <= 12 ? QLocale().standaloneMonthName(month) : QString();
}

} // namespace

OverviewPane::OverviewPane(AppModel& model, SettingsServices services,
                           std::function<void(bool)> onToggleIcon, QWidget* parent)
    : LivePane(model, parent), services_(std::move(services)),
      onToggleIcon_(std::move(onToggleIcon)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(SettingsStyle::stackSpacing);
    layout->addWidget(figures());
    layout->addWidget(sentence());
    layout->addWidget(settingsCard());
    connect(&model_, &AppModel::configChanged, this, &OverviewPane::scheduleRefresh);
    connect(&model_, &AppModel::historyChanged, this, &OverviewPane::scheduleRefresh);
}

std::array<double, 4> OverviewPane::intervalChoices() {
    return {60, 300, 900, 3600};
}

std::array<double, 7> OverviewPane::retentionChoices() {
    return {3600, 86400, 259200, 604800, 1209600, 2592000, 7776000};
}

QWidget* OverviewPane::figure(QLabel*& number, QLabel*& caption) {
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    number = new QLabel(box);
    number->setFont(SettingsStyle::font(28, QFont::DemiBold));
    caption = SettingsStyle::note({}, box, 11.5);
    caption->setWordWrap(false);
    column->addWidget(number);
    column->addWidget(caption);
    return box;
}

QWidget* OverviewPane::figures() {
    auto* row = new QWidget(this);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(36);
    for (std::size_t i = 0; i < numbers_.size(); ++i)
        line->addWidget(figure(numbers_[i], captions_[i]));
    line->addStretch(1);
    share_ = SettingsStyle::button({}, row);
    connect(share_, &QPushButton::clicked, this, [this] {
        const auto url = ShareLink::url(model_.statsThisMonth(), services_.clock->now());
        if (url && services_.openUrl)
            services_.openUrl(*url);
    });
    line->addWidget(share_, 0, Qt::AlignVCenter);
    return row;
}

QWidget* OverviewPane::sentence() {
    auto* box = new QWidget(this);
    auto* flow = new FlowLayout(4, 2, box);
    addWords(*flow, QStringLiteral("Check folders every"), box);
    interval_ = new TokenMenu({}, false, {}, box);
    flow->addWidget(interval_);
    addWords(*flow, QStringLiteral("and the moment a file appears. Keep quarantined files for"),
             box);
    retention_ = new TokenMenu({}, true, {}, box);
    flow->addWidget(retention_);
    addWords(*flow, QStringLiteral("then delete them for good."), box);
    return box;
}

QWidget* OverviewPane::quarantineRow() {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("Quarantine folder"), row);
    title->setFont(SettingsStyle::font(13));
    quarantinePath_ = SettingsStyle::note({}, row, 11.5);
    quarantinePath_->setWordWrap(false);
    quarantinePath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    quarantineMessage_ = SettingsStyle::note({}, row, 11.5);
    quarantineMessage_->hide();
    texts->addWidget(title);
    texts->addWidget(quarantinePath_);
    texts->addWidget(quarantineMessage_);
    auto* show = SettingsStyle::button(QStringLiteral("Show"), row);
    show->setAccessibleDescription(QStringLiteral("Shows the quarantine folder"));
    connect(show, &QPushButton::clicked, this, [this] {
        if (services_.fileBrowser)
            services_.fileBrowser->reveal(model_.config().quarantineURL(model_.folders().home));
    });
    auto* change = SettingsStyle::button(QStringLiteral("Change…"), row);
    change->setAccessibleDescription(QStringLiteral("Chooses another quarantine folder"));
    connect(change, &QPushButton::clicked, this, &OverviewPane::changeQuarantineFolder);
    line->addLayout(texts, 1);
    line->addWidget(show, 0, Qt::AlignVCenter);
    line->addWidget(change, 0, Qt::AlignVCenter);
    return row;
}

QWidget* OverviewPane::settingsCard() {
    auto* card = new Card(this);
    card->appendRow(quarantineRow());
    login_ = new SwitchRow(QStringLiteral("Open at login"),
                           QStringLiteral("Dustlyn starts quietly when you log in."));
    connect(login_->toggle(), &SwitchButton::toggled, this, &OverviewPane::changeLoginItem);
    card->appendRow(login_);
    menuBar_ = new SwitchRow(QStringLiteral("Also show in the menu bar"),
                             QStringLiteral("Handy if you prefer clicking."));
    connect(menuBar_->toggle(), &SwitchButton::toggled, this, [this](bool on) {
        if (onToggleIcon_)
            onToggleIcon_(on);
    });
    card->appendRow(menuBar_);
    emptyTrash_ = new SwitchRow(QStringLiteral("Empty the Trash after each sweep"),
                                QStringLiteral("Permanently deletes what's in the Trash."));
    connect(emptyTrash_->toggle(), &SwitchButton::toggled, this,
            [this](bool on) { model_.updateTrashAutoclean(on); });
    card->appendRow(emptyTrash_);
    return card;
}

OverviewPane::Shown OverviewPane::current() const {
    const Configuration& config = model_.config();
    const QDate today = QDateTime::fromSecsSinceEpoch(unixSeconds(services_.clock->now())).date();
    return {model_.statsThisMonth(),    today.month(),
            config.checkInterval,       config.quarantineTTL,
            config.quarantineDirectory, config.showMenuBarIcon,
            config.emptyTrash};
}

void OverviewPane::refresh() {
    const Shown now = current();
    if (drawn_ && now == shown_)
        return;
    drawn_ = true;
    shown_ = now;
    const QString month = monthName(now.month);
    numbers_[0]->setText(SettingsStyle::sizeText(now.stats.clearedSize));
    captions_[0]->setText(QStringLiteral("Cleared in ") + month);
    numbers_[1]->setText(QString::number(now.stats.clearedCount));
    captions_[1]->setText(QStringLiteral("Files cleared"));
    numbers_[2]->setText(QString::number(now.stats.restoredCount));
    captions_[2]->setText(QStringLiteral("Restored"));
    share_->setText(QStringLiteral("Share your ") + month + QStringLiteral("…"));
    share_->setVisible(now.stats.clearedCount >= 1);

    std::vector<TokenMenuItem> intervals;
    for (const double seconds : intervalChoices())
        intervals.push_back({qt(DurationText::longText(seconds)),
                             [this, seconds] {
                                 model_.updateGeneral(seconds, std::nullopt, std::nullopt,
                                                      std::nullopt);
                             },
                             seconds == now.interval});
    interval_->setTokenText(qt(DurationText::longText(now.interval)));
    interval_->setItems(std::move(intervals));

    std::vector<TokenMenuItem> retentions;
    for (const double seconds : retentionChoices())
        retentions.push_back({qt(DurationText::longText(seconds)),
                              // The model saves it, makes sure the folder exists and lists the
                              // quarantine again, so the new expiry dates show at once.
                              [this, seconds] {
                                  model_.updateGeneral(std::nullopt, std::nullopt, seconds,
                                                       std::nullopt);
                              },
                              seconds == now.retention});
    retention_->setTokenText(qt(DurationText::longText(now.retention)));
    retention_->setItems(std::move(retentions));

    const std::string path =
        abbreviateHome(model_.config().quarantineURL(model_.folders().home), model_.folders().home);
    quarantinePath_->setText(qt(path));
    quarantinePath_->setToolTip(qt(path));
    menuBar_->toggle()->setOn(now.menuBar);
    emptyTrash_->toggle()->setOn(now.emptyTrash);
}

void OverviewPane::showEvent(QShowEvent* event) {
    // Another program (or the user by hand) may have changed the autostart entry.
    if (services_.loginItem)
        login_->toggle()->setOn(services_.loginItem->enabled());
    LivePane::showEvent(event);
}

void OverviewPane::changeQuarantineFolder() {
    if (!services_.chooser)
        return;
    const auto chosen = services_.chooser->chooseFolder(window());
    if (!chosen)
        return;
    const std::string text = abbreviateHome(*chosen, model_.folders().home);
    const auto refusal = model_.updateGeneral(std::nullopt, text, std::nullopt, std::nullopt);
    quarantineMessage_->setText(refusal ? qt(*refusal) : dedicatedFolderNote(text));
    QPalette colors = quarantineMessage_->palette();
    colors.setColor(QPalette::WindowText,
                    refusal ? SettingsStyle::errorText() : SettingsStyle::secondaryText(palette()));
    quarantineMessage_->setPalette(colors);
    quarantineMessage_->setVisible(!quarantineMessage_->text().isEmpty());
}

// A folder that already held files was not taken as it is: its files would have been read
// as quarantined ones and deleted. Say where the quarantine went instead.
QString OverviewPane::dedicatedFolderNote(const std::string& chosen) const {
    const fs::path stored(model_.config().quarantineDirectory);
    const bool dedicated = stored.filename() == QuarantineFolder::dedicatedName &&
                           fs::path(chosen).filename() != QuarantineFolder::dedicatedName;
    if (!dedicated)
        return {};
    return qt(chosen) +
           QStringLiteral(" already holds files, so the quarantine is a new folder "
                          "inside it, \"") +
           QString::fromUtf8(QuarantineFolder::dedicatedName) + QStringLiteral("\".");
}

void OverviewPane::changeLoginItem(bool on) {
    if (!services_.loginItem)
        return;
    QString error;
    try {
        if (on)
            services_.loginItem->registerItem();
        else
            services_.loginItem->unregisterItem();
    } catch (const std::exception& failure) {
        error = QStringLiteral("Couldn't change the login item: ") +
                QString::fromLocal8Bit(failure.what());
    }
    login_->setError(error);
    // What the system now says, which may differ from what was asked for.
    login_->toggle()->setOn(services_.loginItem->enabled());
}

} // namespace dustlyn
