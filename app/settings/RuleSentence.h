#pragma once

#include "core/rules/PurgeRule.h"

#include <QPushButton>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QLabel;

namespace dustlyn {

class AppModel;
class SwitchButton;
class Token;
class TokenMenu;

// What a rule has waiting to leave: the count and the bytes of its files.
struct WaitingFiles {
    std::int64_t count = 0;
    std::int64_t size = 0;

    bool operator==(const WaitingFiles&) const = default;
};

// The "more" button of a rule row: drawn only while the pointer is over the row or the
// button has the keyboard focus, yet always there for the keyboard and screen readers.
class EllipsisButton : public QPushButton {
    Q_OBJECT

public:
    explicit EllipsisButton(QWidget* parent = nullptr);
    void setRevealed(bool revealed);
    bool revealed() const { return revealed_ || hasFocus() || isDown(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool revealed_ = false;
};

// One rule as a sentence, "Move screenshots from Desktop and Screenshots after 15 min",
// whose underlined words change it on the spot or open the editor; under it what the
// rule has waiting, beside it its switch and a menu to edit or delete it.
class RuleSentence : public QWidget {
    Q_OBJECT

public:
    RuleSentence(AppModel& model, std::function<void(const PurgeRule&)> onEdit,
                 QWidget* parent = nullptr);

    void setRule(const PurgeRule& rule, WaitingFiles waiting);
    const PurgeRule& rule() const { return rule_; }

    // "Off", "Nothing waiting right now", "3 files waiting · 12.4 MB".
    static QString secondaryText(bool enabled, WaitingFiles waiting);
    // The ages the age token offers, in seconds.
    static std::array<double, 9> ageChoices();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QWidget* sentence();
    void updateMenus();
    void setAge(const Uuid& id, double seconds);
    void updateOpacity();

    AppModel& model_;
    std::function<void(const PurgeRule&)> onEdit_;
    PurgeRule rule_;
    QWidget* flow_ = nullptr;
    Token* kind_ = nullptr;
    TokenMenu* folders_ = nullptr;
    std::array<QLabel*, 2> connecting_{};
    TokenMenu* age_ = nullptr;
    QLabel* secondary_ = nullptr;
    SwitchButton* switch_ = nullptr;
    EllipsisButton* more_ = nullptr;
};

} // namespace dustlyn
