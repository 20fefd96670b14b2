// A day of work at the window: editing at the caret, the keyboard, the focus, the
// captions at every scale factor, the host's menus and status bar, and the files it
// refuses to open.
#include <filesystem>
#include <fstream>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleOption>
#include <QTableView>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QTextBrowser>

#include <SQLiteCpp/Database.h>

#include "qt/french_translations.h"
#include "tests/qt/window_fixture.h"

using namespace ondrel;

namespace {

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

class DesktopComfortTest : public QObject, public test::WindowFixture {
    Q_OBJECT

    Zone& zone(const char* name) { return screen->control().screen().zone(name); }

    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QVERIFY2(QApplication::focusWidget(), "no widget has the focus");
        QTest::keyClick(QApplication::focusWidget(), k, modifiers);
    }

    void showStoredLine(const char* account) {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        typeInto("Txt_Cpte", account);
        enter("Txt_Cpte");
    }

private slots:
    void initTestCase() { isolateSettings(); }
    void init() { start(); }
    void cleanup() { stop(); }

    // The buttons Qt draws itself, in its file, print and input dialogs, are French.
    void qtsOwnDialogsSpeakFrench() {
        QVERIFY(speakFrench(*qApp));
        QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Save | QDialogButtonBox::Open);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove('&'), QString("Annuler"));
        QCOMPARE(buttons.button(QDialogButtonBox::Save)->text().remove('&'), QString("Enregistrer"));
        QCOMPARE(buttons.button(QDialogButtonBox::Open)->text().remove('&'), QString("Ouvrir"));
    }

    // From the opening on, the keys go to the entity code; no Tab is lost on the way to
    // the account; back in front after another window, the keys go where they went.
    void theKeysGoToTheEntityCodeAtOnceAndNoTabIsLost() {
        QCOMPARE(QApplication::focusWidget(), screen->widgetOf("Txt_CodAssoc"));
        QTest::keyClicks(QApplication::focusWidget(), "1");
        key(Qt::Key_Return);
        for (int i = 0; i < 5; ++i)
            key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), screen->widgetOf("Txt_Cpte"));
        QTest::keyClicks(QApplication::focusWidget(), "6064");
        QCOMPARE(zone("Txt_Cpte").text(), std::string("6064"));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        backAtTheScreen();
        QCOMPARE(QApplication::focusWidget(), screen->widgetOf("Txt_Cpte"));
        QTest::keyClicks(QApplication::focusWidget(), "1");
        QCOMPARE(zone("Txt_Cpte").text(), std::string("60641"));
    }

    // The digit typed over a chosen code empties it and locks the account, which took the
    // focus on the way: the focus is back on the code and no key is lost.
    void keysTypedOverTheChosenCodeStayInTheCode() {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        click("Txt_CodAssoc");
        key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "22");
        QCOMPARE(QApplication::focusWidget(), screen->widgetOf("Txt_CodAssoc"));
        QCOMPARE(zone("Txt_CodAssoc").text(), std::string("2"));
        QCOMPARE(screen->control().screen().focus(), &zone("Txt_CodAssoc"));
    }

    // "Regroupement budgétaire" is the person's own choice, which no step clears; the box
    // shows the model's value whatever the click on it set off, here a LostFocus that
    // completes "60" into a grouping line and locks the box before the click reaches it.
    void theGroupingBoxAlwaysShowsTheModel() {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        click("Cac_Reg");
        QVERIFY(zone("Cac_Reg").value() != 0);
        typeInto("Txt_Cpte", "63");
        answers << "Oui";
        click("Cac_Reg");
        auto* box = widget<QCheckBox>("Cac_Reg");
        QCOMPARE(box->isChecked(), zone("Cac_Reg").value() != 0);
        QCOMPARE(box->isEnabled(), zone("Cac_Reg").enabled());
        click("Cmd_AnnulerBudget");
        showStoredLine("6064");
        QVERIFY(zone("Cac_Reg").value() != 0);
        QVERIFY(box->isChecked());
        QVERIFY(!box->isEnabled());
    }

    // Where the fixed-pitch text of a list's line ends, against a heading above the
    // list: within the heading, or less than one character before it.
    void endsUnder(const char* listZone, int row, int chars, const char* heading) {
        auto* list = widget<QListWidget>(listZone);
        QVERIFY(list->count() > row);
        const QFontMetricsF fm(list->font());
        const QRect item = list->visualItemRect(list->item(row));
        const QString text = list->item(row)->text().left(chars);
        const double end = list->viewport()->mapTo(screen, item.topLeft()).x() + fm.horizontalAdvance(text);
        const QRect head(screen->widgetOf(heading)->mapTo(screen, QPoint(0, 0)), screen->widgetOf(heading)->size());
        const QString where = QString("%1 ends at %2, %3 spans %4..%5").arg(listZone).arg(end).arg(heading).arg(head.left()).arg(head.right());
        QVERIFY2(end >= head.left() - fm.horizontalAdvance('0') && end <= head.right() + 1, qPrintable(where));
    }

    void theListsAmountsStandUnderTheirHeadings() {
        showStoredLine("6064");   // key 001: shares for N and N+1
        endsUnder("Lst_RepartPer", 0, 65, "Etq_Affectation");
        endsUnder("Lst_Sect", 0, 57, "Etq_N");
        endsUnder("Lst_Sect", 0, 68, "Etq_N1");
        // A list's border stands over the headings that overlap it.
        for (const char* list : {"Lst_RepartPer", "Lst_Sect"}) {
            QWidget* w = screen->widgetOf(list);
            const QPoint top = w->geometry().topLeft() + QPoint(w->width() / 2, 0);
            QCOMPARE(w->parentWidget()->childAt(top), w);
        }
    }

    void aSelectedStoredAmountIsOvertypedThenSaved() {
        showStoredLine("6064");
        QCOMPARE(widget<QLineEdit>("Txt_ValBud")->text(), QString("1200,00"));
        click("Txt_ValBud");
        key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "2400");
        QCOMPARE(zone("Txt_ValBud").text(), std::string("2400"));
        click("Cmd_OkBudget");
        const Record saved = data->db->OpenFile("BUDGET").ReadRecord("N00016064000000");
        QCOMPARE(saved.value(3, 1), std::string("240000"));
        QCOMPARE(saved.value(3, 2), std::string());
    }

    void aMiddleDigitOfTheAccountIsCorrectedInPlace() {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        typeInto("Txt_Cpte", "6071");
        key(Qt::Key_Left);
        key(Qt::Key_Left);
        key(Qt::Key_Delete);
        QCOMPARE(zone("Txt_Cpte").text(), std::string("601"));
        QTest::keyClicks(QApplication::focusWidget(), "6");
        QCOMPARE(zone("Txt_Cpte").text(), std::string("6061"));
        QCOMPARE(widget<QLineEdit>("Txt_Cpte")->cursorPosition(), 3);
        answers << "Oui";
        enter("Txt_Cpte");
        QCOMPARE(zone("Txt_Cpte").text(), std::string("6061000000"));
    }

    void cutAndPasteWorkAtTheCaretAndKeepToTheLimit() {
        answers << "Oui";
        showStoredLine("6061");
        auto* label = widget<QLineEdit>("Txt_LibCompte");
        click("Txt_LibCompte");
        const QString before = label->text();
        QVERIFY(!before.isEmpty());
        key(Qt::Key_Home);
        key(Qt::Key_Right, Qt::ShiftModifier);
        key(Qt::Key_Right, Qt::ShiftModifier);
        key(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), before.left(2));
        QCOMPARE(QString::fromStdString(zone("Txt_LibCompte").text()), before.mid(2));
        key(Qt::Key_End);
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(zone("Txt_LibCompte").text()), before.mid(2) + before.left(2));

        key(Qt::Key_A, Qt::ControlModifier);
        QGuiApplication::clipboard()->setText(QString(50, QChar(u'é')));
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(zone("Txt_LibCompte").text()), QString(40, QChar(u'é')));
        QCOMPARE(label->text(), QString(40, QChar(u'é')));
    }

    // After a stored line is shown, the focus is on the amount, not on "Supprimer".
    void aStrayKeyDeletesNothing() {
        showStoredLine("6064");
        backAtTheScreen();
        QCOMPARE(QApplication::focusWidget(), screen->widgetOf("Txt_ValBud"));
        key(Qt::Key_Space);
        key(Qt::Key_Return);
        QVERIFY(data->db->read("BUDGET", "N00016064000000").has_value());
        QVERIFY(boxes.empty());
    }

    void aHiddenZoneNeverHoldsTheFocus() {
        showStoredLine("6064");
        click("Cmd_AnnulerBudget");
        for (const auto& z : screen->control().screen().zones())
            if (QWidget* w = screen->widgetOf(z->name()); w && w->hasFocus())
                QVERIFY2(w->isVisible() && w->isEnabled(), z->name().c_str());
    }

    void enterF2EscAndF1WorkFromTheKeyboard() {
        showStoredLine("6064");
        auto* lines = widget<QListWidget>("Lst_RepartPer");
        const auto clickSecondLine = [&] {
            QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, lines->visualItemRect(lines->item(1)).center());
        };
        clickSecondLine();
        QCOMPARE(lines->currentRow(), 1);
        key(Qt::Key_F2);
        QCOMPARE(widget<QLineEdit>("Txt_Affect")->text(), QString("      100,00"));
        key(Qt::Key_Escape);
        QVERIFY(!zone("Cmd_AnnulerRepartition").enabled());
        QVERIFY(zone("Cmd_AnnulerBudget").enabled());
        clickSecondLine();
        key(Qt::Key_Return);
        QVERIFY(zone("Cmd_AnnulerRepartition").enabled());
        key(Qt::Key_Escape);
        key(Qt::Key_Escape);
        QVERIFY(!zone("Cmd_AnnulerBudget").enabled());
        QCOMPARE(zone("Txt_Cpte").text(), std::string());

        // Enter presses the focused button, reached with Tab.
        showStoredLine("6064");
        QWidget* add = screen->widgetOf("Cmd_AjouterRepartition");
        for (int tabs = 0; tabs < 40 && QApplication::focusWidget() != add; ++tabs)
            key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), add);
        key(Qt::Key_Return);
        QVERIFY(screen->control().W_AjoutPeriode);

        key(Qt::Key_F1);
        QPointer<QTextBrowser> help = window->findChild<QTextBrowser*>();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        // The help lists the keys.
        for (const char* keys : {"Ctrl+S", "Échap", "Entrée", "F2", "F1", "Ctrl+B"})
            QVERIFY2(help->toPlainText().contains(QString::fromUtf8(keys)), keys);
        // Esc closes the help, and only the help: the period line behind it stays open.
        QTRY_COMPARE(QApplication::activeWindow(), help.data());
        QCOMPARE(QApplication::focusWidget(), help.data());
        QTest::keyClick(help, Qt::Key_Escape);
        QTRY_VERIFY(!help);
        QVERIFY(screen->control().W_AjoutPeriode);
        QVERIFY(boxes.empty());
    }

    // Esc on a line with typed work asks first, "Non" by default, and keeps the work; on a
    // line as stored, it leaves at once.
    void escOnTypedWorkAsksBeforeThrowingItAway() {
        QCOMPARE(QApplication::focusWidget(), screen->widgetOf("Txt_CodAssoc"));
        QTest::keyClicks(QApplication::focusWidget(), "1");
        key(Qt::Key_Return);
        for (int i = 0; i < 5; ++i)
            key(Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), "6064");
        key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), screen->widgetOf("Txt_ValBud"));
        const std::size_t seen = boxes.size();
        key(Qt::Key_Escape);
        QCOMPARE(boxes.size(), seen);
        QVERIFY(!zone("Cmd_AnnulerBudget").enabled());

        QTest::keyClicks(screen->widgetOf("Txt_Cpte"), "6064");
        QTest::keyClick(screen->widgetOf("Txt_Cpte"), Qt::Key_Return);
        key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "1300");
        key(Qt::Key_Tab);
        QCOMPARE(zone("Lst_RepartPer").listCount(), 1);
        answers << "Non";
        backAtTheScreen();
        key(Qt::Key_Escape);
        QCOMPARE(boxes.size(), seen + 1);
        QCOMPARE(boxes.back().defaultButton, QString("Non"));
        QVERIFY(zone("Cmd_AnnulerBudget").enabled());
        QCOMPARE(zone("Txt_ValBud").text(), std::string("1300,00"));
        answers << "Oui";
        backAtTheScreen();
        key(Qt::Key_Escape);
        QVERIFY(!zone("Cmd_AnnulerBudget").enabled());
    }

    // Keys typed faster than the handlers run go to the zone a handler moved the focus
    // to: here the amount, once the creation is accepted.
    void keysTypedAheadFollowTheFocus() {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        click("Txt_Cpte");
        answers << "Oui";
        QWindow* w = window->windowHandle();
        for (Qt::Key k : {Qt::Key_6, Qt::Key_0, Qt::Key_6, Qt::Key_1, Qt::Key_Return, Qt::Key_1, Qt::Key_0, Qt::Key_0,
                          Qt::Key_0})
            QTest::keyClick(w, k);
        QCOMPARE(zone("Txt_Cpte").text(), std::string("6061000000"));
        QCOMPARE(zone("Txt_ValBud").text(), std::string("1000"));
    }

    void tabAfterTheAmountGoesIntoTheDistribution() {
        newLine("6061", "1000");
        key(Qt::Key_Tab);
        QVERIFY(screen->widgetOf("Opt_Automatique")->hasFocus() || screen->widgetOf("Opt_Manuelle")->hasFocus());
    }

    void thePopUpMenuOpensOnTheBareSurfaceOnly() {
        int opened = 0;
        auto pressOn = [&](QWidget* w, QPoint at) {
            QTimer::singleShot(50, [&] {
                if (auto* menu = QApplication::activePopupWidget()) {
                    ++opened;
                    menu->close();
                }
            });
            QTest::mousePress(w, Qt::RightButton, {}, at);
            QTest::qWait(100);
        };
        pressOn(screen->widgetOf("Etq_Assoc"), QPoint(3, 3));
        QWidget* frame = screen->widgetOf("Cdr_Eclatement");
        pressOn(frame, QPoint(3, frame->height() - 3));
        QCOMPARE(opened, 0);
        pressOn(screen, QPoint(screen->width() / 2, screen->height() - 3));
        QCOMPARE(opened, 1);
    }

    void altWithACharacterGoesThroughTheKeyFilter() {
        click("Txt_CodAssoc");
        key(Qt::Key_1, Qt::AltModifier);
        key(Qt::Key_A, Qt::AltModifier);
        QCOMPARE(zone("Txt_CodAssoc").text(), std::string("1"));
    }

    void aLockedListStillScrolls() {
        typeInto("Txt_CodAssoc", "3");
        enter("Txt_CodAssoc");
        typeInto("Txt_Cpte", "7060");
        enter("Txt_Cpte");
        auto* sections = widget<QListWidget>("Lst_Sect");
        QCoreApplication::processEvents();   // the list lays its items out
        QVERIFY(!zone("Lst_Sect").enabled());
        QCOMPARE(sections->count(), 6);
        QVERIFY(sections->isEnabled());
        QVERIFY(sections->verticalScrollBar()->maximum() > 0);
        sections->verticalScrollBar()->setValue(sections->verticalScrollBar()->maximum());
        QTest::mouseClick(sections->viewport(), Qt::LeftButton, {}, sections->visualItemRect(sections->item(5)).center());
        QCOMPARE(zone("Lst_Sect").listIndex(), -1);
    }

    // Every caption, button text, frame title and date reads whole at the scale factor
    // of the run, and every zone stands inside its frame.
    void everyCaptionReadsWhole() {
        showStoredLine("6064");
        for (const auto& z : screen->control().screen().zones()) {
            QWidget* w = screen->widgetOf(z->name());
            if (!w)
                continue;
            const char* name = z->name().c_str();
            const QFontMetrics fm(w->font());
            const QString caption = QString::fromStdString(z->caption());
            if (auto* button = qobject_cast<QPushButton*>(w)) {
                QStyleOptionButton opt;
                opt.initFrom(button);
                const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, button);
                QVERIFY2(fm.horizontalAdvance(caption) <= room.width(), name);
            } else if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) {
                QVERIFY2(w->sizeHint().width() <= w->width() && w->sizeHint().height() <= w->height(), name);
            } else if (auto* frame = qobject_cast<QGroupBox*>(w); frame && !caption.isEmpty()) {
                QVERIFY2(fm.horizontalAdvance(caption) + fm.height() <= frame->width(), name);
            } else if (auto* edit = qobject_cast<QLineEdit*>(w); edit && z->displayOnly()) {
                QStyleOptionFrame opt;
                opt.initFrom(edit);
                opt.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
                const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
                QVERIFY2(fm.horizontalAdvance(edit->text()) + 4 <= room.width(), name);
            }
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), name);
        }
        picture("screen-captions");
    }

    void theWindowFitsALaptopScreen() {
        if (qEnvironmentVariable("QT_SCALE_FACTOR", "1") != "1")
            QSKIP("the window fits 1366×768 at scale factor 1; larger factors scroll");
        const QSize natural = screen->size() + QSize(0, window->menuBar()->height() + window->statusBar()->height());
        QVERIFY(natural.width() <= 1366 && natural.height() <= 768);
        QVERIFY(window->width() >= screen->width());
    }

    void theStatusBarFollowsTheLine() {
        auto* bar = window->statusBar();
        auto texts = [&] {
            QStringList all;
            for (auto* label : bar->findChildren<QLabel*>())
                all << label->text();
            return all.join(" | ");
        };
        // The database as its label's tip, whole however long; cut in its middle on
        // the bar where it is too long.
        QStringList tips;
        for (auto* label : bar->findChildren<QLabel*>())
            tips << label->toolTip();
        QVERIFY(tips.contains("Base : " + QString::fromStdString(data->db->location())));
        QVERIFY(texts().contains(QString::fromStdString(owner)));
        QVERIFY(!texts().contains("Consultation seule"));
        QVERIFY(screen->widgetOf("Txt_ValBud")->toolTip().isEmpty());
        showStoredLine("6064");
        QVERIFY2(texts().contains(QString("Réparti 1\u00A0200,00 sur 1\u00A0200,00")), qPrintable(texts()));
        picture("screen-status");
    }

    void aReadOnlyUserSeesConsultationOnly() {
        if (data->engine() == test::Engine::PostgreSQL)
            QSKIP("on a server the user is the role that signed in; the server tools test a reader's role");
        stop();
        start("lecteur");
        QVERIFY(window->consultationOnly());
        // The overview shows the budget, but offers neither import nor copy.
        BudgetOverview* view = window->overview();
        for (QAction* a : view->findChildren<QAction*>())
            if (a->text() == "Importer…" || a->text() == "Copier vers N+1…")
                QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
        bool shown = false;
        for (auto* label : window->statusBar()->findChildren<QLabel*>())
            shown = shown || label->text() == "Consultation seule : rien ne peut être enregistré";
        QVERIFY(shown);
        // What a reader types in an amount is a simulation, and the zone says so.
        QVERIFY(screen->widgetOf("Txt_ValBud")->toolTip().startsWith("Consultation seule"));
        QVERIFY(screen->widgetOf("Txt_Affect")->toolTip().startsWith("Consultation seule"));
    }

    void closingWithALineUnderWayAsksFirst() {
        answers << "Oui";
        showStoredLine("6061");
        answers << "Non";
        window->close();
        QVERIFY(window->isVisible());
        QCOMPARE(boxes.back().text,
                 QString("Une ligne budgétaire est en cours de saisie. Voulez-vous l'abandonner sans l'enregistrer ?"));
        QCOMPARE(boxes.back().defaultButton, QString("Non"));
        answers << "Oui";
        window->close();
        QVERIFY(!window->isVisible());
    }

    // Files that are not ours are refused with a French box naming them, and are left
    // byte for byte as they were; the database on screen stays open.
    void foreignFilesAreRefusedUntouched() {
        if (data->engine() == test::Engine::PostgreSQL)
            QSKIP("files only");
        const std::string foreign = data->path() + ".foreign";
        const std::string empty = data->path() + ".empty";
        {
            SQLite::Database other(foreign, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            other.exec("CREATE TABLE contacts(name TEXT)");
        }
        std::ofstream{empty};
        OndrelWidget* before = window->screen();
        for (const std::string& path : {foreign, empty}) {
            const std::string bytes = bytesOf(path);
            QVERIFY(!window->openDatabase(QString::fromStdString(path)));
            QCOMPARE(bytesOf(path), bytes);
            QVERIFY(boxes.back().text.contains(QString::fromStdString(path)));
            QVERIFY(boxes.back().text.contains("n'est pas une base de données Ondrel"));
        }
        QCOMPARE(window->screen(), before);
        std::filesystem::remove(foreign);
        std::filesystem::remove(empty);
    }

    // A server that does not answer: a French box that names it without its password,
    // and the database open before stays open.
    void aServerThatIsDownGetsAFrenchBox() {
        OndrelWidget* before = window->screen();
        QVERIFY(!window->openDatabase("postgresql://lea:secret@/budget?host=/nonexistent-ondrel-socket"));
        QVERIFY(boxes.back().text.contains("postgresql://lea@/budget"));
        QVERIFY(boxes.back().text.contains("ne répond pas"));
        QVERIFY(!boxes.back().text.contains("secret"));
        QCOMPARE(window->screen(), before);
    }
};

QTEST_MAIN(DesktopComfortTest)
#include "desktop_comfort_test.moc"
