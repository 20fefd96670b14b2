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
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QHeaderView>
#include <QTableView>
#include <QValueAxis>

#include "qt/widgets/frozen_columns.h"
#include "tests/qt/window_fixture.h"

using namespace ondrel;

class BudgetOverviewTest : public QObject, public test::WindowFixture {
    Q_OBJECT

    QString cell(QTableView* table, int row, int column) {
        return table->model()->index(row, column).data().toString();
    }

    // The name a file dialog offers for a menu's item; the path typed in its place.
    QString offeredName(BudgetOverview* view, const QString& item, const QString& path) {
        QString offered;
        answerFileDialog(path, &offered);
        clickMenu(view, "Fichier", item);
        for (int waited = 0; offered.isEmpty() && waited < 3000; waited += 50)
            QTest::qWait(50);
        return offered;
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
        QTableView* lines = view->lines()->moving();
        QCOMPARE(lines->model()->rowCount(), 2);
        QCOMPARE(cell(lines, 0, 0), QString("6064000000"));
        QCOMPARE(cell(lines, 1, 3), QString("1\u00A0550,50"));
        QCOMPARE(lines->model()->headerData(4, Qt::Horizontal).toString(), QString("janvier 2027"));
        QTableView* totals = view->totals()->moving();
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
        QCOMPARE(categories().value(0), QString("janv."));
        QCOMPARE(categories().value(8), QString("sept."));
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
        answers << "Oui";
        QVERIFY(view->importActualsFrom(fec));
        QVERIFY2(boxes.back().text.startsWith("4 ligne(s) d'écriture lue(s), dont 4 de classe 6 ou 7.\nLe réalisé de "
                                               "l'entité 001 sera remplacé pour l'exercice N : 4 compte(s)."),
                 qPrintable(boxes.back().text));
        QTableView* lines = view->lines()->moving();
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
        QCOMPARE(cell(view->totals()->moving(), 0, 3), QString("1\u00A0900,50"));   // class 6, each account once
        // The chart follows what the months show: the actuals; the variance; the budget
        // with each actual beside it.
        auto sets = [&] {
            QStringList names;
            if (auto* bars = qobject_cast<QBarSeries*>(view->chart()->chart()->series().value(0)))
                for (auto* set : bars->barSets())
                    names << set->label();
            return names;
        };
        QCOMPARE(sets(), (QStringList{"Charges réalisées", "Produits réalisés"}));
        measure->setCurrentText("Écart");
        QCOMPARE(sets(), (QStringList{"Écart des charges", "Écart des produits"}));
        auto* bars = qobject_cast<QBarSeries*>(view->chart()->chart()->series().value(0));
        QCOMPARE(bars->barSets()[0]->at(6), 249.5);   // July: 700,00 actual against 450,50 budgeted
        measure->setCurrentText("Budget");
        QCOMPARE(sets(), (QStringList{"Charges", "Charges réalisées", "Produits", "Produits réalisés"}));
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
        QCOMPARE(cell(view->totals()->moving(), 0, 3), QString("1\u00A0900,50"));
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
        QTableView* lines = view->lines()->moving();
        // Two clicks on the heading of the totals: the largest first.
        QHeaderView* header = lines->horizontalHeader();
        const QPoint total(header->sectionViewportPosition(3) + 10, header->height() / 2);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, total);
        QCOMPARE(cell(lines, 0, 0), QString("6064000000"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, total);
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
        QTableView* lines = view->lines()->frozen();
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
        QVERIFY(boxes.back().text.contains("ne peut pas être lu"));
    }

    // From the window's opening on a 1366×768 screen: at 100 % the chart opens below the
    // tables, tall enough for its amounts and months; at 150 % and 200 % it cannot be and
    // opens shut, the tables showing a few classes rather than one.
    void theChartOpensOnlyWhereItsAxesFit() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
        QTRY_VERIFY(window->findChild<BudgetOverview*>() && window->findChild<BudgetOverview*>()->isActiveWindow());
        BudgetOverview* view = window->findChild<BudgetOverview*>();
        const QList<int> sizes = view->findChild<QSplitter*>()->sizes();
        if (qEnvironmentVariable("QT_SCALE_FACTOR", "1") == "1")
            QVERIFY2(sizes[2] >= 10 * view->chart()->fontMetrics().height(), qPrintable(QString::number(sizes[2])));
        else
            QCOMPARE(sizes[2], 0);
        QTableView* classes = view->totals()->moving();
        QVERIFY(classes->viewport()->height() >= 2 * classes->verticalHeader()->defaultSectionSize());
    }

    // From the window's opening: Ctrl+B, then the months scroll under the account and its
    // label, the lines take most of a maximised window, and the chart, dragged shorter
    // than its axes need, shuts.
    void theMonthsScrollUnderTheAccountAndTheChartShuts() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
        QTRY_VERIFY(window->findChild<BudgetOverview*>() && window->findChild<BudgetOverview*>()->isActiveWindow());
        BudgetOverview* view = window->findChild<BudgetOverview*>();
        // Maximised, as the window manager does on a double click of its title.
        const QRect room = view->screen()->availableGeometry();
        view->setGeometry(room);
        QTRY_VERIFY(view->height() >= room.height() * 9 / 10);
        QTableView* months = view->lines()->moving();
        QTableView* accounts = view->lines()->frozen();
        // The lines take most of the room: at 1366×768, a dozen of them at least.
        QVERIFY2(months->viewport()->height() * 10 >= view->height() * 3, qPrintable(QString::number(months->viewport()->height())));
        if (room.height() >= 700)
            QVERIFY(months->viewport()->height() / months->verticalHeader()->defaultSectionSize() >= 12);
        QTest::mouseClick(months->viewport(), Qt::LeftButton, {}, months->visualRect(months->model()->index(0, 6)).center());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
        QVERIFY(months->horizontalScrollBar()->value() > 0);
        QVERIFY(accounts->isVisible());
        QCOMPARE(accounts->model()->index(0, 0).data().toString(), QString("6064000000"));
        QVERIFY(accounts->viewport()->rect().contains(accounts->visualRect(accounts->model()->index(0, 1))));
        auto* panes = view->findChild<QSplitter*>();
        QVERIFY(panes);
        QSplitterHandle* handle = panes->handle(2);
        const int before = view->chart()->height();
        const QPoint middle = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, middle);
        QTest::mouseMove(handle, middle + QPoint(0, before / 2));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, middle + QPoint(0, before / 2));
        // Half as tall, its axes would be cut: it shuts.
        QVERIFY2(panes->sizes()[2] == 0, qPrintable(QString("%1 -> %2").arg(before).arg(panes->sizes()[2])));
        QVERIFY(panes->sizes()[0] >= months->height());
        view->grab().save(QString(ONDREL_PICTURE_DIR) + "/overview-maximised-x" + qEnvironmentVariable("QT_SCALE_FACTOR", "1") +
                          ".png");
    }

    // The names offered for the files carry the calendar years of the fiscal year, and the
    // status bar says what each export and import did.
    void fileNamesCarryTheYearAndTheStatusBarSaysWhatWasDone() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
        QTRY_VERIFY(window->findChild<BudgetOverview*>() && window->findChild<BudgetOverview*>()->isActiveWindow());
        BudgetOverview* view = window->findChild<BudgetOverview*>();
        QTemporaryDir dir;
        const QString pdf = dir.filePath("rapport.pdf");
        QCOMPARE(offeredName(view, "Exporter en PDF…", pdf), QString("budget-001-2027.pdf"));
        QVERIFY(QFile::exists(pdf));
        QTRY_VERIFY(view->statusBar()->currentMessage().contains("Rapport exporté en PDF dans « " + pdf + " »"));
        const QString csv = dir.filePath("budget.csv");
        QCOMPARE(offeredName(view, "Exporter…", csv), QString("budget-001-2027.csv"));
        QTRY_VERIFY(view->statusBar()->currentMessage().startsWith("2 ligne(s) exportée(s) dans"));
        view->choose("002", "N");
        QCOMPARE(offeredName(view, "Exporter avec le réalisé…", {}), QString("budget-realise-002-2026-2027.csv"));
    }

    // An XLSX exported, edited in a spreadsheet and saved, imports back through the menu
    // as the CSV does: what it would do is shown first, then the status bar says what it
    // did.
    void anXlsxImportsBackThroughTheMenu() {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
        QTRY_VERIFY(window->findChild<BudgetOverview*>() && window->findChild<BudgetOverview*>()->isActiveWindow());
        BudgetOverview* view = window->findChild<BudgetOverview*>();
        QTemporaryDir dir;
        const QString xlsx = dir.filePath("budget.xlsx");
        QCOMPARE(offeredName(view, "Exporter…", xlsx), QString("budget-001-2027.csv"));
        QVERIFY(QFile::exists(xlsx));
        data->db->write("BUDGET", data->db->makeRecord("BUDGET", "N00016064000000", {{"Autre"}, {"0"}, {"5"}, {"001"}}));
        answers << "Oui";
        answerFileDialog(xlsx);
        clickMenu(view, "Fichier", "Importer…");
        QTRY_VERIFY(view->statusBar()->currentMessage().contains("0 ligne(s) créée(s), 1 modifiée(s), 1 inchangée(s)."));
        QVERIFY2(boxes.at(boxes.size() - 2).text.startsWith("0 ligne(s) nouvelle(s), 1 modifiée(s)"),
                 qPrintable(boxes.at(boxes.size() - 2).text));
        QCOMPARE(QString::fromStdString(data->db->read("BUDGET", "N00016064000000")->value(3, 12)), QString("10000"));
    }

    // The actuals of a year are replaced only once the person has seen what the file
    // holds and said yes.
    void theActualsImportAsksBeforeReplacingAYear() {
        BudgetOverview* view = window->overview();
        QTemporaryDir dir;
        const QString fec = dir.filePath("fec.txt");
        {
            std::ofstream out(fec.toStdString(), std::ios::binary);
            out << "EcritureDate|CompteNum|Debit|Credit\n20270115|606400|120,50|\n20270116|401|120,50|\n";
        }
        answers << "Non";
        QVERIFY(!view->importActualsFrom(fec));
        QCOMPARE(boxes.back().defaultButton, QString("Non"));
        QVERIFY(!data->db->read("REALISE", "N00016064000000"));
        answers << "Oui";
        QVERIFY(view->importActualsFrom(fec));
        QVERIFY(data->db->read("REALISE", "N00016064000000"));
        QVERIFY2(view->statusBar()->currentMessage().contains("2 ligne(s) d'écriture lue(s), dont 1 de classe 6 ou 7."),
                 qPrintable(view->statusBar()->currentMessage()));
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
