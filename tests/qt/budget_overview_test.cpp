// The budget overview beside the entry screen: rows, totals, chart, sorting, filter,
// the way back to the entry screen, and what follows a saved line.
#include <fstream>

#include <QTemporaryDir>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QHeaderView>
#include <QTableView>
#include <QValueAxis>

#include "tests/qt/window_fixture.h"

using namespace ondrel;

class BudgetOverviewTest : public QObject, public test::WindowFixture {
    Q_OBJECT

    QString cell(QTableView* table, int row, int column) {
        return table->model()->index(row, column).data().toString();
    }

private slots:
    void initTestCase() { isolateSettings(); }
    void init() { start(); }
    void cleanup() { stop(); }

    // "3,5" is three and a half percent, as copy-budget reads it: 350,50 becomes 362,77
    // (not 473,18), and the person is shown +3,50 % before anything is copied.
    void theCopyTakesTheFrenchDecimalCommaAndShowsWhatItApplies() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        view->copyToNextYear("3,5,5");
        QCOMPARE(int(boxes.size()), 1);
        QVERIFY(!data->db->read("BUDGET", "N10016130000000"));
        answers << "Oui";
        view->copyToNextYear("3,5");
        QVERIFY(boxes.at(1).text.contains("+3,50 %"));
        const auto copied = data->db->read("BUDGET", "N10016130000000");
        QVERIFY(copied);
        QCOMPARE(QString::fromStdString(copied->value(3, 2)), QString("36277"));
    }

    void aYearShowsItsLinesTotalsAndChart() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        QTableView* lines = view->lines();
        QCOMPARE(lines->model()->rowCount(), 2);
        QCOMPARE(cell(lines, 0, 0), QString("6064000000"));
        QCOMPARE(cell(lines, 1, 3), QString("1\u00A0550,50"));
        QCOMPARE(lines->model()->headerData(4, Qt::Horizontal).toString(), QString("janvier 2027"));
        QTableView* totals = view->totals();
        QStringList codes;
        for (int r = 0; r < totals->model()->rowCount(); ++r)
            codes << cell(totals, r, 0) + "=" + cell(totals, r, 2);
        QCOMPARE(codes, (QStringList{"6=2\u00A0750,50", "60=1\u00A0200,00", "61=1\u00A0550,50", "=2\u00A0750,50",
                                     "=0,00", "=-2\u00A0750,50"}));
        auto* bars = qobject_cast<QBarSeries*>(view->chart()->chart()->series().value(0));
        QVERIFY(bars);
        QCOMPARE(bars->barSets().size(), 2);
        QCOMPARE(bars->barSets()[0]->at(6), 450.5);   // charges of July: 100,00 + 350,50
        view->resize(1200, 700);
        QDir().mkpath(ONDREL_PICTURE_DIR);
        view->grab().save(QString(ONDREL_PICTURE_DIR) + "/overview-x" + qEnvironmentVariable("QT_SCALE_FACTOR", "1") + ".png");
    }

    // Entity 003 has a year of fifteen months: October to December come twice, so each
    // bar says its year; the amounts' axis ticks on round numbers.
    void aLongYearsChartTellsTheMonthsApartAndTicksRound() {
        BudgetOverview* view = window->overview();
        auto categories = [&] {
            auto* axis = qobject_cast<QBarCategoryAxis*>(view->chart()->chart()->axes(Qt::Horizontal).value(0));
            return axis ? axis->categories() : QStringList();
        };
        view->choose("001", "N");
        QCOMPARE(categories().value(0), QString("janvier"));
        view->choose("003", "N");
        const QStringList months = categories();
        QCOMPARE(months.size(), 15);
        QCOMPARE(months.first(), QString("oct.<br>2026"));
        QCOMPARE(months.at(12), QString("oct.<br>2027"));
        QCOMPARE(QSet<QString>(months.begin(), months.end()).size(), 15);
        auto* amounts = qobject_cast<QValueAxis*>(view->chart()->chart()->axes(Qt::Vertical).value(0));
        QVERIFY(amounts);
        QCOMPARE(amounts->max(), 3000.0);   // the produits of 2 500,00 a month, rounded up
        QCOMPARE(amounts->min(), 0.0);
        view->resize(1200, 700);
        view->grab().save(QString(ONDREL_PICTURE_DIR) + "/overview-long-year-x" + qEnvironmentVariable("QT_SCALE_FACTOR", "1") +
                          ".png");
    }

    // The FEC of entity 001 beside its budget: actual, variance and % per line, the months
    // as chosen, worse than the budget marked, an account without a line listed, the
    // actuals beside the budget in the chart.
    void theActualsStandBesideTheBudget() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        QTemporaryDir dir;
        const QString fec = dir.filePath("fec.txt");
        {
            std::ofstream out(fec.toStdString(), std::ios::binary);
            out << "JournalCode|EcritureDate|CompteNum|CompteLib|Debit|Credit\n"
                   "AC|20270115|606400|Fournitures|120,50|\n"
                   "AC|20270110|6132|Loyer|1000,00|\n"
                   "AC|20270710|6135|Entretien|700,00|\n"
                   "AC|20270301|6251|Voyages|80,00|\n";
        }
        QVERIFY(view->importActualsFrom(fec));
        QVERIFY2(boxes.back().text.contains("4 écriture(s) lue(s), 4 de classe 6 ou 7."), qPrintable(boxes.back().text));
        QTableView* lines = view->lines();
        QCOMPARE(lines->model()->headerData(4, Qt::Horizontal).toString(), QString("Réalisé"));
        QCOMPARE(lines->model()->rowCount(), 3);
        QCOMPARE(cell(lines, 1, 4), QString("▲ 1\u00A0700,00"));
        QCOMPARE(cell(lines, 1, 5), QString("▲ 149,50"));
        QCOMPARE(cell(lines, 1, 6), QString("▲ +9,6 %"));
        QCOMPARE(cell(lines, 0, 4), QString("120,50"));
        QCOMPARE(cell(lines, 2, 0), QString("6251000000"));
        QCOMPARE(cell(lines, 1, 7), QString("1\u00A0200,00"));   // January's budget
        auto* measure = view->findChild<QComboBox*>();
        for (auto* combo : view->findChildren<QComboBox*>())
            if (combo->findText("Écart %") >= 0)
                measure = combo;
        measure->setCurrentText("Écart");
        QCOMPARE(cell(lines, 1, 7), QString("-200,00"));           // January: 1 000,00 against 1 200,00
        QCOMPARE(cell(lines, 1, 13), QString("▲ 349,50"));         // July: 700,00 against 350,50
        measure->setCurrentText("Réalisé");
        QCOMPARE(cell(view->totals(), 0, 3), QString("1\u00A0900,50"));   // class 6, each account once
        auto* bars = qobject_cast<QBarSeries*>(view->chart()->chart()->series().value(0));
        QVERIFY(bars);
        QStringList sets;
        for (auto* set : bars->barSets())
            sets << set->label();
        QCOMPARE(sets, (QStringList{"Charges", "Charges réalisées", "Produits", "Produits réalisés"}));
        view->resize(1200, 700);
        view->grab().save(QString(ONDREL_PICTURE_DIR) + "/overview-actuals-x" + qEnvironmentVariable("QT_SCALE_FACTOR", "1") +
                          ".png");
        // A malformed FEC changes nothing and says which line.
        {
            std::ofstream out(fec.toStdString(), std::ios::binary);
            out << "JournalCode|EcritureDate|CompteNum|Debit|Credit\nAC|20270132|606400|1,00|\n";
        }
        QVERIFY(!view->importActualsFrom(fec));
        QVERIFY(boxes.back().text.contains("ligne 2 : EcritureDate « 20270132 »"));
        QCOMPARE(cell(view->totals(), 0, 3), QString("1\u00A0900,50"));
    }

    // Another desk saves a line: the overview shows it by itself, F5 at once. It opens
    // again at the size a person gave it.
    void theOverviewFollowsTheDatabaseAndKeepsItsSize() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        QCOMPARE(view->lines()->model()->rowCount(), 2);
        auto otherDesk = Database::open(data->db->location());
        otherDesk->write("BUDGET", otherDesk->makeRecord("BUDGET", "N00016061000000", {{"Eau"}, {"0"}, {"5000"}, {"001"}}));
        QTRY_COMPARE_WITH_TIMEOUT(view->lines()->model()->rowCount(), 3, 5000);
        otherDesk->remove("BUDGET", "N00016061000000");
        QAction* refresh = nullptr;
        for (QAction* a : view->findChildren<QAction*>())
            if (a->shortcut() == QKeySequence(QKeySequence::Refresh))
                refresh = a;
        QVERIFY(refresh);
        refresh->trigger();
        QCOMPARE(view->lines()->model()->rowCount(), 2);

        view->resize(900, 640);
        view->lines()->setColumnWidth(1, 333);
        view->close();
        BudgetOverview again(data->db);
        QCOMPARE(again.size(), QSize(900, 640));
        QCOMPARE(again.lines()->columnWidth(1), 333);
        QVERIFY(again.lines()->columnWidth(0) != 333);
    }

    void linesSortAndFilter() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        QTableView* lines = view->lines();
        lines->sortByColumn(3, Qt::DescendingOrder);
        QCOMPARE(cell(lines, 0, 0), QString("6130000000"));
        auto* filter = view->findChild<QLineEdit*>();
        filter->setText("fourn");
        QCOMPARE(lines->model()->rowCount(), 1);
        QCOMPARE(cell(lines, 0, 1), QString("Fournitures administratives"));
        filter->setText("613");
        QCOMPARE(lines->model()->rowCount(), 1);
        QCOMPARE(cell(lines, 0, 0), QString("6130000000"));
    }

    void aDoubleClickShowsTheLineInTheEntryScreen() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        QTableView* lines = view->lines();
        const QRect second = lines->visualRect(lines->model()->index(1, 1));
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(lines->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(screen->control().screen().zone("Txt_LibCompte").text(), std::string("Locations"));
    }

    void aSavedLineShowsInTheOverview() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        newLine("6061", "1000");
        typeInto("Txt_Eclat", "1");
        enter("Txt_Eclat");
        click("Cmd_OkBudget");
        QCOMPARE(view->lines()->model()->rowCount(), 3);
    }

    // Another desk removes the key between the preview and the person's yes: the import
    // writes nothing and says why, instead of throwing the refusal away.
    void aRowRefusedAtTheWriteIsToldAndNothingIsImported() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        QTemporaryDir dir;
        const QString path = dir.filePath("budget.csv");
        {
            std::ofstream out(path.toStdString(), std::ios::binary);
            out << "Entité;Exercice;Compte;Libellé;Clé;Total\n001;N;6061000000;Eau;002;1200,00\n";
        }
        beforeAnswer = [&](const test::SeenBox& box) {
            if (box.text.contains("Voulez-vous importer")) {
                File keys = data->db->OpenFile("BUDGETCLES");
                keys.DeleteRecord(keys.ReadRecord("001002"));
            }
        };
        answers << "Oui";
        QVERIFY(!view->importFrom(path));
        QCOMPARE(int(boxes.size()), 2);
        QVERIFY(boxes[0].text.startsWith("1 ligne(s) nouvelle(s)"));
        QVERIFY2(boxes[1].text.startsWith("Rien n'a été importé :\nligne 2"), qPrintable(boxes[1].text));
        QVERIFY(!data->db->read("BUDGET", "N00016061000000"));

        // And when it is written, the person is told what was.
        boxes.clear();
        beforeAnswer = nullptr;
        {
            std::ofstream out(path.toStdString(), std::ios::binary);
            out << "Entité;Exercice;Compte;Libellé;Clé;Total\n001;N;6061000000;Eau;001;1200,00\n";
        }
        answers << "Oui";
        QVERIFY(view->importFrom(path));
        QCOMPARE(boxes.back().text, QString("1 ligne(s) créée(s), 0 modifiée(s), 0 inchangée(s)."));
        QVERIFY(data->db->read("BUDGET", "N00016061000000"));
        QVERIFY(!view->importFrom(dir.filePath("absent.csv")));
        QVERIFY(boxes.back().text.contains("le fichier ne peut pas être lu"));
    }

    void theOverviewExportsWhatItShows() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("budget.csv");
        QVERIFY(view->exportTo(path));
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::string first;
        std::getline(in, first);
        QVERIFY(first.rfind("\xEF\xBB\xBF" "Entité;Exercice;Compte", 0) == 0);
        QFile::remove(path);
        const QString pdf = dir.filePath("budget.pdf");
        QVERIFY(view->reportTo(pdf));
        QFile report(pdf);
        QVERIFY(report.open(QIODevice::ReadOnly));
        QVERIFY(report.read(5) == "%PDF-");
        report.remove();
    }
};

QTEST_MAIN(BudgetOverviewTest)
#include "budget_overview_test.moc"
