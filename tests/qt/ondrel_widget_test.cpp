// The desktop screen driven through real key and mouse events on its widgets.
#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextBrowser>

#include "qt/entry/help_window.h"
#include "tests/qt/window_fixture.h"

using namespace ondrel;

class OndrelWidgetTest : public QObject, public test::WindowFixture {
    Q_OBJECT

private slots:
    void initTestCase() { isolateSettings(); }
    void init() { start(); }
    void cleanup() { stop(); }

    void theTypicalNewLineIsSavedFromTheKeyboardAndTheMouse() {
        picture("screen-no-entity");
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        QCOMPARE(widget<QComboBox>("Cbo_Assoc")->currentText(), QString("Association des Amis du Livre"));
        QVERIFY(widget<QGroupBox>("Cdr_Exercice")->isEnabled());
        typeInto("Txt_Cpte", "6061");
        answers << "Oui";
        enter("Txt_Cpte");
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].text, QString("Voulez-vous créer ce compte budgétaire ?"));
        // The window's focus widget: the one that has the focus once the window is active again.
        QCOMPARE(screen->window()->focusWidget(), screen->widgetOf("Txt_ValBud"));
        typeInto("Txt_ValBud", "1000");
        QTest::keyClick(screen->widgetOf("Txt_ValBud"), Qt::Key_Tab);
        click("Opt_Automatique");
        QCOMPARE(widget<QLineEdit>("Txt_ValBud")->text(), QString("1000,00"));
        QCOMPARE(widget<QListWidget>("Lst_RepartPer")->count(), 12);
        typeInto("Txt_Eclat", "1");
        enter("Txt_Eclat");
        QCOMPARE(widget<QListWidget>("Lst_Sect")->count(), 3);
        picture("screen-line-being-created");
        click("Cmd_OkBudget");
        QVERIFY(widget<QLineEdit>("Txt_Cpte")->text().isEmpty());
        Record saved = data->db->OpenFile("BUDGET").ReadRecord("N00016061000000");
        QCOMPARE(saved.value(3, 12), std::string("8337"));
        QCOMPARE(saved.value(4, 1), std::string("001"));
    }

    // The click takes the focus from the emptied amount, whose LostFocus locks the
    // distribution: the click that then lands opens nothing.
    void aClickOnAButtonLockedByTheLostFocusItCausedDoesNothing() {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        typeInto("Txt_Cpte", "6064");
        enter("Txt_Cpte");
        click("Txt_ValBud");
        QTest::keyClick(screen->widgetOf("Txt_ValBud"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(screen->widgetOf("Txt_ValBud"), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(screen->control().screen().zone("Cmd_AjouterRepartition").enabled());
        click("Cmd_AjouterRepartition");
        QVERIFY(!screen->control().W_AjoutPeriode);
        QVERIFY(!screen->control().screen().zone("Cbo_Periode").enabled());
        QVERIFY(!screen->widgetOf("Cbo_Periode")->isEnabled());
    }

    void aStoredLineIsShownLocked() {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        typeInto("Txt_Cpte", "6130");
        enter("Txt_Cpte");
        QCOMPARE(widget<QLineEdit>("Txt_LibCompte")->text(), QString("Locations"));
        QVERIFY(!widget<QLineEdit>("Txt_Cpte")->isEnabled());
        QVERIFY(widget<QComboBox>("Cbo_Cpte")->isHidden());
        QCOMPARE(widget<QListWidget>("Lst_RepartPer")->item(1)->text().right(6), QString("350,50"));
        QVERIFY(QFontInfo(widget<QListWidget>("Lst_RepartPer")->font()).fixedPitch());
        picture("screen-stored-line");
    }

    void aStoredLineIsChangedThenDeletedWithTheMouse() {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        typeInto("Txt_Cpte", "6064");
        enter("Txt_Cpte");
        auto* lines = widget<QListWidget>("Lst_RepartPer");
        QCOMPARE(lines->count(), 12);
        backAtTheScreen();
        const QPoint first = lines->visualItemRect(lines->item(0)).center();
        QTest::mouseClick(lines->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(lines->viewport(), Qt::LeftButton, {}, first);
        QCOMPARE(widget<QLineEdit>("Txt_Affect")->text(), QString("      100,00"));
        QVERIFY(widget<QPushButton>("Cmd_SupprimerRepartition")->isEnabled());
        answers << "Oui";
        click("Cmd_SupprimerRepartition");
        QCOMPARE(lines->count(), 11);
        QCOMPARE(boxes.back().text, QString("Etes-vous sûr de vouloir supprimer cette période ?"));
        answers << "Oui";
        click("Cmd_SupprimerBudget");
        QCOMPARE(boxes.back().text, QString("Voulez-vous supprimer ce compte budgétaire ?"));
        QVERIFY(widget<QLineEdit>("Txt_Cpte")->text().isEmpty());
        QVERIFY(!data->db->read("BUDGET", "N00016064000000"));
    }

    void aKeySwallowedByTheModelNeverReachesTheWidget() {
        typeInto("Txt_CodAssoc", "a-b");
        QCOMPARE(widget<QLineEdit>("Txt_CodAssoc")->text(), QString());
        typeInto("Txt_CodAssoc", "0011");
        QCOMPARE(widget<QLineEdit>("Txt_CodAssoc")->text(), QString("001"));
        typeInto("Txt_Cpte", "6061");
        answers << "Oui";
        enter("Txt_Cpte");
        typeInto("Txt_ValBud", "12.5.0x");
        QCOMPARE(widget<QLineEdit>("Txt_ValBud")->text(), QString("12,50"));
    }

    void aDisabledFrameDisablesWhatItHolds() {
        QVERIFY(screen->control().screen().zone("Cbo_Periode").enabled());
        QVERIFY(!widget<QComboBox>("Cbo_Periode")->isEnabled());
        QVERIFY(!widget<QLineEdit>("Txt_Cpte")->isEnabled());
    }

    void theTabOrderIsTheScreens() {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        QCOMPARE(screen->widgetOf("Txt_CodAssoc")->nextInFocusChain(), screen->widgetOf("Cbo_Assoc"));
        click("Txt_Cpte");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(screen->control().screen().focus()->name(), std::string("Cbo_Cpte"));
    }

    void messageBoxesAreTitledWithFrenchButtons() {
        typeInto("Txt_CodAssoc", "9");
        enter("Txt_CodAssoc");
        QCOMPARE(boxes.size(), std::size_t(1));
        QCOMPARE(boxes[0].title, QString("Message VALMORENT"));
        QCOMPARE(boxes[0].text, QString("Ce code n'existe pas."));
        QCOMPARE(boxes[0].icon, QMessageBox::Warning);
        QCOMPARE(boxes[0].buttons, QStringList{"OK"});
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        typeInto("Txt_Cpte", "6061");
        answers << "Non";
        enter("Txt_Cpte");
        QCOMPARE(boxes[1].icon, QMessageBox::Question);
        QVERIFY(boxes[1].buttons.contains("Oui") && boxes[1].buttons.contains("Non"));
        QCOMPARE(boxes[1].defaultButton, QString("Oui"));
        QVERIFY(!screen->control().W_Creation);
    }

    void thePopUpMenuOpensTheHelp() {
        QTimer::singleShot(50, this, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QCOMPARE(menu->actions().size(), 1);
            QCOMPARE(menu->actions()[0]->text(), QString("Aide VALMORENT"));
            menu->actions()[0]->trigger();
            menu->close();
        });
        QTest::mousePress(screen, Qt::RightButton, {}, QPoint(5, screen->height() - 60));
        QTest::qWait(100);
        auto* help = window->findChild<QTextBrowser*>();
        QVERIFY(help);
        QCOMPARE(help->windowTitle(), QString("Aide - Gestion budgétaire - Saisie budget"));
        QVERIFY(help->toPlainText().contains("Saisie du budget"));
    }

    void theExitClosesTheHostWindow() {
        QSignalSpy unloaded(screen, &OndrelWidget::unloadRequested);
        click("Cmd_Sortir");
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(screen->control().W_Sortir);
    }
};

QTEST_MAIN(OndrelWidgetTest)
#include "ondrel_widget_test.moc"
