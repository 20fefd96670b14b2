// The year grid from the keyboard: typing in a month, Tab and Enter, fill right, undo,
// saving through the screen's checks, another desk's change, a reader.
#include <sstream>

#include <QCheckBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>

#include "qt/budget_overview.h"
#include "qt/year_grid_window.h"
#include "tools/actuals.h"
#include "tools/profiles.h"
#include "tests/qt/window_fixture.h"

using namespace ondrel;

class YearGridTest : public QObject, public test::WindowFixture {
    Q_OBJECT

    YearGridWindow* grid = nullptr;

    void openGrid() {
        BudgetOverview* view = window->overview();
        view->choose("001", "N");
        grid = view->openYearGrid();
        QVERIFY(QTest::qWaitForWindowExposed(grid));
        grid->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(grid));
        grid->view()->setFocus();
    }

    QString cell(int row, int column) {
        return grid->model()->index(row, column).data().toString();
    }

    QModelIndex at() { return grid->view()->currentIndex(); }

    // The text a person types in the next input dialog, and OK.
    void typeInNextDialog(const QString& text) {
        QTimer::singleShot(100, this, [text] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->setTextValue(text);
            dialog->accept();
        });
    }

    // A box took the activation away; the person is back at the grid.
    void backAtTheGrid() {
        grid->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(grid));
        grid->view()->setFocus();
    }

    // Keys to whatever has the focus at each of them, as a person types them: the first
    // opens the cell's editor, which takes the others.
    void keys(const QString& text) {
        for (QChar c : text)
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(QApplication::focusWidget(), k, m); }

    static constexpr int kJanuary = YearGridModel::kFirstPeriod;

private slots:
    void initTestCase() { isolateSettings(); }
    void init() {
        start();
        openGrid();
    }
    void cleanup() {
        answers << "Oui";   // a grid left with changes is abandoned
        grid = nullptr;
        stop();
    }

    void typingInAMonthChangesItAndTabAndEnterMove() {
        QCOMPARE(at(), grid->model()->index(0, kJanuary));
        keys("2400");
        key(Qt::Key_Tab);
        QCOMPARE(cell(0, kJanuary), QString("2\u00A0400,00"));
        QCOMPARE(cell(0, YearGridModel::kTotalColumn), QString("3\u00A0500,00"));   // 2 400 + 11 × 100
        QCOMPARE(at(), grid->model()->index(0, kJanuary + 1));
        // From the last month, Tab wraps to the first month of the next line, and back.
        grid->view()->setCurrentIndex(grid->model()->index(0, kJanuary + 11));
        key(Qt::Key_Tab);
        QCOMPARE(at(), grid->model()->index(1, kJanuary));
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(at(), grid->model()->index(0, kJanuary + 11));
        // Enter keeps what is typed and goes down.
        grid->view()->setCurrentIndex(grid->model()->index(0, kJanuary + 2));
        keys("5");
        key(Qt::Key_Return);
        QCOMPARE(cell(0, kJanuary + 2), QString("5,00"));
        QCOMPARE(at(), grid->model()->index(1, kJanuary + 2));
        // A bad amount is refused, in French, and the month keeps its value.
        grid->view()->setCurrentIndex(grid->model()->index(1, kJanuary));
        keys("12a");
        key(Qt::Key_Return);
        QCOMPARE(cell(1, kJanuary), QString("1\u00A0200,00"));
        QVERIFY(grid->statusBar()->currentMessage().contains("n'est pas un montant"));
        gridPicture("year-grid");
    }

    void fillRightTotalsAndUndo() {
        grid->view()->setCurrentIndex(grid->model()->index(1, kJanuary));   // 6130: 1 200,00 in January
        key(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary + 11), QString("1\u00A0200,00"));
        QCOMPARE(cell(1, YearGridModel::kTotalColumn), QString("14\u00A0400,00"));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary + 11), QString());
        QCOMPARE(cell(1, kJanuary + 6), QString("350,50"));
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary + 6), QString("1\u00A0200,00"));
        // A total typed: spread evenly, or keeping the months' profile when asked.
        grid->view()->setCurrentIndex(grid->model()->index(0, YearGridModel::kTotalColumn));
        keys("1000");
        key(Qt::Key_Return);
        QCOMPARE(cell(0, kJanuary), QString("83,33"));
        QCOMPARE(cell(0, kJanuary + 11), QString("83,37"));
        grid->findChild<QCheckBox*>()->setChecked(true);
        grid->view()->setFocus();
        grid->view()->setCurrentIndex(grid->model()->index(0, YearGridModel::kTotalColumn));
        keys("2000");
        key(Qt::Key_Return);
        QCOMPARE(cell(0, YearGridModel::kTotalColumn), QString("2\u00A0000,00"));
        QCOMPARE(cell(0, kJanuary), QString("166,66"));
    }

    void savingGoesThroughTheScreenAndAnotherDesksChangeIsNamed() {
        keys("2400");
        key(Qt::Key_Return);
        QVERIFY(grid->windowTitle().endsWith(" *"));
        QVERIFY(grid->model()->headerData(0, Qt::Vertical, Qt::DisplayRole).toString().startsWith("* 6064000000"));
        // Another desk saves the same line meanwhile: nothing is written, the line is named,
        // and the grid keeps what was typed.
        auto otherDesk = Database::open(data->db->location());
        Record theirs = otherDesk->OpenFile("BUDGET").ReadRecord("N00016064000000");
        theirs.setValue(1, 1, "Fournitures de bureau");
        theirs.DBWrite();
        key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!boxes.empty());
        QVERIFY2(boxes.back().text.contains("ligne 1 (6064000000) : cette ligne a été modifiée par un autre poste"),
                 qPrintable(boxes.back().text));
        QCOMPARE(cell(0, kJanuary), QString("2\u00A0400,00"));
        QCOMPARE(QString::fromStdString(data->db->read("BUDGET", "N00016064000000")->value(3, 1)), QString("10000"));
        // Read again (F5, the changes abandoned), typed again and saved.
        backAtTheGrid();
        answers << "Oui";
        key(Qt::Key_F5);
        QCOMPARE(grid->model()->headerData(0, Qt::Vertical, Qt::DisplayRole).toString(),
                 QString("6064000000  Fournitures de bureau"));
        backAtTheGrid();
        grid->view()->setCurrentIndex(grid->model()->index(0, kJanuary));
        keys("2400");
        key(Qt::Key_Return);
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(data->db->read("BUDGET", "N00016064000000")->value(3, 1)), QString("240000"));
        QVERIFY(!grid->windowTitle().endsWith(" *"));
    }

    // With the entity's actuals: each line's actual, variance and % after the months,
    // worse than the budget marked, each month's actual in its tip; typing follows.
    void theActualsStandBesideTheMonths() {
        std::istringstream fec("EcritureDate|CompteNum|Debit|Credit\n20270115|606400|120,50|\n20270710|6135|700,00|\n");
        QVERIFY(importActuals(*data->db, "001", fec).faults.empty());
        key(Qt::Key_F5);
        YearGridModel* m = grid->model();
        const int actual = m->lastPeriod() + 1;
        QCOMPARE(m->headerData(actual, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Réalisé"));
        QCOMPARE(cell(0, actual), QString("120,50"));
        QCOMPARE(cell(0, actual + 1), QString("-1\u00A0079,50"));
        QCOMPARE(cell(1, actual + 1), QString("-850,50"));
        QCOMPARE(m->index(0, kJanuary).data(Qt::ToolTipRole).toString(), QString("Réalisé 120,50, écart 20,50 +20,5 %"));
        QVERIFY(!(m->flags(m->index(0, actual)) & Qt::ItemIsEditable));
        grid->view()->setCurrentIndex(m->index(0, YearGridModel::kTotalColumn));
        keys("100");
        key(Qt::Key_Return);
        QCOMPARE(cell(0, actual + 1), QString("▲ 20,50"));
        QCOMPARE(cell(0, actual + 2), QString("▲ +20,5 %"));
        gridPicture("year-grid-actuals");
    }

    // A new line goes to the entry screen, completed as Enter completes it there, and the
    // screen asks whether to create it.
    void aNewLineGoesThroughTheEntryScreensQuestions() {
        typeInNextDialog("6061");
        QAction* newLine = nullptr;
        for (QAction* a : grid->findChildren<QAction*>())
            if (a->text() == "Nouvelle ligne…")
                newLine = a;
        QVERIFY(newLine);
        answers << "Oui";
        newLine->trigger();
        QCOMPARE(screen->control().screen().zone("Txt_Cpte").text(), std::string("6061000000"));
        QVERIFY(!boxes.empty());
        QCOMPARE(boxes.back().text, QString("Voulez-vous créer ce compte budgétaire ?"));
        QVERIFY(screen->control().W_Creation);
    }

    // A line's months kept as a profile of the entity, then another line spread by it.
    void aLinesMonthsMakeAProfileForAnother() {
        typeInNextDialog("Régulier");
        for (QAction* a : grid->findChildren<QAction*>())
            if (a->text() == "Enregistrer les mois comme profil…")
                a->trigger();
        const auto profile = readProfile(*data->db, "001", "Régulier");
        QVERIFY(profile);
        QCOMPARE(profile->shares.front(), std::int64_t(833));
        QCOMPARE(profile->shares.back(), std::int64_t(837));
        grid->view()->setCurrentIndex(grid->model()->index(1, kJanuary));
        grid->spreadByProfile("Régulier");
        QCOMPARE(cell(1, kJanuary), QString("129,15"));   // 1 550,50 × 8,33 % = 129,156…, cut down to the cent
        QCOMPARE(cell(1, YearGridModel::kTotalColumn), QString("1\u00A0550,50"));
    }

    // Quitting with a grid not saved asks first; "Non" keeps everything open.
    void quittingWithChangesNotSavedAsksFirst() {
        keys("2400");
        key(Qt::Key_Return);
        answers << "Non";
        window->close();
        QVERIFY(grid->isVisible());
        QVERIFY(window->isVisible());
        QVERIFY2(boxes.back().text.contains("ne sont pas enregistrées"), qPrintable(boxes.back().text));
        QCOMPARE(cell(0, kJanuary), QString("2\u00A0400,00"));
    }

    void aReaderSeesTheGridReadOnly() {
        if (data->engine() == test::Engine::PostgreSQL)
            QSKIP("on a server the user is the role that signed in; the server tools test a reader's role");
        stop();
        start("lecteur");
        openGrid();
        keys("9");
        QCOMPARE(cell(0, kJanuary), QString("100,00"));
        QVERIFY(!(grid->model()->flags(grid->model()->index(0, kJanuary)) & Qt::ItemIsEditable));
    }

private:
    void gridPicture(const char* name) {
        QDir().mkpath(ONDREL_PICTURE_DIR);
        grid->resize(1200, 500);
        QCoreApplication::processEvents();
        QVERIFY(grid->grab().save(QString(ONDREL_PICTURE_DIR) + "/" + name + "-x" + qEnvironmentVariable("QT_SCALE_FACTOR", "1") +
                                  ".png"));
    }
};

QTEST_MAIN(YearGridTest)
#include "year_grid_test.moc"
