// The group at the desktop, as a person reads it with keys and clicks: the group and
// its year chosen, the flow between its members set apart, the columns by month, the
// filter, and a double click that opens an entity's overview on the line.
#include <QLabel>
#include <QTableView>

#include "actuals/actuals.h"
#include "qt/budget_overview.h"
#include "qt/frozen_columns.h"
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
