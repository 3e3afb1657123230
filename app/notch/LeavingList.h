#pragma once

#include "app/notch/NotchContext.h"
#include "app/notch/NotchList.h"

namespace dustlyn {

class LeavingRow;

// Every file leaving soon, soonest first, with a countdown that follows the notch's
// clock; "Nothing is leaving soon" when there is none. Kept current only while shown.
class LeavingList : public NotchList {
    Q_OBJECT

public:
    LeavingList(const NotchContext& context, QWidget* parent = nullptr);

    std::vector<LeavingRow*> leavingRows() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reload();
    void tick();

    NotchContext context_;
    bool stale_ = true;
};

} // namespace dustlyn
