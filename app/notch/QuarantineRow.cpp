#include "app/notch/QuarantineRow.h"

#include "app/insights/FileInsights.h"
#include "app/model/AppModel.h"
#include "app/notch/NotchButton.h"
#include "app/notch/NotchViewModel.h"
#include "app/platform/FileBrowser.h"

#include <QHBoxLayout>
#include <QMenu>

namespace dustlyn {

QuarantineRow::QuarantineRow(const NotchContext& context, QWidget* parent)
    : FileRow(context.thumbnails, parent), context_(context),
      restore_(new NotchButton(QStringLiteral("Restore"), false, std::nullopt, this)) {
    restore_->setToolTip(QStringLiteral("Put it back where it was, and keep it"));
    trailing().addWidget(restore_, 0, Qt::AlignVCenter);
    connect(restore_, &QAbstractButton::clicked, this,
            [this] { context_.model.restore(quarantined_.url); });
}

void QuarantineRow::bind(const QuarantinedFile& file) {
    quarantined_ = file;
    setFile(file.url,
            QString::fromStdString(file.sizeFormatted() + " · deleted " +
                                   FileInsights::clock(file.expiresDate, context_.vm.now())));
}

QMenu* QuarantineRow::makeMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    const std::filesystem::path url = quarantined_.url;
    AppModel& model = context_.model;
    FileBrowser& browser = context_.fileBrowser;
    menu->addAction(QStringLiteral("Restore"), [&model, url] { model.restore(url); });
    menu->addAction(QStringLiteral("Show in Folder"), [&browser, url] { browser.reveal(url); });
    return menu;
}

} // namespace dustlyn
