#include "app/notch/QuarantineList.h"

#include "app/model/AppModel.h"
#include "app/notch/EmptyState.h"
#include "app/notch/NotchViewModel.h"
#include "app/notch/QuarantineRow.h"
#include "core/config/DurationText.h"

namespace dustlyn {

namespace {

QString emptySubtitle(const AppModel& model) {
    return QStringLiteral("Files wait here ") +
           QString::fromStdString(DurationText::longText(model.config().quarantineTTL)) +
           QStringLiteral(" before they're deleted.");
}

} // namespace

QuarantineList::QuarantineList(const NotchContext& context, QWidget* parent)
    : NotchList(
          [context](QWidget* viewport) -> FileRow* { return new QuarantineRow(context, viewport); },
          [context](FileRow& row, std::size_t index) {
              static_cast<QuarantineRow&>(row).bind(context.model.quarantined()[index]);
          },
          [context] { return context.model.quarantined().size(); },
          new EmptyState(QStringLiteral("Quarantine is empty"), emptySubtitle(context.model)),
          parent),
      context_(context) {
    connect(&context.model, &AppModel::quarantinedChanged, this, &QuarantineList::reload);
    connect(&context.model, &AppModel::configChanged, this, &QuarantineList::reload);
    // The deletion day is a clock phrase ("Tomorrow 09:30") that moves with the day.
    connect(&context.vm, &NotchViewModel::nowChanged, this, &QuarantineList::reload);
}

std::vector<QuarantineRow*> QuarantineList::quarantineRows() const {
    std::vector<QuarantineRow*> found;
    for (FileRow* row : rows())
        found.push_back(static_cast<QuarantineRow*>(row));
    return found;
}

void QuarantineList::showEvent(QShowEvent* event) {
    if (stale_)
        reload();
    NotchList::showEvent(event);
}

void QuarantineList::reload() {
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    emptyState().setSubtitle(emptySubtitle(context_.model));
    reloadRows();
}

} // namespace dustlyn
