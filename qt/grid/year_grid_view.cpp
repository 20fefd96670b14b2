#include "qt/grid/year_grid_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>

#include "qt/grid/year_grid_model.h"

namespace ondrel {

namespace {

// The cell's editor, as a spreadsheet's: the keypad's decimal key types the French
// comma, Enter keeps what was typed and goes down, and undo and redo are the grid's
// commands, which take the cell first.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(YearGridView* view) : QStyledItemDelegate(view), view_(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setAlignment(index.column() >= YearGridModel::kTotal ? Qt::AlignRight | Qt::AlignVCenter
                                                                     : Qt::AlignLeft | Qt::AlignVCenter);
        view_->editorOpened(editor);
        return editor;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QLineEdit*>(object);
        if (!editor || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
            return QStyledItemDelegate::eventFilter(object, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (event->type() == QEvent::ShortcutOverride) {
            if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
                key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
                event->ignore();   // the window's command runs, not the editor's own undo
                return true;
            }
            return QStyledItemDelegate::eventFilter(object, event);
        }
        if ((key->modifiers() & Qt::KeypadModifier) && (key->key() == Qt::Key_Period || key->key() == Qt::Key_Comma)) {
            editor->insert(",");
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (view_->finishTyping())
                view_->goDown();
            return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    YearGridView* view_;
};

}  // namespace

YearGridView::YearGridView(QWidget* parent) : PairedView(parent) {
    setItemDelegate(new GridDelegate(this));
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    horizontalHeader()->setSectionsClickable(true);
}

YearGridModel* YearGridView::grid() const {
    return static_cast<YearGridModel*>(model());
}

void YearGridView::editorOpened(QLineEdit* editor) {
    editor_ = editor;
    refused_ = false;
}

bool YearGridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool opened = PairedView::edit(index, trigger, event);
    if (opened && editor_)
        editing_ = index;
    return opened;
}

QString YearGridView::refusalOfEditor() const {
    return editor_ && editing_.isValid() ? grid()->refusal(editing_, editor_->text()) : QString();
}

void YearGridView::refuse(const QString& why) {
    refused_ = true;
    const QRect cell = visualRect(editing_);
    emit refused(why, QRect(viewport()->mapToGlobal(cell.topLeft()), cell.size()));
}

bool YearGridView::finishTyping() {
    if (!editor_)
        return true;
    if (const QString why = refusalOfEditor(); !why.isEmpty()) {
        refuse(why);
        editor_->setFocus();
        return false;
    }
    QLineEdit* editor = editor_;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

// Nothing refused is written: the cell keeps its old value until the text is taken.
void YearGridView::commitData(QWidget* editor) {
    if (editor != editor_)
        return PairedView::commitData(editor);
    if (const QString why = refusalOfEditor(); !why.isEmpty()) {
        refuse(why);
        return;
    }
    refused_ = false;
    PairedView::commitData(editor);
}

// A refused text keeps its cell open and current, whatever moved the cursor away;
// Esc gives the old value back. Tab moves on without opening the next cell.
void YearGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor != editor_)
        return PairedView::closeEditor(editor, hint);
    if (hint != QAbstractItemDelegate::RevertModelCache && refused_) {
        const QPersistentModelIndex cell = editing_;
        QPointer<QLineEdit> open = editor_;
        QTimer::singleShot(0, this, [this, cell, open] {
            if (!open || !cell.isValid())
                return;
            if (currentIndex() != QModelIndex(cell))
                selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
            setFocus();
            open->setFocus();
        });
        return;
    }
    const bool next = hint == QAbstractItemDelegate::EditNextItem, previous = hint == QAbstractItemDelegate::EditPreviousItem;
    editor_ = nullptr;
    editing_ = QPersistentModelIndex();
    refused_ = false;
    PairedView::closeEditor(editor, next || previous ? QAbstractItemDelegate::NoHint : hint);
    emit settled();
    if (next || previous)
        selectionModel()->setCurrentIndex(nextCell(next), QItemSelectionModel::ClearAndSelect);
}

void YearGridView::goDown() {
    const QModelIndex at = currentIndex();
    if (!at.isValid() || at.row() + 1 >= model()->rowCount())
        return;
    const int row = at.row() + 1;
    selectionModel()->setCurrentIndex(model()->index(row, grid()->isNewRow(row) ? YearGridModel::kAccount : at.column()),
                                      QItemSelectionModel::ClearAndSelect);
}

// Tab goes through a line's label, key and total to its months, then on to the first
// month of the next line; from the last line, to the empty row of a new line.
// Shift+Tab goes back the same way, from a first month to the last month of the line
// before.
QModelIndex YearGridView::nextCell(bool forward) const {
    const YearGridModel* m = grid();
    const QModelIndex at = currentIndex();
    if (!at.isValid())
        return at;
    const int first = YearGridModel::kFirstPeriod, last = m->lastPeriod();
    const int row = at.row(), column = at.column();
    auto editable = [&](int r, int c) { return (m->flags(m->index(r, c)) & Qt::ItemIsEditable) != 0; };
    if (forward) {
        if (m->isNewRow(row))
            return at;
        for (int c = column + 1; c <= last; ++c)
            if (editable(row, c))
                return m->index(row, c);
        if (row + 1 >= m->rowCount())
            return at;
        return m->index(row + 1, m->isNewRow(row + 1) ? YearGridModel::kAccount : first);
    }
    if (m->isNewRow(row) || column == first)
        return row > 0 ? m->index(row - 1, last) : at;
    if (column > first)
        return m->index(row, std::min(column - 1, last));
    for (int c = column - 1; c >= YearGridModel::kLabel; --c)
        if (editable(row, c))
            return m->index(row, c);
    return at;
}

QModelIndex YearGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveNext || action == MovePrevious)
        return currentIndex().isValid() ? nextCell(action == MoveNext) : currentIndex();
    return PairedView::moveCursor(action, modifiers);
}

void YearGridView::keyPressEvent(QKeyEvent* event) {
    if (state() != EditingState) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            goDown();
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            emit emptyAsked();
            return;
        }
    }
    PairedView::keyPressEvent(event);
}

}  // namespace ondrel
