#include "app/settings/Token.h"

#include "app/settings/FlowLayout.h"
#include "app/settings/SettingsStyle.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace dustlyn {

namespace {

constexpr int verticalPadding = 2;

QFont tokenFont() {
    return SettingsStyle::font(13.5, QFont::DemiBold);
}

} // namespace

Token::Token(const QString& text, bool accent, QWidget* parent)
    : QPushButton(text, parent), accent_(accent) {
    setFont(tokenFont());
    setFlat(true);
    // Return activates it like Space, also outside dialogs.
    setAutoDefault(true);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Token::setAccent(bool accent) {
    if (accent == accent_)
        return;
    accent_ = accent;
    update();
}

void Token::setTokenText(const QString& text) {
    if (text == this->text())
        return;
    setText(text);
    updateGeometry();
}

QSize Token::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 1, metrics.height() + 2 * verticalPadding};
}

void Token::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool hovered = underMouse();
    const QColor primary = palette().color(QPalette::WindowText);
    painter.setFont(font());
    painter.setPen(accent_ ? SettingsStyle::signal() : primary);
    const QRect textRect = rect().adjusted(0, verticalPadding, 0, -verticalPadding);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text());

    QColor line = primary;
    line.setAlphaF(line.alphaF() * (hovered ? 0.8f : 0.4f));
    QPen pen(line, 1, hovered ? Qt::SolidLine : Qt::DotLine);
    painter.setPen(pen);
    const int y = textRect.bottom() + 1;
    painter.drawLine(0, y, width() - 1, y);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

TokenMenu::TokenMenu(const QString& text, bool accent, std::vector<TokenMenuItem> items,
                     QWidget* parent)
    : Token(text, accent, parent) {
    attachMenu(*this, new QMenu(this));
    setItems(std::move(items));
}

void TokenMenu::setItems(std::vector<TokenMenuItem> items) {
    QMenu* entries = attachedMenu(*this);
    entries->clear();
    for (auto& item : items) {
        if (item.text.isEmpty()) {
            entries->addSeparator();
            continue;
        }
        QAction* action = entries->addAction(item.text);
        action->setEnabled(item.enabled);
        if (item.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        // Queued: the action may change the model, which rebuilds this very menu.
        connect(
            action, &QAction::triggered, this, [run = std::move(item.action)] { run(); },
            Qt::QueuedConnection);
    }
}

void attachMenu(QPushButton& button, QMenu* menu) {
    menu->setParent(&button, menu->windowFlags());
    menu->setObjectName(QStringLiteral("attachedMenu"));
    button.setAccessibleDescription(QStringLiteral("Opens a menu"));
    QObject::connect(&button, &QPushButton::clicked, menu, [&button, menu] {
        menu->popup(button.mapToGlobal(QPoint(0, button.height())));
    });
}

QMenu* attachedMenu(const QPushButton& button) {
    return button.findChild<QMenu*>(QStringLiteral("attachedMenu"), Qt::FindDirectChildrenOnly);
}

QStringList words(const QString& text) {
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

namespace {

// A label's own size hint counts some glyphs' overhang ("Check" comes out two pixels too
// wide), which shows as an uneven gap between words; a word is as wide as its advance, as
// a token is.
class WordLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize sizeHint() const override {
        const QMargins margins = contentsMargins();
        return {fontMetrics().horizontalAdvance(text()) + 1 + margins.left() + margins.right(),
                QLabel::sizeHint().height()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

QLabel* wordLabel(const QString& word, QWidget* parent) {
    auto* label = new WordLabel(word, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(SettingsStyle::font(13.5));
    // The tokens' padding, so words and tokens share a baseline.
    label->setContentsMargins(0, verticalPadding, 0, verticalPadding);
    return label;
}

void addWords(FlowLayout& layout, const QString& text, QWidget* parent) {
    for (const QString& word : words(text))
        layout.addWidget(wordLabel(word, parent));
}

} // namespace dustlyn
