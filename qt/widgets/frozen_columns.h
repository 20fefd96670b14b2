#pragma once

#include <QTableView>
#include <QWidget>

namespace ondrel {

// One of the two views of a table whose first columns stay in sight: it shows its own
// columns, and when the current cell moves into the other's (by a key or a command),
// the other takes the keyboard and brings the cell into sight.
class PairedView : public QTableView {
    Q_OBJECT
public:
    explicit PairedView(QWidget* parent = nullptr) : QTableView(parent) {}
    void pairWith(PairedView* other) { other_ = other; }
    PairedView* other() const { return other_; }

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    PairedView* other_ = nullptr;
};

// A table whose first columns (an account and its label, say) stay in sight while the
// others scroll: two views of one model side by side, sharing its selection and its
// rows, the left one as wide as its columns.
class FrozenColumnsTable : public QWidget {
    Q_OBJECT
public:
    // The two views are the table's own; give them when they need behaviours of their own.
    FrozenColumnsTable(PairedView* frozen, PairedView* moving, QWidget* parent = nullptr);
    explicit FrozenColumnsTable(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model, int frozenColumns);
    QAbstractItemModel* model() const { return frozen_->model(); }
    PairedView* frozen() const { return frozen_; }
    PairedView* moving() const { return moving_; }
    // The view that shows the column.
    PairedView* viewOf(int column) const { return column < shownFrozen_ ? frozen_ : moving_; }
    // The cell becomes the current one, in sight, and its view takes the keyboard.
    void setCurrent(const QModelIndex& index);
    QModelIndex current() const;
    // The width asked for the column, by the program or a person's drag: the yielding
    // column may show narrower.
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    // The frozen column that gives way (a label, elided, its whole text in its tip)
    // when the frozen columns would take more than a third of the table's width; and
    // how many columns stay frozen at the least: those after them go over to the
    // columns that scroll, the last first, while the third is still passed.
    void setYieldingColumn(int column, int leastFrozen) {
        yielding_ = column;
        leastFrozen_ = leastFrozen;
    }
    void resizeColumnsToContents();
    // Both views, for what is set alike on each (fonts, edit triggers…).
    QList<QTableView*> views() const { return {frozen_, moving_}; }
    // Sorts the rows by the column, ascending, or the other way when it sorted them
    // already, and shows it on the column's heading: a person's click on a heading.
    void sortBy(int column);
    // Sorts again as last chosen, after the rows were read anew.
    void sortAgain();

signals:
    // A column's width changed, by a person or by the program.
    void columnResized(int column, int width);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void build();
    void showColumns();
    void fitFrozenWidth();

    PairedView* frozen_;
    PairedView* moving_;
    int frozenColumns_ = 0;
    int shownFrozen_ = 0;      // those in the frozen view now
    int leastFrozen_ = 0;
    bool following_ = false;   // a width given to one view from the other
    int sortColumn_ = -1;
    int yielding_ = -1;
    int yieldingWanted_ = 0;   // the yielding column's width before it gives way
    bool givingWay_ = false;   // the width changing is the yielding column's own
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace ondrel
