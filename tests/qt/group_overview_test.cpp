// The group at the desktop, as a person reads it with keys and clicks: the group and
// its year chosen, the flow between its members set apart, the columns by month, the
// filter, and a double click that opens an entity's overview on the line.
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QTableView>
#include <QTableWidget>

#include <QInputDialog>

#include "actuals/actuals.h"
#include "budget/budget_lock.h"
#include "qt/overview/budget_overview.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/group/group_dialog.h"
#include "qt/group/group_overview.h"
#include "tests/qt/window_fixture.h"

using namespace ondrel;

class GroupOverviewTest : public QObject, public test::WindowFixture {
    Q_OBJECT

    GroupOverview* view = nullptr;

    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        QVERIFY2(target, "no window has the keyboard");
        QTest::keyClick(target, k, m);
    }
    // Ctrl+Maj+B from the entry screen.
    void openGroup() {
        backAtTheScreen();
        key(Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(qobject_cast<GroupOverview*>(QApplication::activeWindow()));
        view = qobject_cast<GroupOverview*>(QApplication::activeWindow());
    }
    // Alt and the underlined letter of a choice, then the arrow down as many times.
    void pick(Qt::Key letter, int downs) {
        key(letter, Qt::AltModifier);
        for (int i = 0; i < downs; ++i)
            key(Qt::Key_Down);
    }
    QStringList column(int c) {
        QStringList texts;
        QAbstractItemModel* m = view->lines()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            texts << m->index(r, c).data().toString();
        return texts;
    }
    int headed(QAbstractItemModel* m, const QString& heading) {
        for (int c = 0; c < m->columnCount(); ++c)
            if (m->headerData(c, Qt::Horizontal).toString() == heading)
                return c;
        return -1;
    }
    QString totalOf(const QString& label, const QString& heading) {
        QAbstractItemModel* m = view->totals()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->index(r, 1).data().toString() == label)
                return m->index(r, headed(m, heading)).data().toString();
        return "absent";
    }
    // "1 500,00" as the window writes it, its thousands parted by a no-break space.
    static QString amount(const char* text) { return QString(text).replace(' ', QChar(0x00A0)); }
    void picture(const char* name) {
        QDir().mkpath(ONDREL_PICTURE_DIR);
        view->grab().save(QString(ONDREL_PICTURE_DIR) + "/" + name + "-x" + qEnvironmentVariable("QT_SCALE_FACTOR", "1") +
                          ".png");
    }

    // Runs the steps in the dialog once it is open, as a person would there.
    void inDialog(std::function<void(GroupDialog*)> steps) {
        QTimer::singleShot(200, [steps] {
            auto* dialog = qobject_cast<GroupDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            steps(dialog);
        });
    }
    // The next input box: the text typed over its value, then OK.
    void answerInput(const QString& text) {
        QTimer::singleShot(200, [text] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* field = dialog->findChild<QLineEdit*>();
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(field, text);
            clickOk(dialog);
        });
    }
    static void clickOk(QDialog* dialog) {
        for (auto* b : dialog->findChildren<QPushButton*>())
            if (b->text() == "OK")
                QTest::mouseClick(b, Qt::LeftButton);
    }

private slots:
    void initTestCase() { isolateSettings(); }
    void init() {
        start();
        writeDemoGroup(*data->db);
    }
    void cleanup() {
        view = nullptr;
        stop();
    }

    void theFlowBetweenMembersIsSetApartFromTheTotals() {
        openGroup();
        pick(Qt::Key_G, 1);   // "Réseau du Livre", after "Toutes les entités"
        QTRY_COMPARE(view->windowTitle(), QString("Vue du groupe — Réseau du Livre (N)"));
        QVERIFY(view->findChildren<QLabel*>().size() > 0);
        // In N the two years do not start in the same month: said above the lines.
        bool said = false;
        for (QLabel* l : view->findChildren<QLabel*>())
            said = said || l->text().startsWith("Les exercices des entités ne couvrent pas les mêmes mois");
        QVERIFY(said);
        QCOMPARE(column(0), (QStringList{"6064000000", "6130000000", "7060000000"}));
        pick(Qt::Key_X, 1);   // N+1
        QTRY_COMPARE(column(0), (QStringList{"6064000000", "6281000000", "7560000000"}));
        QAbstractItemModel* lines = view->lines()->model();
        QCOMPARE(lines->index(2, headed(lines, "Éliminations")).data().toString(), QString("600,00"));
        QCOMPARE(lines->index(2, headed(lines, "Total")).data().toString(), QString("0,00"));
        QCOMPARE(lines->index(2, headed(lines, "001")).data().toString(), QString("600,00"));
        QCOMPARE(totalOf("Résultat", "Total"), amount("-1 500,00"));
        QCOMPARE(totalOf("Résultat", "001"), amount("-1 500,00"));
        QCOMPARE(totalOf("Éliminations (hors totaux)", "Éliminations"), amount("1 200,00"));
        picture("group-overview");
    }

    void monthsFilterAndADoubleClickOnAnEntitysAmount() {
        openGroup();
        pick(Qt::Key_G, 1);
        pick(Qt::Key_C, 1);   // by month
        QAbstractItemModel* lines = view->lines()->model();
        QTRY_VERIFY(headed(lines, "janvier 2027") > 0);
        QCOMPARE(headed(lines, "001"), -1);
        // October 2026 is the foundation's first month, before the association's year.
        QCOMPARE(lines->index(2, headed(lines, "octobre 2026")).data().toString(), amount("2 500,00"));
        picture("group-overview-months");
        key(Qt::Key_I, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), "locat");
        QTRY_COMPARE(column(0), QStringList{"6130000000"});
        pick(Qt::Key_C, 0);
        key(Qt::Key_Up);      // back to a column an entity
        QTRY_VERIFY(headed(lines, "001") > 0);
        QTableView* moving = view->lines()->viewOf(headed(lines, "001"));
        const QModelIndex cell = moving->model()->index(0, headed(lines, "001"));
        moving->scrollTo(cell);
        const QRect at = moving->visualRect(cell);
        QTest::mouseClick(moving->viewport(), Qt::LeftButton, {}, at.center());
        QTest::mouseDClick(moving->viewport(), Qt::LeftButton, {}, at.center());
        QTRY_VERIFY(window->findChild<BudgetOverview*>() && window->findChild<BudgetOverview*>()->isVisible());
        auto* entity = window->findChild<BudgetOverview*>();
        QTRY_COMPARE(entity->lines()->current().siblingAtColumn(0).data().toString(), QString("6130000000"));
    }

    // Ctrl+N: a name, a second entity ticked, a flow typed in its row, OK; the window
    // then shows the new group. A name left empty keeps the dialog and what was typed.
    void aBudgeterMakesAGroupInTheDialog() {
        openGroup();
        inDialog([](GroupDialog* dialog) {
            dialog->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            clickOk(dialog);   // no name yet
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) == nullptr);
            QVERIFY(dialog->isVisible());
            QTest::keyClicks(dialog->findChild<QLineEdit*>(), "Nord");
            // A click on 003 in the list, then the space bar ticks it.
            auto* others = dialog->findChild<QListWidget*>();
            QTest::mouseClick(others->viewport(), Qt::LeftButton, {}, others->visualItemRect(others->item(2)).center());
            QTest::keyClick(others, Qt::Key_Space);
            for (auto* b : dialog->findChildren<QPushButton*>())
                if (b->text() == "Ajouter un &flux")
                    QTest::mouseClick(b, Qt::LeftButton);
            // The new row's first cell is open for typing; Tab goes to the next.
            for (const char* cell : {"Cotisation", "6281", "756"}) {
                QVERIFY(dialog->focusWidget());
                QTest::keyClicks(dialog->focusWidget(), cell);
                QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            }
            QDir().mkpath(ONDREL_PICTURE_DIR);
            dialog->grab().save(QString(ONDREL_PICTURE_DIR) + "/group-dialog-x" +
                                qEnvironmentVariable("QT_SCALE_FACTOR", "1") + ".png");
            clickOk(dialog);
        });
        key(Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(view->windowTitle(), QString("Vue du groupe — Nord (N)"));
        QCOMPARE(boxes.front().text, QString("Le groupe n'a pas été enregistré : Donnez un nom au groupe."));
        const Group nord = readGroup(*data->db, "Nord");
        QCOMPARE(nord.entities, (std::vector<std::string>{"001", "003"}));
        QCOMPARE(nord.flows, (std::vector<Flow>{{"Cotisation", "6281000000", "7560000000"}}));
    }

    // A reader sees the groups but neither makes, changes nor deletes one.
    void aReaderChangesNoGroup() {
        if (data->engine() == test::Engine::PostgreSQL)
            QSKIP("on a server the user is the role that signed in; the refusal tests give a reader's role");
        stop();
        start("lecteur");
        writeDemoGroup(*data->db);
        openGroup();
        for (QAction* title : view->menuBar()->actions())
            if (title->text() == "G&roupe")
                for (QAction* a : title->menu()->actions())
                    QVERIFY2(a->isSeparator() || !a->isEnabled(), qPrintable(a->text()));
        key(Qt::Key_N, Qt::ControlModifier);
        QTest::qWait(300);
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(groupNames(*data->db).size(), std::size_t(2));
    }

    // Groupe ▸ Copier N vers N+1… then Valider une version du groupe…: each says what it
    // would write entity by entity, and writes once the person answers Oui.
    void theGroupIsCopiedAndValidatedFromItsMenu() {
        openGroup();
        pick(Qt::Key_G, 1);
        answerInput("3");
        answers << "Oui";
        clickMenu(view, "G&roupe", "&Copier N vers N+1…");
        QTRY_VERIFY(data->db->read("BUDGET", "N10037060000000"));
        QVERIFY(boxes.back().text.contains("003 : 1 ligne(s) nouvelle(s)"));
        answerInput("Primitif");
        answers << "Oui";
        clickMenu(view, "G&roupe", "&Valider une version du groupe…");
        QTRY_VERIFY(budgetLock(*data->db, "N0", "001") && budgetLock(*data->db, "N0", "003"));
        QTRY_COMPARE(totalOf("Exercice validé", "003"), QString("oui"));
        QTRY_VERIFY(view->findChildren<QLabel*>().size() > 0);
        bool said = false;
        for (QLabel* l : view->findChildren<QLabel*>())
            said = said || l->text().contains("001 Association des Amis du Livre : Budget de travail (validé)");
        QVERIFY(said);
    }

    void theLinesPastAThresholdComeFirst() {
        std::istringstream fec("JournalCode\tEcritureDate\tCompteNum\tDebit\tCredit\n"
                               "AC\t20270115\t613200\t1300,00\t\nAC\t20270115\t606400\t50,00\t\n");
        QVERIFY(importActuals(*data->db, "001", fec).faults.empty());
        openGroup();
        pick(Qt::Key_G, 1);
        pick(Qt::Key_F, 4);   // to the end of January 2027
        QTRY_COMPARE(column(0).value(0), QString("6130000000"));
        QAbstractItemModel* lines = view->lines()->model();
        QCOMPARE(lines->index(0, headed(lines, "Alerte")).data().toString(), QString("Dépassement"));
        QCOMPARE(lines->index(0, headed(lines, "Budget à date")).data().toString(), amount("1 200,00"));
        QCOMPARE(lines->index(0, headed(lines, "Réalisé à date")).data().toString(), amount("1 300,00"));
        picture("group-overview-alerts");
    }
};

QTEST_MAIN(GroupOverviewTest)
#include "group_overview_test.moc"
