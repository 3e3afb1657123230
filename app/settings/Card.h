#pragma once

#include <QFrame>

#include <vector>

class QVBoxLayout;

namespace dustlyn {

// One row of a card, with a divider under it unless it is the last.
class CardRow : public QWidget {
    Q_OBJECT

public:
    explicit CardRow(QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return content_; }
    bool last() const { return last_; }
    void setLast(bool last);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* content_;
    bool last_ = true;
};

// A rounded container that stacks its rows.
class Card : public QFrame {
    Q_OBJECT

public:
    explicit Card(QWidget* parent = nullptr);

    CardRow* appendRow(QWidget* content);
    // Removes the rows from `count` on, keeping the first `count`.
    void truncate(int count);
    int rowCount() const { return static_cast<int>(rows_.size()); }
    CardRow* row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* layout_;
    std::vector<CardRow*> rows_;
};

} // namespace dustlyn
