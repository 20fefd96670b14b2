// The budget cycle at the desktop, as a person goes through it with keys, clicks and
// menus: a version saved and validated, the year locked at the entry screen and in the
// grid, a comparison, a landing, notes kept with the lines.
#include <sstream>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>

#include "actuals/actuals.h"
#include "budget/budget_lock.h"
#include "budget/line_note.h"
#include "qt/overview/budget_overview.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/overview/landing_dialog.h"
#include "qt/grid/year_grid_window.h"
#include "tests/qt/window_fixture.h"
#include "versions/validation.h"

using namespace ondrel;

class BudgetCycleTest : public QObject, public test::WindowFixture {
    Q_OBJECT

    QPointer<BudgetOverview> view;
    QPointer<YearGridWindow> grid;

    QWidget* keyboard() {
        return QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* target = keyboard();
        QVERIFY2(target, "no window has the keyboard");
        QTest::keyClick(target, k, m);
    }
    // Ctrl+B from the entry screen opens the overview of the first entity's year N.
    void openOverview() {
        backAtTheScreen();
        key(Qt::Key_B, Qt::ControlModifier);
        QTRY_VERIFY(window->findChild<BudgetOverview*>() && window->findChild<BudgetOverview*>()->isActiveWindow());
        view = window->findChild<BudgetOverview*>();
    }
    void openGrid() {
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view));
        key(Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY(qobject_cast<YearGridWindow*>(QApplication::activeWindow()));
        grid = qobject_cast<YearGridWindow*>(QApplication::activeWindow());
    }
    // The next input dialog: the lines typed in its field, then its OK clicked.
    void answerInput(const QStringList& lines) {
        QTimer::singleShot(200, [lines] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QWidget* field = dialog->findChild<QLineEdit*>();
            if (auto* plain = dialog->findChild<QPlainTextEdit*>())
                field = plain;
            if (auto* combo = dialog->findChild<QComboBox*>(); combo && combo->isVisible())
                field = combo->lineEdit();
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            for (int i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    QTest::keyClick(field, Qt::Key_Return);
                QTest::keyClicks(field, lines[i]);
            }
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            for (QAbstractButton* b : buttons->buttons())
                if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole)
                    QTest::mouseClick(b, Qt::LeftButton);
        });
    }
    // A combo of the overview by its tip, opened with a click and its entry chosen with
    // the arrows and Enter.
    void chooseIn(const QString& tipStart, const QString& entry) {
        QComboBox* combo = nullptr;
        for (QComboBox* c : view->findChildren<QComboBox*>())
            if (c->toolTip().startsWith(tipStart))
                combo = c;
        QVERIFY(combo);
        QTest::mouseClick(combo, Qt::LeftButton);
        QTRY_VERIFY(combo->view()->isVisible());
        const int target = combo->findText(entry, Qt::MatchStartsWith);
        QVERIFY2(target >= 0, qPrintable(entry));
        while (combo->view()->currentIndex().row() < target)
            QTest::keyClick(combo->view(), Qt::Key_Down);
        while (combo->view()->currentIndex().row() > target)
            QTest::keyClick(combo->view(), Qt::Key_Up);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QTRY_COMPARE(combo->currentIndex(), target);
    }
    // The overview as a person sees it, for a person to look at.
    void overviewPicture(const char* name) {
        QCoreApplication::processEvents();
        QDir().mkpath(ONDREL_PICTURE_DIR);
        const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
        QVERIFY(view->grab().save(QString(ONDREL_PICTURE_DIR) + "/" + name + "-x" + scale + ".png"));
    }
    QString line(int row, int column) { return view->lines()->moving()->model()->index(row, column).data().toString(); }
    void allowValidation() { data->db->setAccessLevel(owner, kValidationKey, 1); }
    void validate(const char* name) { validateVersion(*data->db, *fixedRights(kFullRights), "001", "N", name); }

private slots:
    void initTestCase() { isolateSettings(); }
    void init() { start(); }
    void cleanup() {
        if (grid)
            grid->close();
        stop();
    }

    // Saved and validated from the overview's menu, the year refuses a line at the
    // screen, naming the version, and its grid opens read-only.
    void aValidatedYearIsLockedAtTheScreenAndInTheGrid() {
        allowValidation();
        openOverview();
        answerInput({"Budget primitif 2027"});
        clickMenu(view, "Budget", "Enregistrer une version…");
        QTRY_COMPARE(int(listVersions(*data->db, "001", "N").size()), 1);
        answerInput({"Budget primitif 2027"});
        answers << "Oui";
        clickMenu(view, "Budget", "Valider une version…");
        QTRY_VERIFY(view->cycleCaption().startsWith("Validé le "));
        QVERIFY(view->cycleCaption().endsWith(" : « Budget primitif 2027 »"));
        overviewPicture("cycle-validated");
        const auto lock = budgetLock(*data->db, "N0", "001");
        QVERIFY(lock);

        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        // Said from the moment the year is chosen, before anything is typed.
        bool said = false;
        for (QLabel* label : window->statusBar()->findChildren<QLabel*>())
            said = said || (label->text() == "Exercice validé : lecture seule" &&
                             label->toolTip() == QString::fromStdString(lockCaption(*lock)) +
                                                     " : en lecture seule jusqu'à sa révision");
        QVERIFY(said);
        QVERIFY(screen->widgetOf("Txt_ValBud")->toolTip().endsWith("rien ne peut y être changé ni enregistré."));
        typeInto("Txt_Cpte", "6064");
        enter("Txt_Cpte");
        // The zones of the line take no edit: what is typed there is refused at once.
        for (const char* zone : {"Txt_ValBud", "Txt_Eclat"}) {
            auto* edit = qobject_cast<QLineEdit*>(screen->widgetOf(zone));
            const QString before = edit->text();
            typeInto(zone, "2");
            QTest::keyClick(edit, Qt::Key_Backspace);
            QCOMPARE(edit->text(), before);
            QCOMPARE(QString::fromStdString(screen->control().screen().zone(zone).text()), before);
        }
        auto* automatic = qobject_cast<QRadioButton*>(screen->widgetOf("Opt_Automatique"));
        QVERIFY(automatic->isEnabled() && !automatic->isChecked());
        click("Opt_Automatique");
        QVERIFY(!automatic->isChecked());
        picture("screen-validated-year");
        boxes.clear();
        click("Cmd_OkBudget");
        QTRY_COMPARE(int(boxes.size()), 1);
        QCOMPARE(boxes[0].text, QString::fromStdString(lockRefusal(*lock)));
        QCOMPARE(QString::fromStdString(data->db->read("BUDGET", "N00016064000000")->value(4, 1)), QString("001"));

        chooseIn("Le budget de travail", "Budget de travail");
        openGrid();
        QVERIFY(grid->readOnly());
        key(Qt::Key_5);
        key(Qt::Key_Return);
        QCOMPARE(QString::fromStdString(data->db->read("BUDGET", "N00016064000000")->value(3, 1)), QString("10000"));
        QVERIFY(!grid->model()->grid()->changed());
    }

    // A version opens read-only in the grid: Delete in a line that the working budget
    // no longer has takes nothing, and Ctrl+W closes it without a question, the working
    // budget as it was.
    void aVersionInTheGridWritesNothing() {
        saveVersion(*data->db, "001", "N", "V2");
        data->db->remove("BUDGET", "N00016064000000");
        openOverview();
        chooseIn("Le budget de travail, ou une version", "V2");
        openGrid();
        QVERIFY(grid->readOnly());
        QCOMPARE(grid->model()->index(0, YearGridModel::kAccount).data().toString(), QString("6064000000"));
        key(Qt::Key_Delete);
        QVERIFY(!grid->model()->grid()->changed());
        boxes.clear();
        key(Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!grid);
        QCOMPARE(int(boxes.size()), 0);
        QVERIFY(!data->db->read("BUDGET", "N00016064000000"));
    }

    // Valider offers the year's versions, and says when a name is new; Valider and
    // Réviser, greyed, say why in their tips.
    void theCycleCommandsSayWhyTheyAreGreyedAndOfferTheVersions() {
        openOverview();
        QAction* validate = nullptr;
        QAction* revise = nullptr;
        for (QAction* a : view->findChildren<QAction*>()) {
            if (a->text() == "Valider une version…")
                validate = a;
            if (a->text() == "Réviser le budget validé")
                revise = a;
        }
        QVERIFY(validate && revise);
        QVERIFY(validate->isEnabled());
        QVERIFY(!revise->isEnabled());
        QCOMPARE(revise->toolTip(), QString("Le budget de cet exercice n'est pas validé : il n'y a rien à réviser."));
        saveVersion(*data->db, "001", "N", "Projet");
        QStringList offered;
        QTimer::singleShot(200, [&offered] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            offered = dialog->comboBoxItems();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        clickMenu(view, "Budget", "Valider une version…");
        QCOMPARE(offered, QStringList{"Projet"});
        answerInput({"Projt"});
        answers << "Non";
        clickMenu(view, "Budget", "Valider une version…");
        QVERIFY2(boxes.back().text.endsWith("« Projt » n'est pas encore une version : le budget de travail sera d'abord "
                                            "enregistré sous ce nom."),
                 qPrintable(boxes.back().text));
        QVERIFY(!budgetLock(*data->db, "N0", "001"));
        data->db->setAccessLevel(owner, kValidationKey, 0);
        view->setRights(storedRights(data->db, owner));
        QVERIFY(!validate->isEnabled());
        QVERIFY(validate->toolTip().startsWith("Réservé aux valideurs"));
    }

    // The working budget against the version it left: lines added and relabelled, the
    // months' differences, and the same in the CSV export.
    void theWorkingBudgetComparesWithAVersion() {
        saveVersion(*data->db, "001", "N", "Budget primitif 2027");
        auto r = *data->db->read("BUDGET", "N00016064000000");
        r.setValue(1, 1, "Papeterie");
        data->db->write("BUDGET", r);
        data->put("BUDGET", "N00016251000000", {{"Voyages"}, {"0"}, {"24000"}, {"001"}});
        openOverview();
        chooseIn("Comparer ce qui est affiché", "Budget primitif 2027");
        QTRY_COMPARE(view->lines()->moving()->model()->rowCount(), 3);
        QCOMPARE(line(0, 2), QString("libellé"));
        QCOMPARE(line(2, 2), QString("ajoutée"));
        QCOMPARE(line(2, 5), QString("240,00"));
        QCOMPARE(line(2, 7), QString("240,00"));   // January's difference
        overviewPicture("cycle-comparison");
        // The choices and the captions of versions never widen the window past the screen.
        QVERIFY(view->frameGeometry().width() <= view->screen()->availableGeometry().width());
        chooseIn("Ce que montrent les mois", "Budget primitif 2027");
        QTRY_COMPARE(line(2, 7), QString("0,00"));
    }

    // A landing from the menu's dialog, at the end of June with the rest spread evenly,
    // kept as a version and shown against the validated budget.
    void aLandingIsShownAgainstTheValidatedBudget() {
        std::istringstream fec("EcritureDate|CompteNum|Debit|Credit\n20270115|606400|120,50|\n20270210|625100|80,00|\n");
        QVERIFY(importActuals(*data->db, "001", fec).faults.empty());
        allowValidation();
        validate("Budget primitif 2027");
        openOverview();
        QTimer::singleShot(200, [] {
            auto* dialog = qobject_cast<LandingDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->months()->currentText(), QString("juin 2027"));
            QTest::keyClick(dialog->rest(), Qt::Key_Down);
            QCOMPARE(dialog->nameField()->text(), QString("Atterrissage fin juin 2027"));
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == "Enregistrer")
                    QTest::mouseClick(b, Qt::LeftButton);
        });
        clickMenu(view, "Budget", "Atterrissage…");
        QTRY_COMPARE(view->lines()->moving()->model()->headerData(3, Qt::Horizontal).toString(),
                     QString("Budget primitif 2027"));
        QCOMPARE(view->lines()->moving()->model()->headerData(4, Qt::Horizontal).toString(),
                 QString("Atterrissage fin juin 2027"));
        QCOMPARE(line(2, 0), QString("6251000000"));
        QCOMPARE(line(2, 2), QString("ajoutée"));
        QCOMPARE(line(0, 4), QString("1\u00A0200,00"));   // 120,50 spent, the rest spread
        QVERIFY(view->cycleCaption().startsWith("Réalisé jusqu'à juin 2027"));
        overviewPicture("cycle-forecast");
    }

    // A note typed in the grid (Shift+F2), saved with Ctrl+S, marks its line in the
    // overview, its text in the tip.
    void aNoteTypedInTheGridShowsInTheOverview() {
        openOverview();
        openGrid();
        answerInput({"Hausse du papier", "attendue en mars"});
        key(Qt::Key_F2, Qt::ShiftModifier);
        QTRY_COMPARE(QString::fromStdString(grid->model()->grid()->lines()[0].note), QString("Hausse du papier\nattendue en mars"));
        grid->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(grid));
        key(Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(readNotes(*data->db, "N0001").count("N00016064000000"), std::size_t{1});
        QVERIFY(!grid->model()->index(0, YearGridModel::kLabel).data(Qt::DecorationRole).isNull());
        grid->close();
        view->refresh();
        const QModelIndex label = view->lines()->moving()->model()->index(0, 1);
        QVERIFY(!label.data(Qt::DecorationRole).isNull());
        QVERIFY(label.data(Qt::ToolTipRole).toString().contains("Hausse du papier<br>attendue en mars"));
    }
};

QTEST_MAIN(BudgetCycleTest)
#include "budget_cycle_test.moc"
