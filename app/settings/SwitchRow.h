#pragma once

#include <QWidget>

class QLabel;

namespace dustlyn {

class SwitchButton;

// A card row with a title, a note under it and a switch at the trailing end; the switch
// is named by the title and described by the note for screen readers.
class SwitchRow : public QWidget {
    Q_OBJECT

public:
    SwitchRow(const QString& title, const QString& note, QWidget* parent = nullptr);

    SwitchButton* toggle() const { return switch_; }
    // A line in red under the row; an empty text hides it.
    void setError(const QString& text);
    QString error() const;

private:
    SwitchButton* switch_;
    QLabel* error_;
};

} // namespace dustlyn
