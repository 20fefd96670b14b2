// The year grid as a person types a year in it, from the window's opening, with keys and
// clicks only: typing, Tab and Enter, refused texts that stay, every command taking the
// cell being typed, new lines on the empty row, copy and paste with a spreadsheet, the
// totals, search, sort and undo, saving through the screen's checks, closing.
#include <sstream>

#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>

#include "qt/overview/budget_overview.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/grid/year_grid_window.h"
#include "tests/qt/window_fixture.h"
#include "actuals/actuals.h"
#include "actuals/profiles.h"

#include <QPointer>

using namespace ondrel;

class YearGridTest : public QObject, public test::WindowFixture {
    Q_OBJECT

    QPointer<YearGridWindow> grid;
    static constexpr int kJanuary = YearGridModel::kFirstPeriod;

    // Ctrl+B opens the overview of the first entity's year N, Ctrl+G its grid.
    void openGrid() {
        key(Qt::Key_B, Qt::ControlModifier);
        QTRY_VERIFY(window->findChild<BudgetOverview*>() && window->findChild<BudgetOverview*>()->isActiveWindow());
        key(Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(QApplication::activeWindow() && qobject_cast<YearGridWindow*>(QApplication::activeWindow()));
        grid = qobject_cast<YearGridWindow*>(QApplication::activeWindow());
        QVERIFY(QTest::qWaitForWindowExposed(grid));
    }

    // What has the keyboard. A box that closed gave the activation back to nothing: a
    // window manager gives it back to the grid, the window the person was in.
    QWidget* keyboard() {
        if (!QApplication::activeWindow() && grid) {
            grid->activateWindow();
            if (!QTest::qWaitForWindowActive(grid))
                return nullptr;
        }
        return QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    }
    // A key to whatever has the keyboard, as a person presses it.
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* target = keyboard();
        QVERIFY2(target, "no window has the keyboard");
        QTest::keyClick(target, k, m);
    }
    void keys(const QString& text) {
        for (QChar c : text) {
            QWidget* target = keyboard();
            QVERIFY2(target, "no window has the keyboard");
            QTest::keyClicks(target, QString(c));
        }
    }

    QString cell(int row, int column) { return grid->model()->index(row, column).data().toString(); }
    QModelIndex at() { return grid->table()->current(); }
    QModelIndex index(int row, int column) { return grid->model()->index(row, column); }
    QString stored(const char* key, int field, int value = 1) {
        const auto record = data->db->read("BUDGET", key);
        return record ? QString::fromStdString(record->value(field, value)) : QString("absent");
    }
    QLineEdit* openEditor() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    QLabel* tip() {
        for (QLabel* l : grid->findChildren<QLabel*>())
            if (l->windowFlags() & Qt::ToolTip)
                return l;
        return nullptr;
    }

    // The text a person types in the next input dialog, and Enter.
    void typeInNextDialog(const QString& text) {
        QTimer::singleShot(100, this, [text] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* edit = dialog->findChild<QLineEdit*>();
            QVERIFY(edit);
            edit->selectAll();
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }

    // Down with the arrow keys to a line, to its month.
    void goTo(int row, int month) {
        key(Qt::Key_Home, Qt::ControlModifier);
        QTRY_COMPARE(at().row(), 0);
        for (int r = 0; r < row; ++r)
            key(Qt::Key_Down);
        while (at().column() < kJanuary + month)
            key(Qt::Key_Right);
        while (at().column() > kJanuary + month)
            key(Qt::Key_Left);
        QCOMPARE(at(), index(row, kJanuary + month));
    }

private slots:
    void initTestCase() { isolateSettings(); }
    void init() {
        start();
        openGrid();
    }
    void cleanup() {
        answers << "Ne pas enregistrer" << "Oui";   // a grid left with changes is abandoned
        grid = nullptr;
        stop();
    }

    // At the opening the keyboard is on January of the first line, drawn as current: a
    // year typed from there lands in its months, and a Space never ticks the box.
    void theKeysGoToTheCurrentCellFromTheOpening() {
        QCOMPARE(at(), index(0, kJanuary));
        QVERIFY(grid->table()->moving()->hasFocus());
        keys("1234");
        key(Qt::Key_Tab);
        keys("5");
        key(Qt::Key_Tab);
        QCOMPARE(cell(0, kJanuary), QString("1\u00A0234,00"));
        QCOMPARE(cell(0, kJanuary + 1), QString("5,00"));
        QCOMPARE(at(), index(0, kJanuary + 2));
        key(Qt::Key_Space);
        key(Qt::Key_Escape);
        QVERIFY(!grid->findChild<QCheckBox*>()->isChecked());
        // Back in front after another window, the keys go to the current cell.
        window->activateWindow();
        QTRY_VERIFY(window->isActiveWindow());
        QTest::mouseClick(grid->statusBar(), Qt::LeftButton);
        grid->activateWindow();   // the window manager brings the clicked window to the front
        QTRY_VERIFY(grid->isActiveWindow());
        keys("7");
        key(Qt::Key_Return);
        QCOMPARE(cell(0, kJanuary + 2), QString("7,00"));
        gridPicture("year-grid");
    }

    // Typing and moving: Tab across the months and on to the next line, Shift+Tab back,
    // Enter down; the keypad's decimal key and a thousands' blank read as the French
    // write.
    void tabWrapsAndEnterGoesDownAndTheKeypadTypesAComma() {
        goTo(0, 11);
        key(Qt::Key_Tab);
        QCOMPARE(at(), index(1, kJanuary));
        key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(at(), index(0, kJanuary + 11));
        goTo(0, 2);
        keys("12");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Period, Qt::KeypadModifier);
        keys("5");
        key(Qt::Key_Return);
        QCOMPARE(cell(0, kJanuary + 2), QString("12,50"));
        QCOMPARE(at(), index(1, kJanuary + 2));
        keys("1 000,50");
        key(Qt::Key_Return);
        QCOMPARE(cell(1, kJanuary + 2), QString("1\u00A0000,50"));
    }

    // A text the cell refuses stays in it, as typed, with the reason beside it; the
    // cursor does not move on; Esc gives the old figure back.
    void aRefusedTextStaysInItsCellWithTheReason() {
        for (const char* bad : {"abc", "-5", "1e9", "1000,505"}) {
            keys(bad);
            key(Qt::Key_Tab);
            QCOMPARE(at(), index(0, kJanuary));
            QVERIFY(openEditor());
            QCOMPARE(openEditor()->text(), QString(bad));
            QVERIFY(tip() && tip()->isVisible());
            QVERIFY2(tip()->text().contains("n'est pas un montant"), qPrintable(tip()->text()));
            key(Qt::Key_Return);
            QCOMPARE(at(), index(0, kJanuary));
            QCOMPARE(openEditor()->text(), QString(bad));
            key(Qt::Key_Escape);
            QVERIFY(!tip()->isVisible());
            QCOMPARE(cell(0, kJanuary), QString("100,00"));
        }
        // A month the line's total cannot hold is refused in its cell, as a bad figure is.
        keys("999999999,99");
        key(Qt::Key_Tab);
        QCOMPARE(at(), index(0, kJanuary));
        QVERIFY2(tip()->text().startsWith("Le total du compte 6064000000 passerait à 1\u00A0000\u00A0001\u00A0099,99"),
                 qPrintable(tip()->text()));
        key(Qt::Key_Escape);
        QCOMPARE(cell(0, kJanuary), QString("100,00"));
        // Corrected in place, it is taken.
        keys("12a");
        key(Qt::Key_Return);
        key(Qt::Key_Backspace);
        key(Qt::Key_Return);
        QCOMPARE(cell(0, kJanuary), QString("12,00"));
        QCOMPARE(at(), index(1, kJanuary));
        // Copied to the right, a month the line's total cannot hold twelve times is
        // refused whole: the month typed stays, the others are as they were.
        QCOMPARE(cell(1, kJanuary + 11), QString());
        keys("500000000");
        key(Qt::Key_R, Qt::ControlModifier);
        QTRY_VERIFY(!boxes.empty());
        QVERIFY2(boxes.back().text.startsWith("Rien n'a été changé : Le total du compte 6130000000 passerait à "),
                 qPrintable(boxes.back().text));
        QCOMPARE(cell(1, kJanuary), QString("500\u00A0000\u00A0000,00"));
        QCOMPARE(cell(1, kJanuary + 11), QString());
    }

    // Every command takes the cell being typed first: Ctrl+S saves it with the rest,
    // Ctrl+R copies what was typed, not the old value; a refused text keeps the command
    // from running.
    void everyCommandTakesTheCellBeingTyped() {
        keys("99,99");
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(stored("N00016064000000", 3), QString("9999"));
        QVERIFY(!grid->windowTitle().endsWith(" *"));
        bool saidSaved = false;
        for (QLabel* label : grid->findChildren<QLabel*>())
            saidSaved = saidSaved || label->text() == "Tout est enregistré";
        QVERIFY(saidSaved);
        goTo(1, 0);
        keys("5");
        key(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary + 11), QString("5,00"));
        QCOMPARE(cell(1, kJanuary), QString("5,00"));
        keys("abc");
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(openEditor()->text(), QString("abc"));
        QCOMPARE(stored("N00016130000000", 3), QString("120000"));
        key(Qt::Key_Escape);
        // Undo takes the cell too, then undoes it.
        goTo(1, 3);
        keys("77");
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary + 3), QString("5,00"));
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary + 3), QString("77,00"));
    }

    // Undo and redo bring the cell they change into sight; a total typed spreads evenly,
    // or keeps the months' profile when the menu says so.
    void undoGoesToTheCellItChangesAndTotalsSpread() {
        goTo(1, 11);
        keys("250");
        key(Qt::Key_Return);
        key(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(at(), index(0, YearGridModel::kAccount));
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(at(), index(1, kJanuary + 11));
        QCOMPARE(cell(1, kJanuary + 11), QString());
        key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary + 11), QString("250,00"));
        // The total of the first line, by the keys: Home goes to its first cell.
        goTo(0, 0);
        key(Qt::Key_Left);
        QCOMPARE(at(), index(0, YearGridModel::kTotal));
        keys("1000");
        key(Qt::Key_Return);
        QCOMPARE(cell(0, kJanuary), QString("83,33"));
        QCOMPARE(cell(0, kJanuary + 11), QString("83,37"));
    }

    // A new line on the empty row: its account completed as the screen completes it,
    // the screen's question asked here, its label and key typed, its months, and saving
    // writes it through the screen.
    void aNewLineIsTypedOnTheEmptyRow() {
        key(Qt::Key_N, Qt::ControlModifier);
        const int row = grid->model()->newRow();
        QCOMPARE(at(), index(row, YearGridModel::kAccount));
        answers << "Oui";
        keys("6061");
        key(Qt::Key_Return);
        QTRY_COMPARE(cell(row, YearGridModel::kAccount), QString("* 6061000000"));
        QCOMPARE(boxes.back().text, QString("Voulez-vous créer ce compte budgétaire ?"));
        QCOMPARE(at(), index(row, YearGridModel::kLabel));
        keys("Fournitures du club");
        key(Qt::Key_Tab);
        QCOMPARE(at(), index(row, YearGridModel::kKey));
        keys("1");
        key(Qt::Key_Tab);
        QCOMPARE(cell(row, YearGridModel::kKey), QString("001"));
        key(Qt::Key_Tab);
        QCOMPARE(at(), index(row, kJanuary));
        keys("300");
        key(Qt::Key_Tab);
        keys("150");
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(stored("N00016061000000", 1), QString("Fournitures du club"));
        QCOMPARE(stored("N00016061000000", 3, 2), QString("15000"));
        QCOMPARE(stored("N00016061000000", 4), QString("001"));
        // A class of the chart is offered as a grouping line; one under a line is refused
        // with the screen's own words, and the row stays for another account.
        key(Qt::Key_N, Qt::ControlModifier);
        answers << "Non";
        keys("614");
        key(Qt::Key_Return);
        QTRY_COMPARE(boxes.back().text, QString("Voulez-vous créer ce compte de regroupement budgétaire ?"));
        QCOMPARE(at(), index(grid->model()->newRow(), YearGridModel::kAccount));
        keys("6135");
        key(Qt::Key_Return);
        QTRY_COMPARE(boxes.back().text, QString("Un compte de regroupement a déjà été validé - création impossible."));
        QCOMPARE(at(), index(grid->model()->newRow(), YearGridModel::kAccount));
        gridPicture("year-grid-new-line");
    }

    // Copy gives a spreadsheet tab-separated French figures; a block pasted from one
    // lands in the months as one step, each value checked, and a bad cell refuses it
    // whole.
    void copyAndPasteWithASpreadsheet() {
        key(Qt::Key_Right, Qt::ShiftModifier);
        key(Qt::Key_Down, Qt::ShiftModifier);
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("100,00\t100,00\n1200,00\t\n"));
        goTo(0, 3);
        QGuiApplication::clipboard()->setText("1\u00A0000,50\t2000\r\n3000\t\r\n");
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(cell(0, kJanuary + 3), QString("1\u00A0000,50"));
        QCOMPARE(cell(0, kJanuary + 4), QString("2\u00A0000,00"));
        QCOMPARE(cell(1, kJanuary + 3), QString("3\u00A0000,00"));
        QCOMPARE(cell(1, kJanuary + 4), QString());
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(0, kJanuary + 3), QString("100,00"));
        QCOMPARE(cell(1, kJanuary + 3), QString());
        // With the account and label columns, each row goes to its account's line.
        QGuiApplication::clipboard()->setText("6130000000\tLocations\t10\t20\n6064000000\tFournitures\t30\n");
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary + 1), QString("20,00"));
        QCOMPARE(cell(0, kJanuary), QString("30,00"));
        // A bad cell, or a block past the last line: nothing is pasted, and the box says
        // where.
        goTo(0, 0);
        QGuiApplication::clipboard()->setText("5\t6\n7\tabc\n");
        key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY2(boxes.back().text.contains("ligne 2, colonne 2 du collage : « abc » n'est pas un montant"),
                 qPrintable(boxes.back().text));
        QCOMPARE(cell(0, kJanuary), QString("30,00"));
        QGuiApplication::clipboard()->setText("1\n2\n3\n");
        key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY2(boxes.back().text.contains("ligne 3 du collage : le bloc dépasse la dernière ligne"), qPrintable(boxes.back().text));
        QCOMPARE(cell(1, kJanuary), QString("10,00"));
        // On the empty row, a block of months has no line to land on.
        goTo(0, 0);
        key(Qt::Key_End, Qt::ControlModifier);
        key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY2(boxes.back().text.contains("la ligne « Nouveau compte… » n'a pas encore de compte"), qPrintable(boxes.back().text));
        QCOMPARE(cell(1, kJanuary), QString("10,00"));
        // Whole rows, as the grid's own columns give them: the months land, and the box
        // says what the line kept of its key and its total.
        QString whole = "6064000000\tFournitures\t002\t9999,00";
        for (int m = 0; m < 12; ++m)
            whole += "\t10";
        QGuiApplication::clipboard()->setText(whole + "\n");
        key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY2(boxes.back().text.contains("la clé « 002 » n'est pas reprise ; la ligne garde la clé 001"),
                 qPrintable(boxes.back().text));
        QVERIFY2(boxes.back().text.contains("le total « 9999,00 » n'est pas repris ; la ligne totalise ses mois, 120,00"),
                 qPrintable(boxes.back().text));
        QCOMPARE(cell(0, kJanuary + 11), QString("10,00"));
    }

    // The totals stay below the lines, following each figure; the search goes to a line;
    // a click on a heading sorts by it.
    void totalsSearchAndSort() {
        const QAbstractItemModel* t = nullptr;
        for (auto* table : grid->findChildren<FrozenColumnsTable*>())
            if (table->moving()->model() != grid->model())
                t = table->moving()->model();
        QVERIFY(t);
        QCOMPARE(t->index(0, YearGridModel::kAccount).data().toString(), QString("Total charges"));
        const QString before = t->index(0, kJanuary).data().toString();
        keys("1000");
        key(Qt::Key_Return);
        QVERIFY(t->index(0, kJanuary).data().toString() != before);
        QCOMPARE(t->index(2, kJanuary).data().toString(), "-" + t->index(0, kJanuary).data().toString());
        key(Qt::Key_F, Qt::ControlModifier);
        keys("locat");
        QCOMPARE(grid->model()->grid()->lines().at(grid->model()->lineAt(at().row())).account, std::string("6130000000"));
        key(Qt::Key_Escape);
        QHeaderView* header = grid->table()->viewOf(YearGridModel::kTotal)->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(YearGridModel::kTotal) + 10, header->height() / 2));
        const auto& lines = grid->model()->grid()->lines();
        QVERIFY(grid->model()->grid()->total(grid->model()->lineAt(0)) <= grid->model()->grid()->total(grid->model()->lineAt(1)));
        QVERIFY(lines.size() >= 2);
    }

    // Closing with changes: Annuler keeps the grid, Enregistrer saves and closes.
    void closingWithChangesOffersToSave() {
        keys("2400");
        key(Qt::Key_Return);
        answers << "Annuler";
        key(Qt::Key_W, Qt::ControlModifier);
        QVERIFY(grid->isVisible());
        QStringList buttons = boxes.back().buttons;
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Annuler", "Enregistrer", "Ne pas enregistrer"}));
        QCOMPARE(boxes.back().defaultButton, QString("Enregistrer"));
        answers << "Enregistrer";
        key(Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(grid.isNull());
        QCOMPARE(stored("N00016064000000", 3), QString("240000"));
    }

    // Another desk saves the same line meanwhile: nothing is written, the line is named,
    // and the grid keeps what was typed until F5 reads the database again.
    // Another desk's save meanwhile: Ctrl+S names the line and writes nothing; F5 takes
    // that line as the other desk left it and says so, keeping the other changes, which
    // Ctrl+S then saves.
    void anotherDesksChangeIsNamedAndNothingIsWritten() {
        keys("2400");
        key(Qt::Key_Return);
        keys("55");
        key(Qt::Key_Return);
        auto otherDesk = Database::open(data->db->location());
        Record theirs = otherDesk->OpenFile("BUDGET").ReadRecord("N00016064000000");
        theirs.setValue(1, 1, "Fournitures de bureau");
        theirs.DBWrite();
        key(Qt::Key_S, Qt::ControlModifier);
        QVERIFY2(boxes.back().text.contains("ligne 1 (6064000000) : cette ligne a été modifiée par un autre poste"),
                 qPrintable(boxes.back().text));
        QCOMPARE(cell(0, kJanuary), QString("2\u00A0400,00"));
        QCOMPARE(stored("N00016064000000", 3), QString("10000"));
        key(Qt::Key_F5);
        QVERIFY2(boxes.back().text.startsWith("Un autre poste a modifié la ligne 6064000000 depuis votre lecture : elle est "
                                              "reprise telle qu'il l'a enregistrée"),
                 qPrintable(boxes.back().text));
        QCOMPARE(cell(0, YearGridModel::kLabel), QString("Fournitures de bureau"));
        QCOMPARE(cell(0, kJanuary), QString("100,00"));
        QCOMPARE(cell(1, kJanuary), QString("55,00"));
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(stored("N00016130000000", 3), QString("5500"));
        QCOMPARE(stored("N00016064000000", 1), QString("Fournitures de bureau"));
    }

    // With the entity's actuals: each line's actual, variance and % after the months,
    // worse than the budget marked; a line's own actuals make its profile.
    void theActualsStandBesideTheMonthsAndMakeALinesProfile() {
        std::istringstream fec("EcritureDate|CompteNum|Debit|Credit\n20270115|606400|120,50|\n20270710|6135|700,00|\n"
                               "20271231|6135|700,00|\n");
        QVERIFY(importActuals(*data->db, "001", fec).faults.empty());
        key(Qt::Key_F5);
        YearGridModel* m = grid->model();
        const int actual = m->lastPeriod() + 1;
        QCOMPARE(m->headerData(actual, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Réalisé"));
        QCOMPARE(cell(0, actual), QString("120,50"));
        QCOMPARE(m->index(0, kJanuary).data(Qt::ToolTipRole).toString(), QString("Réalisé 120,50, écart 20,50 +20,5 %"));
        gridPicture("year-grid-actuals");
        // 6130's line takes the actuals of 6135: July and December, half each.
        goTo(1, 0);
        typeInNextDialog("Locations");
        clickMenu(grid, "Édition", "Profil du réalisé de ce compte…");
        const auto profile = readProfile(*data->db, "001", "Locations");
        QVERIFY(profile);
        QCOMPARE(profile->shares.at(6), std::int64_t(5000));
        QCOMPARE(profile->shares.at(11), std::int64_t(5000));
        QCOMPARE(profile->shares.at(0), std::int64_t(0));
    }

    // A line's months kept as a profile of the entity, another line spread by it, then
    // raised by a percentage, each through the Édition menu.
    void profilesAndRaisesThroughTheMenu() {
        typeInNextDialog("Mensuel");
        clickMenu(grid, "Édition", "Enregistrer les mois comme profil…");
        const auto profile = readProfile(*data->db, "001", "Mensuel");
        QVERIFY(profile);
        QCOMPARE(profile->shares.front(), std::int64_t(833));
        QCOMPARE(profile->shares.back(), std::int64_t(837));
        goTo(1, 0);
        QTimer::singleShot(100, this, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
        clickMenu(grid, "Édition", "Répartir selon un profil…");
        QCOMPARE(cell(1, kJanuary), QString("129,15"));   // 1 550,50 × 8,33 % = 129,156…, cut down to the cent
        QCOMPARE(cell(1, YearGridModel::kTotal), QString("1\u00A0550,50"));
        typeInNextDialog("10");
        clickMenu(grid, "Édition", "Augmenter ou diminuer de…");
        QCOMPARE(cell(1, kJanuary), QString("142,07"));   // 129,15 + 10 %, to the cent
    }

    // Quitting the application with a grid not saved asks the grid's question first.
    void quittingWithChangesNotSavedAsksFirst() {
        keys("2400");
        key(Qt::Key_Return);
        answers << "Annuler";
        window->close();
        QVERIFY(grid->isVisible());
        QVERIFY(window->isVisible());
        QCOMPARE(cell(0, kJanuary), QString("2\u00A0400,00"));
    }

    // The frozen columns leave the months their room: at most a third of the grid, the
    // label giving way, its whole text in its tip, then the total and the key going
    // over to the months' side, the account and label staying. The label's width a
    // person drags is there again at the next opening.
    void theFrozenColumnsLeaveTheMonthsRoomAndADraggedWidthStays() {
        FrozenColumnsTable* t = grid->table();
        QHeaderView* header = t->frozen()->horizontalHeader();
        const int least = 8 * t->fontMetrics().averageCharWidth();
        const int narrowest = header->sectionSize(YearGridModel::kAccount) + least;
        QVERIFY2(t->frozen()->width() <= t->width() / 3 || header->length() <= narrowest,
                 qPrintable(QString("frozen %1 of %2").arg(t->frozen()->width()).arg(t->width())));
        QVERIFY(t->viewOf(YearGridModel::kLabel) == t->frozen());
        // The totals below stand level with the lines, column by column.
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            QCOMPARE(grid->totals()->viewOf(c) == grid->totals()->frozen(), t->viewOf(c) == t->frozen());
        QCOMPARE(index(0, YearGridModel::kLabel).data(Qt::ToolTipRole).toString(), cell(0, YearGridModel::kLabel));
        QVERIFY(grid->grab().save(QString(ONDREL_PICTURE_DIR) + "/year-grid-opened-x" +
                                  qEnvironmentVariable("QT_SCALE_FACTOR", "1") + ".png"));
        // A drag of the label's right edge, 20 points to the left.
        QWidget* area = header->viewport();
        const int edge = header->sectionViewportPosition(YearGridModel::kLabel) + header->sectionSize(YearGridModel::kLabel) - 1;
        const int before = header->sectionSize(YearGridModel::kLabel);
        const QPoint from(edge, header->height() / 2), to(edge - 20, header->height() / 2);
        QTest::mousePress(area, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), area->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(area, &move);
        QTest::mouseRelease(area, Qt::LeftButton, {}, to);
        QCOMPARE(header->sectionSize(YearGridModel::kLabel), before - 20);
        key(Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!grid);
        // The window manager gives the keyboard back to the overview; Ctrl+G again.
        auto* view = window->findChild<BudgetOverview*>();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view));
        key(Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(qobject_cast<YearGridWindow*>(QApplication::activeWindow()));
        grid = qobject_cast<YearGridWindow*>(QApplication::activeWindow());
        QCOMPARE(grid->table()->frozen()->horizontalHeader()->sectionSize(YearGridModel::kLabel), before - 20);
    }

    // A reader's grid takes no edit: a typed figure, Delete and a paste change nothing,
    // and Ctrl+W closes it without a question, nothing written.
    void aReaderSeesTheGridReadOnly() {
        if (data->engine() == test::Engine::PostgreSQL)
            QSKIP("on a server the user is the role that signed in; the server tools test a reader's role");
        stop();
        start("lecteur");
        openGrid();
        keys("9");
        QCOMPARE(cell(0, kJanuary), QString("100,00"));
        QCOMPARE(grid->model()->rowCount(), static_cast<int>(grid->model()->grid()->lines().size()));
        const auto before = data->db->read("BUDGET", "N00016064000000")->revision();
        key(Qt::Key_Down);
        const QString second = cell(1, kJanuary);
        key(Qt::Key_Delete);
        QGuiApplication::clipboard()->setText("1\t2\n");
        key(Qt::Key_V, Qt::ControlModifier);
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(cell(1, kJanuary), second);
        QVERIFY(!grid->model()->grid()->changed());
        boxes.clear();
        key(Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!grid);
        QCOMPARE(int(boxes.size()), 0);
        QCOMPARE(data->db->read("BUDGET", "N00016064000000")->revision(), before);
        for (const auto& key : data->db->keys("BUDGET"))
            for (const auto& revision : data->db->history("BUDGET", key))
                QVERIFY2(revision.author != "lecteur", key.c_str());
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
