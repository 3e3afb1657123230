#include "app/settings/SwitchRow.h"

#include "app/settings/SettingsStyle.h"
#include "app/settings/SwitchButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace dustlyn {

SwitchRow::SwitchRow(const QString& title, const QString& note, QWidget* parent)
    : QWidget(parent), switch_(new SwitchButton(title, SwitchButton::Size::regular, this)),
      error_(SettingsStyle::note({}, this, 11.5)) {
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setFont(SettingsStyle::font(13));
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setBuddy(switch_);
    switch_->setAccessibleDescription(note);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(titleLabel);
    texts->addWidget(SettingsStyle::note(note, this, 11.5));

    auto* line = new QHBoxLayout;
    line->addLayout(texts, 1);
    line->addWidget(switch_, 0, Qt::AlignVCenter);

    QPalette red = error_->palette();
    red.setColor(QPalette::WindowText, SettingsStyle::errorText());
    error_->setPalette(red);
    error_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(line);
    layout->addWidget(error_);
}

void SwitchRow::setError(const QString& text) {
    error_->setText(text);
    error_->setVisible(!text.isEmpty());
}

QString SwitchRow::error() const {
    return error_->text();
}

} // namespace dustlyn
