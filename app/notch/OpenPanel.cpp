#include "app/notch/OpenPanel.h"

#include "app/brand/Palette.h"
#include "app/notch/IconButton.h"
#include "app/notch/LeavingList.h"
#include "app/notch/LeavingSnapshot.h"
#include "app/notch/NotchButton.h"
#include "app/notch/NotchController.h"
#include "app/notch/NotchLabel.h"
#include "app/notch/NotchTabs.h"
#include "app/notch/QuarantineList.h"
#include "app/notch/SplitBar.h"
#include "core/base/ByteCount.h"
#include "core/config/DurationText.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

using Tab = NotchViewModel::Tab;

constexpr int rowHeight = 30; // header and footer
constexpr int splitHeight = 6;

QString ttlText(const AppModel& model) {
    return QString::fromStdString(DurationText::longText(model.config().quarantineTTL));
}

} // namespace

OpenPanel::OpenPanel(const NotchContext& context, QWidget* parent)
    : QWidget(parent), context_(context), tabs_(new NotchTabs),
      size_(new NotchLabel(12, QFont::DemiBold, Palette::notchDim())), split_(new SplitBar),
      lists_(new QStackedWidget), leaving_(new LeavingList(context)),
      quarantine_(new QuarantineList(context)),
      status_(new NotchLabel(11, QFont::Normal, Palette::notchDim())),
      cleanUp_(new NotchButton(QStringLiteral("Clean up now"), false)),
      pause_(new IconButton(NotchSymbol::Name::pause, QStringLiteral("Pause"))),
      settings_(new IconButton(NotchSymbol::Name::gear, QStringLiteral("Settings"))) {
    setAttribute(Qt::WA_TranslucentBackground);
    lists_->addWidget(leaving_);
    lists_->addWidget(quarantine_);
    split_->setFixedHeight(splitHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(18, 10, 18, 14);
    column->setSpacing(0);
    column->addWidget(makeHeader());
    column->addSpacing(6);
    column->addWidget(split_);
    column->addSpacing(10);
    column->addWidget(lists_, 1);
    column->addWidget(makeFooter());

    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        context_.vm.withAnimation(NotchAnimation::tabSpring(), [&] {
            context_.vm.setTab(index == 0 ? Tab::leaving : Tab::quarantine);
        });
    });
    connect(cleanUp_, &QAbstractButton::clicked, this,
            [this] { context_.model.sweepNow(SweepSource::everything, true); });
    connect(pause_, &QAbstractButton::clicked, this, [this] { context_.model.togglePaused(); });
    connect(settings_, &QAbstractButton::clicked, this,
            [this] { context_.controller.showSettings(); });
    for (NotchList* list :
         {static_cast<NotchList*>(leaving_), static_cast<NotchList*>(quarantine_)})
        connect(list, &NotchList::menuShown, this,
                [this](bool open) { context_.controller.setMenuOpen(open); });
    const auto refreshNow = [this] { refresh(); };
    connect(&context.vm, &NotchViewModel::tabChanged, this, refreshNow);
    connect(&context.leaving, &LeavingSnapshot::changed, this, refreshNow);
    connect(&context.model, &AppModel::quarantinedChanged, this, refreshNow);
    connect(&context.model, &AppModel::pausedChanged, this, refreshNow);
    connect(&context.model, &AppModel::historyChanged, this, refreshNow);
    connect(&context.model, &AppModel::configChanged, this, refreshNow);
}

QWidget* OpenPanel::makeHeader() {
    auto* header = new QWidget;
    header->setFixedHeight(rowHeight);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(tabs_);
    row->addStretch(1);
    size_->setMonospacedDigits(true);
    size_->setAlignment(Qt::AlignRight);
    row->addWidget(size_);
    return header;
}

QWidget* OpenPanel::makeFooter() {
    auto* footer = new QWidget;
    footer->setFixedHeight(rowHeight);
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    status_->setElideMode(Qt::ElideRight);
    row->addWidget(status_, 1);
    row->addWidget(cleanUp_);
    row->addWidget(pause_);
    row->addWidget(settings_);
    return footer;
}

QString OpenPanel::status(const AppModel& model) {
    if (model.paused())
        return QStringLiteral("Paused. Nothing moves until you resume.");
    const HistoryStats stats = model.statsThisMonth();
    if (stats.clearedCount == 0)
        return QStringLiteral("Quarantine keeps files ") + ttlText(model);
    const std::string size = stats.clearedSize == 0 ? "0 MB" : formatByteCount(stats.clearedSize);
    return QStringLiteral("Cleared ") + QString::fromStdString(size) +
           QStringLiteral(" this month");
}

void OpenPanel::showEvent(QShowEvent* event) {
    if (stale_)
        refresh();
    QWidget::showEvent(event);
}

void OpenPanel::refresh() {
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    const AppModel& model = context_.model;
    const bool onLeaving = context_.vm.tab() == Tab::leaving;
    const std::size_t leavingCount = context_.leaving.count();
    tabs_->setCounts(leavingCount, model.quarantined().size());
    tabs_->setCurrentIndex(onLeaving ? 0 : 1);
    lists_->setCurrentIndex(onLeaving ? 0 : 1);
    const std::int64_t bytes = onLeaving ? model.lastScan().totalSize : model.quarantinedSize();
    size_->setLine(bytes == 0 ? QString() : QString::fromStdString(formatByteCount(bytes)));
    std::vector<std::int64_t> parts;
    if (onLeaving)
        for (const auto& [rule, ruleBytes] : model.leavingByRule())
            parts.push_back(ruleBytes);
    split_->setParts(std::move(parts));
    status_->setLine(status(model));
    cleanUp_->setToolTip(QStringLiteral("Move every file in Leaving soon to quarantine now. You "
                                        "can undo, or restore them for ") +
                         ttlText(model) + QStringLiteral("."));
    cleanUp_->setVisible(!model.paused() && onLeaving && leavingCount > 0);
    if (model.paused())
        pause_->setSymbol(NotchSymbol::Name::play, QStringLiteral("Resume"));
    else
        pause_->setSymbol(NotchSymbol::Name::pause, QStringLiteral("Pause"));
}

} // namespace dustlyn
