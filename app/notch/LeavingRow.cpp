#include "app/notch/LeavingRow.h"

#include "app/brand/Palette.h"
#include "app/insights/FileInsights.h"
#include "app/model/AppModel.h"
#include "app/notch/NotchButton.h"
#include "app/notch/NotchDerived.h"
#include "app/notch/NotchLabel.h"
#include "app/notch/NotchViewModel.h"
#include "app/platform/FileBrowser.h"

#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

struct LeaveIn {
    const char* label;
    double seconds;
};
constexpr LeaveIn leaveIn[] = {
    {"10 minutes", 600}, {"1 hour", 3600}, {"1 day", 86400}, {"1 week", 604800}};

} // namespace

LeavingRow::LeavingRow(const NotchContext& context, QWidget* parent)
    : FileRow(context.thumbnails, parent), context_(context),
      countdown_(new NotchLabel(12, QFont::Medium, Palette::notchText(), this)),
      clock_(new NotchLabel(10, QFont::Normal, Palette::notchDim(), this)),
      keep_(new NotchButton(QStringLiteral("Keep"), false, std::nullopt, this)) {
    countdown_->setMonospacedDigits(true);
    countdown_->setAlignment(Qt::AlignRight);
    clock_->setAlignment(Qt::AlignRight);
    keep_->setToolTip(QStringLiteral("Keep this file forever"));
    auto* time = new QVBoxLayout;
    time->setSpacing(1);
    time->addStretch(1);
    time->addWidget(countdown_, 0, Qt::AlignRight);
    time->addWidget(clock_, 0, Qt::AlignRight);
    time->addStretch(1);
    trailing().addLayout(time);
    trailing().addWidget(keep_, 0, Qt::AlignVCenter);
    connect(keep_, &QAbstractButton::clicked, this, [this] { context_.model.keep(matched_.url); });
}

void LeavingRow::bind(const MatchedFile& file) {
    matched_ = file;
    setFile(file.url, detailText());
    refreshTime();
}

QString LeavingRow::detailText() {
    if (sourceOf_ != matched_.url || source_.isEmpty()) {
        sourceOf_ = matched_.url;
        // A download names the site it came from; anything else its folder.
        const auto site = FileInsights::source(matched_.url);
        source_ = site ? QString::fromStdString(*site)
                       : QFile::decodeName(
                             std::filesystem::path(matched_.url).parent_path().filename().c_str());
    }
    return source_ + QStringLiteral(" · ") + QString::fromStdString(matched_.sizeFormatted()) +
           QStringLiteral(" · ") + QString::fromStdString(context_.model.reason(matched_));
}

QString LeavingRow::countdown() const {
    const double remaining = secondsBetween(context_.vm.now(), matched_.deadline);
    if (remaining <= 0)
        return QStringLiteral("Now");
    return QString::fromStdString(FileInsights::countdown(remaining));
}

QColor LeavingRow::countdownColor() const {
    const double remaining = secondsBetween(context_.vm.now(), matched_.deadline);
    return remaining < NotchDerived::countdownWindow ? Palette::signal() : Palette::notchText();
}

QString LeavingRow::clock() const {
    return QString::fromStdString(FileInsights::clock(matched_.deadline, context_.vm.now()));
}

void LeavingRow::refreshTime() {
    countdown_->setLine(countdown());
    countdown_->setColor(countdownColor());
    clock_->setLine(clock());
}

QMenu* LeavingRow::makeMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    const std::filesystem::path url = matched_.url;
    AppModel& model = context_.model;
    FileBrowser& browser = context_.fileBrowser;
    menu->addAction(QStringLiteral("Show in Folder"), [&browser, url] { browser.reveal(url); });
    menu->addAction(QStringLiteral("Open"), [&browser, url] { browser.open(url); });
    menu->addSeparator();
    QMenu* later = menu->addMenu(QStringLiteral("Leave in…"));
    for (const LeaveIn& choice : leaveIn) {
        const double seconds = choice.seconds;
        later->addAction(QString::fromUtf8(choice.label),
                         [&model, url, seconds] { model.setTimer(url, seconds); });
    }
    menu->addAction(QStringLiteral("Move to quarantine now"),
                    [&model, url] { model.removeNow(url); });
    menu->addAction(QStringLiteral("Keep forever"), [&model, url] { model.keep(url); });
    return menu;
}

} // namespace dustlyn
