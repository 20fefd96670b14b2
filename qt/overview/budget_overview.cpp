#include "qt/overview/budget_overview.h"

#include <algorithm>
#include <fstream>

#include <QChart>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStyle>
#include <QTimer>
#include <QChartView>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QMenuBar>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QStandardItemModel>
#include <QTableView>

#include "data/request.h"
#include "platform/login_name.h"
#include "qt/overview/budget_report.h"
#include "qt/widgets/french_boxes.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/overview/monthly_chart.h"
#include "qt/widgets/note_mark.h"
#include "qt/widgets/table_items.h"
#include "qt/grid/year_grid_window.h"
#include "sheets/percentage.h"
#include "actuals/actuals.h"
#include "actuals/budget_actuals.h"
#include "sheets/comparison.h"
#include "sheets/budget_import.h"
#include "sheets/budget_sheet.h"
#include "sheets/budget_totals.h"

namespace ondrel {

namespace {

constexpr const char* kTitle = "Vue d'ensemble du budget";
QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList headers(const BudgetSheet& sheet, bool withActuals, const QString& first, const QString& second) {
    QStringList h{first, second};
    if (first == "Compte")
        h << "Clé";
    h << "Total";
    if (withActuals)
        h << "Réalisé" << "Écart" << "Écart %";
    for (const auto& label : sheet.periodLabels)
        h << q(label);
    return h;
}

// Worse than the budget: red, and a mark before the figure that reads without colour.
QStandardItem* marked(QStandardItem* item, bool over) {
    if (over && !item->text().isEmpty()) {
        item->setText("▲ " + item->text());
        item->setForeground(QColor(176, 0, 32));
        item->setToolTip("Moins bien que le budget");
    }
    return item;
}

QStandardItem* percentItem(std::optional<double> percent) {
    auto* item = new QStandardItem(q(percentText(percent)));
    item->setData(percent ? *percent : 0.0, kSortRole);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// The actual, the variance and the variance % of a total, worse ones marked.
void addComparison(QList<QStandardItem*>& row, const std::string& account, Currency budget, Currency actual) {
    const bool over = overBudget(account, budget, actual);
    row << marked(amountItem(actual), over) << marked(amountItem(variance(budget, actual)), over)
        << marked(percentItem(variancePercent(budget, actual)), over);
}

// A month's cell in the measure chosen: a variance worse than the budget is marked.
QStandardItem* monthItem(const std::string& account, std::optional<Currency> budget, Currency actual,
                         ChartMeasure measure) {
    const Currency planned = budget.value_or(Currency::zero());
    const bool over = overBudget(account, planned, actual);
    switch (measure) {
    case ChartMeasure::Actual:
        return marked(amountItem(actual), over);
    case ChartMeasure::Variance:
        return marked(amountItem(variance(planned, actual)), over);
    case ChartMeasure::VariancePercent:
        return marked(percentItem(variancePercent(planned, actual)), over);
    case ChartMeasure::Budget:
        break;
    }
    QStandardItem* item = amountItem(planned);
    if (!budget)
        item->setText({});   // a month with nothing budgeted stays blank
    return item;
}

// The height of a table that shows its headings, rows rows and its scroll bar. The
// headings are counted as a row: their own height is known only once the table has
// columns.
int tableHeight(const FrozenColumnsTable& table, int rows) {
    const QTableView* v = table.moving();
    return (rows + 1) * v->verticalHeader()->defaultSectionSize() + v->horizontalScrollBar()->sizeHint().height() +
           2 * v->frameWidth();
}

}  // namespace

// Every action of the window ends here: a failure is told in a box, and the window
// goes on with what it had.
bool BudgetOverview::attempt(const QString& failure, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, failure + "\n" + QString::fromUtf8(e.what()));
        return false;
    }
}

BudgetOverview::BudgetOverview(std::shared_ptr<Database> db, QWidget* parent) : QMainWindow(parent), db_(std::move(db)) {
    setWindowTitle(kTitle);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(buildChoice(central));
    layout->addWidget(cycle_);
    layout->addWidget(buildPanes(central), 1);
    setCentralWidget(central);
    // From the start, laid out with the rest: the panes do not move when the first
    // message comes.
    statusBar();
    buildMenus();
    // What the months show and the filter at the right of the menus, where they take
    // no room from the lines nor width from the choices.
    auto* corner = new QWidget(this);
    auto* beside = new QHBoxLayout(corner);
    beside->setContentsMargins(0, 0, 4, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{measureLabel_, measure_, comparedMonths_, filter_})
        beside->addWidget(w);
    menuBar()->setCornerWidget(corner);
    listEntities();
    followChoices();
    restoreSettings();
    watchDatabase();
    refresh();
}

// The entity, the year, the budget shown and what it is compared with; what the months
// show and the filter, which the menu bar takes.
QLayout* BudgetOverview::buildChoice(QWidget* central) {
    auto* choice = new QHBoxLayout;
    entities_ = new QComboBox(central);
    entities_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    entities_->setMinimumContentsLength(10);
    years_ = new QComboBox(central);
    years_->addItems({"N", "N+1"});
    filter_ = new QLineEdit(central);
    filter_->setPlaceholderText("Filtrer par début de compte ou de libellé");
    measure_ = new QComboBox(central);
    measure_->addItems({"Budget", "Réalisé", "Écart", "Écart %"});
    measure_->setToolTip("Ce que montrent les mois et le graphique, une fois le réalisé importé");
    choice->addWidget(new QLabel("Entité", central));
    choice->addWidget(entities_, 1);
    choice->addWidget(new QLabel("Exercice", central));
    choice->addWidget(years_);
    addCycleChoice(choice, central);
    measureLabel_ = new QLabel("Mois", central);
    return choice;
}

// The lines, their totals and the chart, one above the other, each as tall as a person
// drags it; the account and label (the class and its name) stay in sight while the
// months scroll.
QSplitter* BudgetOverview::buildPanes(QWidget* central) {
    lineModel_ = new QStandardItemModel(this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(lineModel_);
    sorted_->setSortRole(kSortRole);
    sorted_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    panes_ = new QSplitter(Qt::Vertical, central);
    lines_ = new FrozenColumnsTable(panes_);
    lines_->setModel(sorted_, 2);
    lines_->setYieldingColumn(1, 2);
    totalModel_ = new QStandardItemModel(this);
    totals_ = new FrozenColumnsTable(panes_);
    totals_->setModel(totalModel_, 2);
    totals_->setYieldingColumn(1, 2);
    for (FrozenColumnsTable* table : {lines_, totals_})
        for (QTableView* v : table->views()) {
            v->setEditTriggers(QAbstractItemView::NoEditTriggers);
            v->setWordWrap(false);   // a label its column cannot hold ends in "…", whole in its tip
        }
    for (QTableView* v : lines_->views()) {
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->horizontalHeader()->setSectionsClickable(true);
        // The view measures the first rows only, which is quick on a long year; fill()
        // widens a column to its widest text of all.
        v->horizontalHeader()->setResizeContentsPrecision(200);
        connect(v->horizontalHeader(), &QHeaderView::sectionClicked, lines_, &FrozenColumnsTable::sortBy);
        connect(v, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
            emit lineChosen(entity(), year(), sorted_->data(sorted_->index(index.row(), 0)).toString());
        });
    }
    chart_ = new QChartView(new QChart, panes_);
    panes_->addWidget(lines_);
    panes_->addWidget(totals_);
    panes_->addWidget(chart_);
    // Each table keeps a row under its headings, and the chart no more (see showChart):
    // more would make the window taller than a small screen at 200 %. The chart shuts
    // rather than cut its axes.
    for (FrozenColumnsTable* table : {lines_, totals_})
        table->setMinimumHeight(tableHeight(*table, 1));
    connect(panes_, &QSplitter::splitterMoved, this, &BudgetOverview::shutChartWhenCut);
    // A larger window gives its room to the lines.
    panes_->setStretchFactor(0, 1);
    panes_->setStretchFactor(1, 0);
    panes_->setStretchFactor(2, 0);
    return panes_;
}

void BudgetOverview::listEntities() {
    attempt("La liste des entités n'a pas pu être lue.", [&] {
        Request all;
        all.set(1, "SSELECT ASSOCIATION 0 PAR 0");
        all.set(2, "ASSOCIATION");
        all.set(3, "0 1");
        const ResultTable entities = db_->RunSelect(all.text());
        for (const auto& row : entities.rows())
            entities_->addItem(q(row[0] + " " + row[1]), q(row[0]));
    });
}

void BudgetOverview::followChoices() {
    connect(entities_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(years_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    connect(measure_, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    // A prefix of the account or of the label, whatever its case.
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        sorted_->setFilterRegularExpression(
            QRegularExpression("^" + QRegularExpression::escape(text), QRegularExpression::CaseInsensitiveOption));
        sorted_->setFilterKeyColumn(-1);
    });
}

// The size, the panes and the columns a person gave it last; the first time, most of
// the screen, the lines the tallest.
void BudgetOverview::restoreSettings() {
    QSettings settings;
    if (!restoreGeometry(settings.value("vue-ensemble/geometrie").toByteArray())) {
        const QRect room = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                            : QRect(0, 0, 1366, 768);
        resize(room.size() * 0.85);
    }
    if (!panes_->restoreState(settings.value("vue-ensemble/volets").toByteArray())) {
        // The chart where it fits below a few lines and classes; on a smaller screen,
        // or at a larger scale, the tables take its room until a person drags it open.
        layout()->activate();
        centralWidget()->layout()->activate();
        // The classes two rows at least, the lines the rest.
        const int room = panes_->height();
        const int chart = std::max(25 * room / 100, chartHeight());
        const bool chartFits = room >= tableHeight(*lines_, 4) + tableHeight(*totals_, 3) + chart;
        const int classes = std::max((chartFits ? 17 : 45) * room / 100, tableHeight(*totals_, 2));
        panes_->setSizes({room - classes - (chartFits ? chart : 0), classes, chartFits ? chart : 0});
    }
    shutChartWhenCut();   // panes kept at another scale
    const QVariantMap widths = settings.value("vue-ensemble/largeurs").toMap();
    for (auto it = widths.begin(); it != widths.end(); ++it)
        columnWidths_[it.key()] = it.value().toInt();
}

// Another desk or a tool may change the budget or the actuals shown: a glance every
// two seconds at the stamps of their records, and the overview reads them again.
void BudgetOverview::watchDatabase() {
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [this] {
        if (isVisible() && stamp() != stamp_)
            refresh();
    });
    watch->start(2000);
}

QString BudgetOverview::calendarYears() {
    const auto periods = fiscalPeriods(*db_, entity().toStdString(), year().toStdString());
    if (periods.empty())
        return year();
    const int first = periods.front().year, last = periods.back().year;
    return first == last ? QString::number(first) : QString("%1-%2").arg(first).arg(last);
}

// "budget-001-2027.csv": the entity and the calendar years of its fiscal year.
QString BudgetOverview::suggestedName(const QString& pattern, const QString& extension) {
    QString years = year();
    attempt("Les dates de l'exercice n'ont pas pu être lues.", [&] { years = calendarYears(); });
    return QString("%1-%2-%3.%4").arg(pattern, entity(), years, extension);
}

// Of the entity and year shown: their budget lines and their actuals.
std::string BudgetOverview::stamp() {
    if (entity().isEmpty())
        return {};
    try {
        return yearChangeStamp(*db_, entity().toStdString(), year().toStdString());
    } catch (const std::exception&) {
        return stamp_;   // a server away for a moment: the next glance tells
    }
}

// Every text of a column reads whole, past the rows that the view measured.
void BudgetOverview::widenToWidestTexts() {
    QTableView* view = lines_->moving();
    const QFontMetrics plain(view->font());
    const int margin = 2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 8;
    for (int c = 0; c < lineModel_->columnCount(); ++c) {
        // Codes and amounts are digits of one width: their longest text is the widest.
        // Labels are measured one by one.
        int widest = 0;
        QString longest;
        for (int r = 0; r < lineModel_->rowCount(); ++r) {
            const QString text = lineModel_->item(r, c)->text();
            if (c == 1)
                widest = std::max(widest, plain.horizontalAdvance(text));
            else if (text.size() > longest.size())
                longest = text;
        }
        widest = std::max(widest, plain.horizontalAdvance(longest));
        if (widest + margin > lines_->columnWidth(c))
            lines_->setColumnWidth(c, widest + margin);
    }
}

// Only the widths a person changed: the rest follow their contents.
void BudgetOverview::keepColumnWidths() {
    for (int c = 0; c < lineModel_->columnCount(); ++c) {
        const QString heading = lineModel_->headerData(c, Qt::Horizontal).toString();
        const int width = lines_->columnWidth(c);
        if (width != fittedWidths_.value(heading, -1))
            columnWidths_[heading] = width;
    }
}

// The height that writes the chart's title, the amounts up its side and the months
// under its bars whole.
int BudgetOverview::chartHeight() const {
    return 10 * chart_->fontMetrics().height();
}

// The chart shuts rather than cut its amounts or months: dragged, or left by a smaller
// window, shorter than it needs; the lines take its room.
void BudgetOverview::shutChartWhenCut() {
    QList<int> sizes = panes_->sizes();
    if (sizes[2] > 0 && sizes[2] < chartHeight()) {
        sizes[0] += sizes[2];
        sizes[2] = 0;
        panes_->setSizes(sizes);
    }
}

void BudgetOverview::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    shutChartWhenCut();
}

void BudgetOverview::closeEvent(QCloseEvent* event) {
    QSettings settings;
    settings.setValue("vue-ensemble/geometrie", saveGeometry());
    settings.setValue("vue-ensemble/volets", panes_->saveState());
    keepColumnWidths();
    QVariantMap widths;
    for (auto it = columnWidths_.begin(); it != columnWidths_.end(); ++it)
        widths[it.key()] = it.value();
    settings.setValue("vue-ensemble/largeurs", widths);
    QMainWindow::closeEvent(event);
}

void BudgetOverview::buildMenus() {
    QMenu* file = menuBar()->addMenu("Fichier");
    file->addAction("Exporter…", this, [this] { chooseExport(false); });
    file->addAction("Exporter avec le réalisé…", this, [this] { chooseExport(true); });
    writers_ << file->addAction("Importer…", this, [this] { chooseImport(); });
    writers_ << file->addAction("Importer le réalisé…", this, [this] { chooseActualsImport(); });
    file->addSeparator();
    file->addAction("Imprimer…", this, [this] { print(); });
    file->addAction("Exporter en PDF…", this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, "Exporter en PDF", suggestedName("budget", "pdf"), "PDF (*.pdf)");
        if (!path.isEmpty() && reportTo(path))
            statusBar()->showMessage(QString("Rapport exporté en PDF dans « %1 ».").arg(path), 10000);
    });
    QMenu* view = menuBar()->addMenu("Affichage");
    view->addAction("Actualiser", QKeySequence::Refresh, this, [this] { refresh(); });
    QMenu* budget = menuBar()->addMenu("Budget");
    budget->setToolTipsVisible(true);   // a greyed command says why
    budget->addAction("Saisir l'année…", QKeySequence(Qt::CTRL | Qt::Key_G), this, [this] { openYearGrid(); });
    writers_ << budget->addAction("Copier vers N+1…", this, [this] { copyToNextYear(); });
    buildCycleMenu(budget);
    setRights(nullptr);
}

void BudgetOverview::setConsultationOnly(bool only) {
    consultationOnly_ = only;
    for (QAction* a : writers_)
        a->setEnabled(!only);
}

QString BudgetOverview::entity() const {
    return entities_->currentData().toString();
}

QString BudgetOverview::year() const {
    return years_->currentText();
}

void BudgetOverview::choose(const QString& entity, const QString& year) {
    entities_->setCurrentIndex(entities_->findData(entity));
    years_->setCurrentText(year);
    refresh();
}

void BudgetOverview::showAccount(const QString& account) {
    filter_->clear();
    const auto found = sorted_->match(sorted_->index(0, 0), Qt::DisplayRole, account, 1, Qt::MatchExactly);
    if (!found.isEmpty())
        lines_->setCurrent(found.front());
}

void BudgetOverview::refresh() {
    if (!attempt("Le budget n'a pas pu être lu.", [this] { fill(); })) {
        lineModel_->clear();
        totalModel_->clear();
    }
}

void BudgetOverview::fill() {
    keepColumnWidths();
    stamp_ = stamp();
    lineModel_->clear();
    totalModel_->clear();
    if (entity().isEmpty())
        return;
    listVersions();
    showCycle();
    if (comparing()) {
        const BudgetSheet shown = shownSheet();
        fillCompared(comparison(shown));
        showChart(shown, totalsOf(*db_, shown), ChartMeasure::Budget);
        fitColumns();
        return;
    }
    BudgetSheet sheet = shownSheet();
    compareWithActuals(*db_, sheet);
    // The months show the measure chosen; the actuals' columns only once some are imported.
    const bool withActuals = !sheet.actuals.empty();
    measure_->setEnabled(withActuals);
    const auto measure = static_cast<ChartMeasure>(withActuals ? measure_->currentIndex() : 0);
    fillLines(sheet, measure);
    const BudgetTotals totals = totalsOf(*db_, sheet);
    fillTotals(sheet, totals, measure);
    showChart(sheet, totals, measure);
    fitColumns();
}

void BudgetOverview::fillLines(const BudgetSheet& sheet, ChartMeasure measure) {
    const bool withActuals = !sheet.actuals.empty();
    lineModel_->setHorizontalHeaderLabels(headers(sheet, withActuals, "Compte", "Libellé"));
    for (const auto& line : sheet.lines) {
        QList<QStandardItem*> row{textItem(line.account), textItem(line.label), textItem(line.key),
                                  amountItem(line.total)};
        if (withActuals)
            addComparison(row, line.account, line.total, line.actualTotal);
        for (std::size_t p = 0; p < line.periods.size(); ++p)
            row << monthItem(line.account, line.periods[p], withActuals ? line.actual[p] : Currency::zero(), measure);
        if (!line.budgeted)
            row[1]->setToolTip("Aucune ligne budgétaire pour ce compte");
        if (!line.note.empty()) {
            row[1]->setIcon(noteMark());
            row[1]->setToolTip(noteTip(q(line.note)));
        }
        lineModel_->appendRow(row);
    }
}

void BudgetOverview::fillTotals(const BudgetSheet& sheet, const BudgetTotals& totals, ChartMeasure measure) {
    const bool withActuals = !sheet.actuals.empty();
    totalModel_->setHorizontalHeaderLabels(headers(sheet, withActuals, "Classe", "Intitulé"));
    auto addTotal = [&](const TotalRow& t, const std::string& kind) {
        QList<QStandardItem*> row{textItem(t.code), textItem(t.label), amountItem(t.total)};
        if (withActuals)
            addComparison(row, kind, t.total, t.actualTotal);
        for (std::size_t p = 0; p < t.periods.size(); ++p)
            row << monthItem(kind, t.periods[p], t.actualPeriods[p], measure);
        totalModel_->appendRow(row);
    };
    for (const auto& t : totals.classes)
        addTotal(t, t.code);
    addTotal(totals.charges, "6");
    addTotal(totals.produits, "7");
    addTotal(totals.result, "7");   // a result below its budget is the worse one
}

// A chart of its own each time: axes left from another year would stay drawn.
void BudgetOverview::showChart(const BudgetSheet& sheet, const BudgetTotals& totals, ChartMeasure measure) {
    QChart* old = chart_->chart();
    chart_->setChart(monthlyChart(sheet, totals, measure));
    // The chart, and its view after it, would ask for the room of its legend, title and
    // axes at their widest: its pane says how much it has.
    chart_->chart()->setMinimumSize(QSizeF(120, 60));
    chart_->chart()->legend()->setAlignment(Qt::AlignRight);   // the height goes to the bars
    chart_->chart()->setMargins(QMargins(4, 4, 4, 4));
    chart_->setMinimumSize(120, 1);
    delete old;
}

// The columns fit their texts, except those whose width a person gave: those stay,
// column by column, whatever the others.
void BudgetOverview::fitColumns() {
    lines_->resizeColumnsToContents();
    widenToWidestTexts();
    totals_->resizeColumnsToContents();
    lines_->sortAgain();
    fittedWidths_.clear();
    for (int c = 0; c < lineModel_->columnCount(); ++c)
        fittedWidths_[lineModel_->headerData(c, Qt::Horizontal).toString()] = lines_->columnWidth(c);
    for (int c = 0; c < lineModel_->columnCount(); ++c)
        if (auto it = columnWidths_.find(lineModel_->headerData(c, Qt::Horizontal).toString()); it != columnWidths_.end())
            lines_->setColumnWidth(c, it.value());
}

bool BudgetOverview::exportTo(const QString& path, bool withActuals) {
    return attempt(QString("L'export dans « %1 » a échoué.").arg(path), [&] {
        const bool xlsx = path.endsWith(".xlsx", Qt::CaseInsensitive);
        if (comparing()) {
            const SheetComparison c = comparison(shownSheet());
            if (xlsx)
                return writeComparisonXlsx(c, path.toStdString());
            std::ofstream out(path.toStdString(), std::ios::binary);
            writeComparisonCsv(c, out);
            if (!out.flush())
                throw std::runtime_error("le fichier n'a pas pu être écrit");
            return;
        }
        BudgetSheet sheet = shownSheet();
        if (withActuals)
            compareWithActuals(*db_, sheet);
        if (xlsx) {
            writeBudgetXlsx(sheet, totalsOf(*db_, sheet), path.toStdString());
        } else {
            std::ofstream out(path.toStdString(), std::ios::binary);
            writeBudgetCsv(sheet, out);
            if (!out.flush())
                throw std::runtime_error("le fichier n'a pas pu être écrit");
        }
    });
}

bool BudgetOverview::reportTo(const QString& path) {
    return attempt(QString("Le rapport « %1 » n'a pas été écrit.").arg(path), [&] {
        writeBudgetPdf(*db_, reportSubject(), loginName(), path.toStdString());
    });
}

void BudgetOverview::print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle("Imprimer le budget");
    if (dialog.exec() != QDialog::Accepted)
        return;
    attempt("L'impression a échoué.",
            [&] { printBudgetReport(*db_, reportSubject(), loginName(), printer); });
}

void BudgetOverview::chooseExport(bool withActuals) {
    const QString name = suggestedName(withActuals ? "budget-realise" : "budget", "csv");
    const QString path = QFileDialog::getSaveFileName(this, withActuals ? "Exporter le budget et le réalisé" : "Exporter le budget",
                                                      name, "CSV (*.csv);;Classeur Excel (*.xlsx)");
    if (!path.isEmpty() && exportTo(path, withActuals))
        statusBar()->showMessage(QString("%1 ligne(s) exportée(s) dans « %2 ».").arg(lineModel_->rowCount()).arg(path), 10000);
}

void BudgetOverview::chooseImport() {
    const QString path = QFileDialog::getOpenFileName(this, "Importer un budget", QString(),
                                                      "Budget (*.csv *.xlsx);;CSV (*.csv);;Classeur Excel (*.xlsx)");
    if (!path.isEmpty())
        importFrom(path);
}

namespace {

std::ifstream openToRead(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    if (!in)
        throw std::runtime_error("le fichier ne peut pas être lu");
    return in;
}

QString nothingImported(const std::vector<std::string>& faults) {
    QStringList all;
    for (const auto& f : faults)
        all << q(f);
    return "Rien n'a été importé :\n" + all.join("\n");
}

}  // namespace

// The import checks every row first and says what it would do; only then, if the
// person agrees, it writes, and says what it did: a row refused at that moment (another
// desk changed the database meanwhile) leaves nothing written, and the person is told.
bool BudgetOverview::importFrom(const QString& path) {
    bool imported = false;
    attempt(QString("L'import de « %1 » a échoué : rien n'a été importé.").arg(path), [&] {
        std::vector<std::string> faults;
        const auto rows = readBudgetFile(path.toStdString(), faults);
        BudgetWriteReport preview;
        if (faults.empty()) {
            preview = writeBudgetRows(db_, rights_, rows, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::DryRun});
            faults = preview.faults;
        }
        if (!faults.empty()) {
            tellInBox(this, QMessageBox::Warning, kTitle, nothingImported(faults));
            return;
        }
        if (!askInBox(this, kTitle,
                      QString("%1 ligne(s) nouvelle(s), %2 modifiée(s), %3 inchangée(s). Voulez-vous importer ?")
                          .arg(preview.created)
                          .arg(preview.changed)
                          .arg(preview.unchanged),
                      false))
            return;
        const auto done = writeBudgetRows(db_, rights_, rows, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
        refresh();
        if (!done.faults.empty()) {
            tellInBox(this, QMessageBox::Warning, kTitle, nothingImported(done.faults));
            return;
        }
        imported = true;
        const QString said = QString("%1 ligne(s) créée(s), %2 modifiée(s), %3 inchangée(s).")
                                 .arg(done.created)
                                 .arg(done.changed)
                                 .arg(done.unchanged);
        statusBar()->showMessage(QString("Import de « %1 » : %2").arg(path, said), 10000);
        tellInBox(this, QMessageBox::Information, kTitle, said);
    });
    return imported;
}

void BudgetOverview::chooseActualsImport() {
    const QString path = QFileDialog::getOpenFileName(this, QString("Importer le réalisé de l'entité %1").arg(entity()),
                                                      QString(), "FEC (*.txt *.csv);;Tous les fichiers (*)");
    if (!path.isEmpty())
        importActualsFrom(path);
}

// The FEC of the entity shown replaces the actuals of each year it covers, once the
// person has seen what it holds and agreed; a file with one malformed line changes
// nothing, and the person reads which lines.
bool BudgetOverview::importActualsFrom(const QString& path) {
    bool imported = false;
    attempt(QString("L'import du réalisé de « %1 » a échoué : rien n'a été importé.").arg(path), [&] {
        const auto read = [&](ActualsRun run) {
            std::ifstream in = openToRead(path);
            return importActuals(*db_, entity().toStdString(), in, run);
        };
        const ActualsImport check = read(ActualsRun::CheckOnly);
        if (!check.faults.empty()) {
            tellInBox(this, QMessageBox::Warning, kTitle, nothingImported(check.faults));
            return;
        }
        QStringList years;
        for (const auto& [year, accounts] : check.accountsByYear)
            years << QString("l'exercice %1 : %2 compte(s)").arg(q(year)).arg(accounts);
        const QString read_ = QString("%1 ligne(s) d'écriture lue(s), dont %2 de classe 6 ou 7.")
                                  .arg(check.postings)
                                  .arg(check.counted);
        if (!askInBox(this, kTitle,
                      read_ + QString("\nLe réalisé de l'entité %1 sera remplacé pour %2. Voulez-vous le remplacer ?")
                                  .arg(entity(), years.join(" et ")),
                      false))
            return;
        const ActualsImport report = read(ActualsRun::Write);
        if (!report.faults.empty()) {
            tellInBox(this, QMessageBox::Warning, kTitle, nothingImported(report.faults));
            return;
        }
        imported = true;
        refresh();
        statusBar()->showMessage(QString("Réalisé importé de « %1 » : %2 Remplacé pour %3.").arg(path, read_, years.join(" et ")),
                                 10000);
    });
    return imported;
}

// The percentage is read as the French write it, "3,5", and the person confirms what
// will be applied before anything is copied.
void BudgetOverview::copyToNextYear() {
    bool ok = false;
    const QString text = QInputDialog::getText(this, "Copier vers N+1", "Variation en pourcentage (par exemple 3,5 ou -10) :",
                                               QLineEdit::Normal, "0", &ok);
    if (ok)
        copyToNextYear(text);
}

void BudgetOverview::copyToNextYear(const QString& percentText) {
    const auto percent = parsePercentage(percentText.toStdString());
    if (!percent) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString::fromStdString(notAPercentage(percentText.toStdString())));
        return;
    }
    if (!askInBox(this, kTitle,
                  QString("Copier le budget N de l'entité %1 vers N+1 en appliquant %2 à chaque montant ?")
                      .arg(entity(), q(percentageText(*percent))),
                  false))
        return;
    attempt("La copie a échoué.", [&] {
        const BudgetSheet source = readBudgetSheet(*db_, entity().toStdString(), "N");
        const BudgetSheet target = readBudgetSheet(*db_, entity().toStdString(), "N+1");
        const auto rows = copiedRows(source, "N+1", target.periodLabels.size(), *percent);
        const auto report = writeBudgetRows(db_, rights_, rows, {.onFile = OnFile::Keep, .run = BudgetWriting::Run::Write});
        if (report.faults.empty())
            statusBar()->showMessage(QString("%1 ligne(s) copiée(s) vers N+1.").arg(report.created), 10000);
        QStringList said;
        for (const auto& f : report.faults)
            said << q(f);
        for (const auto& k : report.kept)
            said << "déjà présente, laissée telle quelle : " + q(k);
        tellInBox(this, report.faults.empty() ? QMessageBox::Information : QMessageBox::Warning, kTitle,
                  (report.faults.empty() ? QString("%1 ligne(s) copiée(s) vers N+1.").arg(report.created)
                                         : QString("Rien n'a été copié.")) +
                      (said.isEmpty() ? QString() : "\n" + said.join("\n")));
        refresh();
    });
}

}  // namespace ondrel
