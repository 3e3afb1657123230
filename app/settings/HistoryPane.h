#pragma once

#include "app/settings/HistoryRow.h"
#include "app/settings/LivePane.h"
#include "app/settings/SettingsServices.h"

#include <QPixmap>

#include <array>
#include <vector>

class QLabel;
class QTimer;

namespace dustlyn {

class Card;

// The newest 300 history entries, newest first.
class HistoryPane : public LivePane {
    Q_OBJECT

public:
    HistoryPane(AppModel& model, SettingsServices services, QWidget* parent = nullptr);

    std::vector<HistoryRow*> rows() const;

protected:
    void refresh() override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<HistoryRow::Shown> current() const;
    void armDayChange();
    // Makes rows up to `count` and shows `rows` in them.
    void fill(const std::vector<HistoryRow::Shown>& rows, std::size_t count);
    void fillTheRest();

    SettingsServices services_;
    QLabel* empty_;
    Card* card_;
    // The times read "Today 15:45" or "Tue 15:45": they change at midnight, and only
    // then does the pane need to wake while nothing else happens.
    QTimer* dayChange_;
    std::array<QPixmap, 3> icons_;
    // The first time, only the rows of the first screen are made before the window is
    // drawn; the others follow right after its first frame.
    std::vector<HistoryRow::Shown> waiting_;
};

} // namespace dustlyn
