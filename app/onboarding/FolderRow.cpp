#include "app/onboarding/FolderRow.h"

#include "app/settings/SettingsStyle.h"
#include "app/settings/SwitchButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace dustlyn {

namespace {

QColor green() {
    return QColor::fromRgbF(0.16f, 0.66f, 0.29f);
}

// A filled circle with a check mark, the sign that the folder can be read; drawn at
// whatever scale the screen has.
class Checkmark : public QWidget {
public:
    explicit Checkmark(QWidget* parent) : QWidget(parent) { setFixedSize(12, 12); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal side = width();
        painter.setPen(Qt::NoPen);
        painter.setBrush(green());
        painter.drawEllipse(QRectF(0, 0, side, side));
        QPainterPath tick;
        tick.moveTo(side * 0.28, side * 0.52);
        tick.lineTo(side * 0.44, side * 0.68);
        tick.lineTo(side * 0.73, side * 0.36);
        painter.setPen(QPen(Qt::white, side * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    }
};

QWidget* grantedLine(QWidget* parent) {
    auto* line = new QWidget(parent);
    auto* icon = new Checkmark(line);
    auto* text = new QLabel(QStringLiteral("Access granted"), line);
    text->setFont(SettingsStyle::font(11.5, QFont::Medium));
    QPalette palette = text->palette();
    palette.setColor(QPalette::WindowText, green());
    text->setPalette(palette);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(icon);
    layout->addWidget(text);
    layout->addStretch(1);
    return line;
}

// A button that looks like a link: the text in the link colour, no frame.
QPushButton* linkButton(const QString& text, QWidget* parent) {
    auto* button = SettingsStyle::button(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(SettingsStyle::font(11.5, QFont::Medium));
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 2px 0; "
                                         "text-align: left; color: palette(link); }"
                                         "QPushButton:focus { text-decoration: underline; }"));
    button->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    return button;
}

} // namespace

FolderRow::FolderRow(FolderChoice choice, QWidget* parent)
    : QWidget(parent), choice_(std::move(choice)) {
    const QString title = QString::fromStdString(choice_.title);
    const QString detail = QString::fromStdString(choice_.detail);
    switch_ = new SwitchButton(title, SwitchButton::Size::regular, this);
    switch_->setAccessibleDescription(detail);
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setFont(SettingsStyle::font(13.5, QFont::DemiBold));
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setBuddy(switch_);
    granted_ = grantedLine(this);
    allow_ = linkButton(QStringLiteral("Allow access…"), this);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(titleLabel);
    texts->addWidget(SettingsStyle::note(detail, this, 11.5));
    texts->addWidget(granted_);
    texts->addWidget(allow_, 0, Qt::AlignLeft);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(texts, 1);
    layout->addWidget(switch_, 0, Qt::AlignVCenter);

    connect(switch_, &SwitchButton::clicked, this, &FolderRow::switched);
    connect(allow_, &QPushButton::clicked, this, &FolderRow::allowAccess);
    setState(false, std::nullopt);
}

void FolderRow::setState(bool enabled, std::optional<bool> access) {
    switch_->setOn(enabled);
    granted_->setVisible(enabled && access == true);
    allow_->setVisible(enabled && access == false);
}

} // namespace dustlyn
