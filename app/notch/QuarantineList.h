#pragma once

#include "app/notch/NotchContext.h"
#include "app/notch/NotchList.h"

namespace dustlyn {

class QuarantineRow;

// What waits in quarantine, with when each file will be deleted; "Quarantine is empty"
// when nothing does. Kept current only while shown.
class QuarantineList : public NotchList {
    Q_OBJECT

public:
    QuarantineList(const NotchContext& context, QWidget* parent = nullptr);

    std::vector<QuarantineRow*> quarantineRows() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reload();

    NotchContext context_;
    bool stale_ = true;
};

} // namespace dustlyn
