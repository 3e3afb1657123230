#include "app/settings/HistoryPane.h"

#include "app/model/AppModel.h"
#include "app/settings/Card.h"
#include "app/settings/HistoryText.h"
#include "app/settings/SettingsStyle.h"
#include "app/settings/SymbolIcon.h"
#include "core/quarantine/FileSystemCalls.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace dustlyn {

namespace {

// Rows enough to fill the first screen of the tallest window.
constexpr std::size_t firstScreen = 24;

} // namespace

HistoryPane::HistoryPane(AppModel& model, SettingsServices services, QWidget* parent)
    : LivePane(model, parent), services_(std::move(services)),
      empty_(SettingsStyle::note(QStringLiteral("Nothing yet. Your first sweep shows up here."),
                                 this, 13)),
      card_(new Card(this)), dayChange_(new QTimer(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(16);
    layout->addWidget(SettingsStyle::note(
        QStringLiteral("Everything Dustlyn moved, deleted or restored. Files still in quarantine "
                       "can be restored."),
        this, 13));
    layout->addWidget(empty_);
    layout->addWidget(card_);
    const QColor ink = palette().color(QPalette::WindowText);
    for (const auto kind : {HistoryEntry::Kind::quarantined, HistoryEntry::Kind::deleted,
                            HistoryEntry::Kind::restored})
        icons_[static_cast<std::size_t>(kind)] =
            SymbolIcon::icon(HistoryRow::symbolOf(kind), ink)
                .pixmap(QSize(HistoryRow::iconSide, HistoryRow::iconSide), devicePixelRatioF());
    dayChange_->setSingleShot(true);
    dayChange_->setTimerType(Qt::VeryCoarseTimer);
    connect(dayChange_, &QTimer::timeout, this, [this] {
        scheduleRefresh();
        armDayChange();
    });
    connect(&model_, &AppModel::historyChanged, this, &HistoryPane::scheduleRefresh);
    // The retention reads in the captions of deletions; the quarantine decides "Restore".
    connect(&model_, &AppModel::configChanged, this, &HistoryPane::scheduleRefresh);
    connect(&model_, &AppModel::quarantinedChanged, this, &HistoryPane::scheduleRefresh);
}

std::vector<HistoryRow::Shown> HistoryPane::current() const {
    const Date now = services_.clock->now();
    const double retention = model_.config().quarantineTTL;
    const auto& home = model_.folders().home;
    std::vector<HistoryRow::Shown> rows;
    for (const HistoryEntry* entry : HistoryText::newest(model_.history())) {
        const bool restorable = entry->kind == HistoryEntry::Kind::quarantined &&
                                itemKind(entry->quarantinePath) == ItemKind::file;
        rows.push_back({*entry,
                        QString::fromStdString(HistoryText::caption(*entry, retention, home)),
                        QString::fromStdString(HistoryText::time(entry->date, now)), restorable});
    }
    return rows;
}

void HistoryPane::refresh() {
    const auto rows = current();
    empty_->setVisible(rows.empty());
    card_->setVisible(!rows.empty());
    const bool firstFill = card_->rowCount() == 0 && rows.size() > firstScreen;
    fill(rows, firstFill ? firstScreen : rows.size());
    waiting_ = firstFill ? rows : std::vector<HistoryRow::Shown>{};
}

void HistoryPane::fill(const std::vector<HistoryRow::Shown>& rows, std::size_t count) {
    card_->truncate(static_cast<int>(count));
    for (auto i = static_cast<std::size_t>(card_->rowCount()); i < count; ++i)
        card_->appendRow(new HistoryRow([this](const HistoryEntry& entry) {
            if (model_.restore(entry.quarantinePath))
                return QString();
            return QString::fromStdString(model_.lastRestoreError());
        }));
    // Each row redraws only when what it shows differs.
    for (std::size_t i = 0; i < count; ++i) {
        auto* row = static_cast<HistoryRow*>(card_->row(static_cast<int>(i))->content());
        row->setShown(rows[i], icons_[static_cast<std::size_t>(rows[i].entry.kind)]);
    }
}

void HistoryPane::paintEvent(QPaintEvent* event) {
    LivePane::paintEvent(event);
    if (!waiting_.empty())
        QMetaObject::invokeMethod(this, &HistoryPane::fillTheRest, Qt::QueuedConnection);
}

void HistoryPane::fillTheRest() {
    if (waiting_.empty())
        return;
    const auto rows = std::move(waiting_);
    waiting_.clear();
    fill(rows, rows.size());
}

std::vector<HistoryRow*> HistoryPane::rows() const {
    std::vector<HistoryRow*> shown;
    shown.reserve(static_cast<std::size_t>(card_->rowCount()));
    for (int i = 0; i < card_->rowCount(); ++i)
        shown.push_back(static_cast<HistoryRow*>(card_->row(i)->content()));
    return shown;
}

void HistoryPane::armDayChange() {
    const Date now = services_.clock->now();
    const double seconds = secondsBetween(now, HistoryText::nextChange(now)) + 1;
    dayChange_->start(static_cast<int>(std::clamp(seconds, 1.0, 86400.0) * 1000));
}

void HistoryPane::showEvent(QShowEvent* event) {
    armDayChange();
    LivePane::showEvent(event);
}

void HistoryPane::hideEvent(QHideEvent* event) {
    dayChange_->stop();
    LivePane::hideEvent(event);
}

} // namespace dustlyn
