#pragma once

#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QPointer>

#include "qt/widgets/frozen_columns.h"

namespace ondrel {

class YearGridModel;

// One half of the year grid, as a spreadsheet is typed in: a key opens the cell, Enter
// keeps what was typed and goes down, Tab and Shift+Tab go from one amount to the next
// and wrap to the next line. A text that the cell refuses is never dropped: the cell
// stays open with the text as typed and the reason beside it, until it is corrected or
// Esc gives the old value back.
class YearGridView : public PairedView {
    Q_OBJECT
public:
    explicit YearGridView(QWidget* parent = nullptr);
    bool editing() const { return editor_ != nullptr; }
    // The cell being typed in is taken, or, when its text is refused, stays open with
    // the reason beside it: false then. True when nothing is being typed.
    bool finishTyping();
    // Down the column; from the last line, to the empty row of a new line.
    void goDown();
    void editorOpened(QLineEdit* editor);

signals:
    // Why the cell's text is refused, and where the cell stands on the screen.
    void refused(const QString& why, const QRect& cell);
    // The text is taken or given up: the reason, if one was shown, goes.
    void settled();
    // Delete on cells that are not being typed in: they are emptied.
    void emptyAsked();

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    YearGridModel* grid() const;
    QString refusalOfEditor() const;
    void refuse(const QString& why);
    QModelIndex nextCell(bool forward) const;

    QPointer<QLineEdit> editor_;
    QPersistentModelIndex editing_;
    bool refused_ = false;
};

}  // namespace ondrel
