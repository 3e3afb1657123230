#pragma once

#include "app/notch/FileRow.h"
#include "app/notch/NotchContext.h"
#include "core/quarantine/QuarantinedFile.h"

namespace dustlyn {

class NotchButton;

// A file waiting in quarantine: its size, when it will be deleted, and "Restore". Its menu
// restores it or shows it in its folder.
class QuarantineRow : public FileRow {
    Q_OBJECT

public:
    QuarantineRow(const NotchContext& context, QWidget* parent = nullptr);

    void bind(const QuarantinedFile& file);
    const QuarantinedFile& quarantined() const { return quarantined_; }
    NotchButton& restoreButton() { return *restore_; }

    QMenu* makeMenu(QWidget* parent) override;

private:
    NotchContext context_;
    QuarantinedFile quarantined_;
    NotchButton* restore_;
};

} // namespace dustlyn
