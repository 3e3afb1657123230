#pragma once

#include <QPushButton>
#include <QStringList>

#include <functional>
#include <vector>

class QLabel;
class QMenu;

namespace dustlyn {

class FlowLayout;

// An underlined word of a sentence that changes that part of it: semibold, with a dotted
// underline that turns solid under the pointer, in the brand's orange when `accent`.
// A real button, so the keyboard and screen readers reach it by its text.
class Token : public QPushButton {
    Q_OBJECT

public:
    Token(const QString& text, bool accent, QWidget* parent = nullptr);

    bool accent() const { return accent_; }
    void setAccent(bool accent);
    void setTokenText(const QString& text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool accent_;
};

// One entry of a token's menu; an entry without text is a divider.
struct TokenMenuItem {
    QString text;
    std::function<void()> action;
    bool checked = false;
    bool enabled = true;
};

// A token that opens a menu of choices.
class TokenMenu : public Token {
    Q_OBJECT

public:
    TokenMenu(const QString& text, bool accent, std::vector<TokenMenuItem> items,
              QWidget* parent = nullptr);

    void setItems(std::vector<TokenMenuItem> items);
};

// Makes `button` open `menu` under itself when pressed (by pointer, Space, Return or an
// accessibility client). The menu pops up without a nested event loop, so a screen
// reader's "press" returns at once instead of waiting for the menu to close.
void attachMenu(QPushButton& button, QMenu* menu);
// The menu attached to `button`, if any.
QMenu* attachedMenu(const QPushButton& button);

// The words of `text`, split at spaces, empty pieces dropped.
QStringList words(const QString& text);
// One word of a sentence, in the sentence font, on the tokens' baseline.
QLabel* wordLabel(const QString& word, QWidget* parent);
// One label per word in the sentence font, so the flow layout can break between any two.
void addWords(FlowLayout& layout, const QString& text, QWidget* parent);

} // namespace dustlyn
