#pragma once

#include <QWidget>

namespace dustlyn {

class NotchLabel;

// What an empty list says instead: the logo, a title and a line or two of explanation.
class EmptyState : public QWidget {
    Q_OBJECT

public:
    EmptyState(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    QString title() const;
    QString subtitle() const;
    void setSubtitle(const QString& subtitle);

private:
    NotchLabel* title_;
    NotchLabel* subtitle_;
};

} // namespace dustlyn
