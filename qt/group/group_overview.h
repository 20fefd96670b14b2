#pragma once

#include <memory>
#include <optional>

#include <QMainWindow>

#include <functional>

#include "group/group_view.h"
#include "group/group_work.h"
#include "platform/rights.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace ondrel {

class FrozenColumnsTable;

// The group at a glance: a row an account with its members' lines added, a column an
// entity or a calendar month, the flows between members set apart, the subtotals and
// the result, and, where actuals are imported, the year to the end of a chosen month
// against them, the lines past a threshold first.
class GroupOverview : public QMainWindow {
    Q_OBJECT
public:
    GroupOverview(std::shared_ptr<Database> db, QWidget* parent = nullptr);

    // Reads the groups and the group shown again.
    void refresh();
    // Who may make, change and delete groups: whoever budgets at full rights.
    void setRights(std::shared_ptr<UserRights> rights);
    // Writes what the window shows as the group's CSV, or XLSX for a name ending in
    // .xlsx; true when it was written.
    bool exportTo(const QString& path);

    FrozenColumnsTable* lines() const { return lines_; }
    QTableView* totals() const { return totals_; }

signals:
    // A double click on an entity's amount, or on a line: that entity's overview shows
    // the line.
    void lineChosen(const QString& entity, const QString& year, const QString& account);

private:
    QLayout* buildChoice(QWidget* central);
    void buildMenus();
    void listGroups();
    void restoreChoice();
    void keepChoice();
    void fill();
    void fillLines();
    void fillTotals();
    void fitColumns();
    void chooseExport();
    void editGroup(bool makeNew);
    void deleteGroup();
    // Group work: a dry run read entity by entity, then, once the person agrees, the
    // same written in one transaction, the validated years left as they stand.
    void runGroupWork(const QString& question, const std::function<GroupWorkReport(GroupWorkOptions)>& work);
    void copyGroup();
    void saveGroupVersion(VersionStep step);
    void importGroup();
    void openLine(const QModelIndex& index);
    bool byEntity() const;
    // The last month counted: the one chosen, or the year's last.
    std::size_t through() const;
    QStringList amountHeadings() const;

    std::shared_ptr<Database> db_;
    std::shared_ptr<UserRights> rights_;
    QList<QAction*> writers_;
    QAction* validate_ = nullptr;
    QComboBox* groups_;
    QComboBox* years_;
    QComboBox* basis_;
    QComboBox* columns_;
    QComboBox* toDate_;
    QLineEdit* filter_;
    QLabel* members_;
    QLabel* notes_;
    QStandardItemModel* lineModel_;
    QSortFilterProxyModel* sorted_;
    QStandardItemModel* totalModel_;
    FrozenColumnsTable* lines_;
    QTableView* totals_;
    std::optional<Group> group_;
    std::optional<GroupView> view_;
};

}  // namespace ondrel
