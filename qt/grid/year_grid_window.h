#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QMainWindow>
#include <QMap>

#include "grid/year_grid.h"
#include "qt/grid/year_grid_model.h"
#include "qt/grid/year_grid_view.h"
#include "platform/rights.h"
#include "store/database.h"
#include "versions/versions.h"

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace ondrel {

class FrozenColumnsTable;
class ScreenWriter;

// A window of its own for typing and correcting the year of an entity's budget: the
// grid of its lines and months, the totals below it, new lines on its empty last row,
// and every command taking the cell being typed first.
class YearGridWindow : public QMainWindow {
    Q_OBJECT
public:
    // The rights are the person's: the grid saves with them, and opens read-only for a
    // person who may not save a budget.
    YearGridWindow(std::shared_ptr<Database> db, QString entity, QString year, std::shared_ptr<UserRights> rights,
                   QWidget* parent = nullptr);
    ~YearGridWindow() override;

    YearGridModel* model() const { return model_; }
    FrozenColumnsTable* table() const { return table_; }
    FrozenColumnsTable* totals() const { return totals_; }
    // The half of the grid that has the current cell.
    YearGridView* view() const;
    // Saves every changed line through the screen's checks; true when they were written.
    bool save();
    // Reads the year again: afresh, or keeping the changes made here to the lines that
    // no other desk changed since, the others named.
    enum class Reading { Afresh, KeepingChanges };
    void reload(Reading reading = Reading::Afresh);
    // Shows a version of the year instead of its working budget, read-only.
    void showVersion(const Version& version);
    // Nothing is written from the grid: a user in consultation, a validated year, a version.
    bool readOnly() const { return model_->readOnly(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHBoxLayout* buildTop(QWidget* central);
    void buildTables(QWidget* central);
    void buildTip();
    void watchOtherDesks();
    void buildMenus();
    void buildEditMenu();
    // Runs the command once the cell being typed is taken; a refused text keeps its cell
    // and the command waits.
    void command(const std::function<void()>& action);
    bool finishTyping();
    void changed();
    void showRefusal(const QString& why, const QRect& cell);
    void goTo(std::optional<YearGrid::Place> place);
    std::optional<std::size_t> currentLine() const;
    std::vector<std::size_t> selectedLines() const;
    void copySelection();
    void paste();
    void emptySelection();
    void addLine(const QString& account);
    void search(bool onward);
    void raiseSelection();
    // A command refused whole, said in a box.
    void tellUnchanged(const std::optional<std::string>& refusal);
    void spreadByProfile();
    void editNote();
    void followLock();
    void saveRowAsProfile();
    void profileFromActuals();
    void copyFromOtherYear();
    void fitColumns();
    void keepColumnWidths();
    void fitTotalColumn();

    std::shared_ptr<Database> db_;
    QString entity_, year_;
    std::shared_ptr<UserRights> rights_;
    bool consultationOnly_;
    std::optional<Version> version_;
    QString lockText_;   // the validation that locks the year, or empty
    YearGridModel* model_;
    FrozenColumnsTable* table_;
    FrozenColumnsTable* totals_;
    QLineEdit* search_;
    QCheckBox* keepProfile_;
    QAction* keepAction_ = nullptr;
    QLabel* state_;
    QLabel* tip_;   // why the cell being typed is refused, beside it
    QList<QAction*> writers_;
    std::string stamp_;   // of what the grid last read
    QMap<QString, int> fittedWidths_;   // each column's width from its contents, by heading
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    std::unique_ptr<ScreenWriter> screen_;   // the entry screen's rules for new lines, made at the first
};

}  // namespace ondrel
