#pragma once

#include "app/notch/FileRow.h"
#include "app/notch/NotchContext.h"
#include "core/scan/MatchedFile.h"

#include <QColor>

namespace dustlyn {

class NotchButton;
class NotchLabel;

// A file that is leaving soon: where it came from, its size and the rule that claims it,
// the time left (orange in its last ten minutes) and when it leaves, and "Keep". Its menu
// reveals or opens the file, sets another time, sends it to quarantine now or keeps it.
class LeavingRow : public FileRow {
    Q_OBJECT

public:
    LeavingRow(const NotchContext& context, QWidget* parent = nullptr);

    void bind(const MatchedFile& file);
    // The time left and the leaving time, from the notch's clock.
    void refreshTime();

    const MatchedFile& matched() const { return matched_; }
    QString countdown() const;
    QColor countdownColor() const;
    QString clock() const;
    NotchButton& keepButton() { return *keep_; }

    QMenu* makeMenu(QWidget* parent) override;

private:
    QString detailText();

    NotchContext context_;
    MatchedFile matched_;
    std::filesystem::path sourceOf_; // the file `source_` was read for
    QString source_;
    NotchLabel* countdown_;
    NotchLabel* clock_;
    NotchButton* keep_;
};

} // namespace dustlyn
