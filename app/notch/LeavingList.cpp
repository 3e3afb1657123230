#include "app/notch/LeavingList.h"

#include "app/model/AppModel.h"
#include "app/notch/EmptyState.h"
#include "app/notch/LeavingRow.h"
#include "app/notch/LeavingSnapshot.h"
#include "app/notch/NotchViewModel.h"

namespace dustlyn {

LeavingList::LeavingList(const NotchContext& context, QWidget* parent)
    : NotchList(
          [context](QWidget* viewport) -> FileRow* { return new LeavingRow(context, viewport); },
          [context](FileRow& row, std::size_t index) {
              static_cast<LeavingRow&>(row).bind(context.leaving.files()[index]);
          },
          [context] { return context.leaving.count(); },
          new EmptyState(QStringLiteral("Nothing is leaving soon"),
                         QStringLiteral("New screenshots and downloads show up here with a "
                                        "countdown.")),
          parent),
      context_(context) {
    connect(&context.leaving, &LeavingSnapshot::changed, this, &LeavingList::reload);
    connect(&context.model, &AppModel::configChanged, this, &LeavingList::reload);
    connect(&context.vm, &NotchViewModel::nowChanged, this, &LeavingList::tick);
}

std::vector<LeavingRow*> LeavingList::leavingRows() const {
    std::vector<LeavingRow*> found;
    for (FileRow* row : rows())
        found.push_back(static_cast<LeavingRow*>(row));
    return found;
}

void LeavingList::showEvent(QShowEvent* event) {
    if (stale_)
        reload();
    NotchList::showEvent(event);
}

void LeavingList::reload() {
    // A hidden list catches up when it is shown.
    if (!isVisible()) {
        stale_ = true;
        return;
    }
    stale_ = false;
    reloadRows();
}

void LeavingList::tick() {
    if (!isVisible())
        return;
    for (LeavingRow* row : leavingRows())
        row->refreshTime();
}

} // namespace dustlyn
