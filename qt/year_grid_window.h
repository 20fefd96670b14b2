#pragma once

#include <memory>
#include <optional>

#include <QAbstractTableModel>
#include <QMainWindow>
#include <QTableView>

#include "grid/year_grid.h"
#include "store/database.h"

class QCheckBox;
class QLabel;

namespace ondrel {

// The year grid for the view: a row a line, headed by its account and label (which stay
// in sight as the months scroll), then its key, its total and a column a period. The
// total and the months take an amount as the French write it.
class YearGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kKeyColumn = 0;
    static constexpr int kTotalColumn = 1;
    static constexpr int kFirstPeriod = 2;

    explicit YearGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void show(std::unique_ptr<YearGrid> grid);
    YearGrid* grid() const { return grid_.get(); }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    void setKeepProfile(bool keep) { keepProfile_ = keep; }
    // After an edit of the grid itself (undo, fill, raise): every cell is drawn again.
    void refreshAll();

    // Past the periods, with the actuals: the line's actual, variance and variance %.
    int lastPeriod() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    // An amount that could not be taken, in French.
    void refused(const QString& why);

private:
    std::unique_ptr<YearGrid> grid_;
    bool readOnly_ = false;
    bool keepProfile_ = false;
};

// Tab and Shift+Tab go from one amount to the next across the periods and wrap to the
// next line; Enter goes down.
class YearGridView : public QTableView {
    Q_OBJECT
public:
    explicit YearGridView(QWidget* parent = nullptr);
    bool editing() const { return state() == EditingState; }

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void goDown();
};

// A window of its own for typing and correcting the year of an entity's budget.
class YearGridWindow : public QMainWindow {
    Q_OBJECT
public:
    YearGridWindow(std::shared_ptr<Database> db, QString entity, QString year, bool consultationOnly,
                   QWidget* parent = nullptr);

    YearGridView* view() const { return view_; }
    YearGridModel* model() const { return model_; }
    // Saves every changed line through the screen's checks; true when they were written.
    bool save();
    void reload();
    void raiseSelection(const QString& percentText);
    void copyFromOtherYear();
    // The current line's total spread by the entity's seasonal profile of that name.
    void spreadByProfile(const QString& name);
    void saveRowAsProfile();

signals:
    // A new line goes through the entry screen, its creation rules and their questions.
    void newLineAsked(const QString& entity, const QString& year, const QString& account);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void changed();
    std::optional<std::size_t> currentRow() const;

    std::shared_ptr<Database> db_;
    QString entity_, year_;
    bool consultationOnly_;
    YearGridModel* model_;
    YearGridView* view_;
    QCheckBox* keepProfile_;
    QLabel* state_;
    QList<QAction*> writers_;
    std::string stamp_;   // of what the grid last read
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
};

}  // namespace ondrel
