#pragma once

#include "app/model/RuleDraft.h"
#include "app/settings/LivePane.h"
#include "app/settings/RuleSentence.h"

#include <functional>
#include <utility>
#include <vector>

namespace dustlyn {

class Card;

// The rules as sentences, with "New rule" and "Reset to defaults".
class RulesPane : public LivePane {
    Q_OBJECT

public:
    using Edit = std::function<void(const RuleDraft& draft, bool isNew)>;

    RulesPane(AppModel& model, Edit onEdit, QWidget* parent = nullptr);

    // The rows, in the configuration's order.
    std::vector<RuleSentence*> sentences() const;

protected:
    void refresh() override;

private:
    using Shown = std::vector<std::pair<PurgeRule, WaitingFiles>>;

    Shown current() const;

    Edit onEdit_;
    Card* card_;
    Shown shown_;
    bool drawn_ = false;
};

} // namespace dustlyn
