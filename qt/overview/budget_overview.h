#pragma once

#include <functional>
#include <memory>

#include <QMainWindow>
#include <QMap>

#include "platform/rights.h"
#include "qt/overview/budget_report.h"
#include "qt/overview/monthly_chart.h"
#include "store/database.h"
#include "versions/version_comparison.h"
#include "versions/versions.h"

class QChartView;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QMenu;
class QLineEdit;
class QSortFilterProxyModel;
class QSplitter;
class QStandardItemModel;

namespace ondrel {

class FrozenColumnsTable;

// A year of an entity's budget at a glance: a row a line and a column a period, the
// class and sub-class subtotals, the charges, the produits and the result, and a chart
// of the charges and produits month by month. It reads what the entry screen wrote.
class BudgetOverview : public QMainWindow {
    Q_OBJECT
public:
    BudgetOverview(std::shared_ptr<Database> db, QWidget* parent = nullptr);

    // Reads the budget again: after a line is saved, the overview shows it.
    void refresh();
    void choose(const QString& entity, const QString& year);
    // The line of that account becomes the current one, in sight, the filter cleared.
    void showAccount(const QString& account);
    // Writes what the overview shows as CSV, or as XLSX for a name ending in .xlsx; with
    // the actuals and the variances, for reading, when asked.
    bool exportTo(const QString& path, bool withActuals = false);
    // A user whose rights allow no change sees and exports the budget, but neither
    // imports nor copies it.
    void setConsultationOnly(bool only);
    // The printed report of what the overview shows, into a PDF file.
    bool reportTo(const QString& path);
    // Copies the lines of N to N+1, each amount changed by the percentage written as
    // a person writes it ("3,5"), once the person has confirmed it.
    void copyToNextYear(const QString& percentText);
    // Imports a CSV file of budget lines, once the person has agreed to what it would do;
    // true when it was written.
    bool importFrom(const QString& path);
    // Imports the FEC of the entity shown as its actuals; true when they were written.
    bool importActualsFrom(const QString& path);
    void chooseActualsImport();

    FrozenColumnsTable* lines() const { return lines_; }
    FrozenColumnsTable* totals() const { return totals_; }
    QChartView* chart() const { return chart_; }

    // The year of the entity shown, as a grid of months to type in; a version shown
    // opens read-only.
    class YearGridWindow* openYearGrid();

    // The budget cycle. Who may validate and open a revision.
    void setRights(std::shared_ptr<UserRights> rights);
    // What the overview shows: the working budget (an empty name) or a version; compared,
    // when against is set, with the working budget (empty) or another version.
    void showVersion(const QString& name, std::optional<QString> against = std::nullopt);
    bool saveVersionAs(const QString& name);
    bool validateVersion(const QString& name);
    bool reviseYear();
    bool deleteShownVersion();
    // Saves a landing made in the landing dialog and shows it against the validated version.
    bool forecast(const std::string& through, const struct Remainder& remainder, const QString& name);
    // "Validé le 08/12/2026 à 16:02 par marie : « Budget primitif 2027 »", or empty.
    QString cycleCaption() const;

signals:
    // A double click on a line, or a new line asked from the grid: the entry screen
    // shows it.
    void lineChosen(const QString& entity, const QString& year, const QString& account);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLayout* buildChoice(QWidget* central);
    QSplitter* buildPanes(QWidget* central);
    void listEntities();
    void followChoices();
    void restoreSettings();
    int chartHeight() const;
    void shutChartWhenCut();
    void watchDatabase();
    // The calendar year of the fiscal year shown, for file names: "2027", "2026-2027".
    QString calendarYears();
    QString suggestedName(const QString& pattern, const QString& extension);
    std::string stamp();
    void keepColumnWidths();
    void widenToWidestTexts();
    void buildMenus();
    void chooseExport(bool withActuals);
    void print();
    void chooseImport();
    void copyToNextYear();
    void addCycleChoice(QHBoxLayout* choice, QWidget* central);
    void buildCycleMenu(QMenu* budget);
    void listVersions();
    void showCycle();
    void followCycleRights();
    void askValidation();
    // What the overview shows, for the report.
    ReportSubject reportSubject() const;
    void chooseLanding();
    std::optional<Version> versionShown();
    BudgetSheet shownSheet();
    SheetComparison comparison(const BudgetSheet& shown);
    bool comparing() const;
    void fillCompared(const SheetComparison& c);
    void fill();
    void fillLines(const BudgetSheet& sheet, ChartMeasure measure);
    void fillTotals(const BudgetSheet& sheet, const BudgetTotals& totals, ChartMeasure measure);
    void showChart(const BudgetSheet& sheet, const BudgetTotals& totals, ChartMeasure measure);
    void fitColumns();
    bool attempt(const QString& failure, const std::function<void()>& action);
    QString entity() const;
    QString year() const;

    std::shared_ptr<Database> db_;
    QComboBox* entities_;
    QComboBox* years_;
    QLineEdit* filter_;
    QComboBox* measure_;   // what the months show: budget, actual, variance, variance %
    QLabel* measureLabel_;
    QComboBox* shown_;     // the working budget or a version
    QComboBox* against_;   // nothing, the working budget or a version to compare with
    QComboBox* comparedMonths_;   // in a comparison: the difference, or either side
    QLabel* cycle_;
    std::shared_ptr<UserRights> rights_;
    QAction* validate_ = nullptr;
    QAction* revise_ = nullptr;
    QStandardItemModel* lineModel_;
    QSortFilterProxyModel* sorted_;
    QStandardItemModel* totalModel_;
    FrozenColumnsTable* lines_;
    FrozenColumnsTable* totals_;
    QChartView* chart_;
    QSplitter* panes_;
    QList<QAction*> writers_;
    bool consultationOnly_ = false;
    std::string stamp_;        // of what the overview last read
    // The widths of the lines' columns, by heading: those a person set, those that fit.
    QMap<QString, int> columnWidths_, fittedWidths_;
};

}  // namespace ondrel
