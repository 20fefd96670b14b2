#pragma once

// The desktop window on a demo database of its own, driven through real key and mouse
// events, with every modal box that opens answered and recorded.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "qt/main_window.h"
#include "qt/entry/ondrel_widget.h"
#include "tests/store/temp_database.h"
#include "admin/demo_data.h"

namespace ondrel::test {

struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

class WindowFixture {
public:
    // Settings of this process alone, removed at its end: the suites run at several
    // scales at once, and one must not open its windows at the size another saved.
    static void isolateSettings() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName("Ondrel");
        QCoreApplication::setApplicationName("Ondrel tests");
        static QTemporaryDir settings;
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    }

    void start(const std::string& user = "owner") {
        QSettings().clear();   // each test opens its windows as a first time
        data = std::make_unique<TempDatabase>();
        // On a server the user is the role that signed in, whatever the window claims.
        owner = data->db->signIn("owner");
        writeDemoData(*data->db, owner);
        boxes.clear();
        answers.clear();
        beforeAnswer = nullptr;
        window = std::make_unique<MainWindow>(user);
        QVERIFY(window->openDatabase(QString::fromStdString(data->path())));
        screen = window->screen();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        watchBoxes();
    }

    void stop() {
        window.reset();
        data.reset();
    }

    template <class W>
    W* widget(const char* zone) {
        return qobject_cast<W*>(screen->widgetOf(zone));
    }

    // Answers every modal box that opens with the next queued button text ("OK" when none).
    void watchBoxes() {
        auto* timer = new QTimer(window.get());
        QObject::connect(timer, &QTimer::timeout, timer, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}, {}};
            for (auto* b : box->buttons())
                seen.buttons << b->text();
            if (box->defaultButton())
                seen.defaultButton = box->defaultButton()->text();
            boxes.push_back(seen);
            if (beforeAnswer)
                beforeAnswer(seen);
            QString press = answers.isEmpty() ? "OK" : answers.takeFirst();
            for (auto* b : box->buttons())
                if (b->text() == press)
                    b->click();
        });
        timer->start(10);
    }

    // A modal box takes the window's activation away; the person is back at the screen.
    void backAtTheScreen() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void typeInto(const char* zone, const QString& keys) {
        backAtTheScreen();
        QWidget* w = screen->widgetOf(zone);
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
            w = combo->lineEdit();
        // A click at the end of the field, where a person goes to type after its text.
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() - 4, w->height() / 2));
        QTest::keyClicks(w, keys);
    }

    void enter(const char* zone) {
        QWidget* w = screen->widgetOf(zone);
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
            w = combo->lineEdit();
        QTest::keyClick(w, Qt::Key_Return);
    }

    void click(const char* zone) {
        backAtTheScreen();
        QWidget* w = screen->widgetOf(zone);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
    }

    // Entity 001, a new line on the account, its creation accepted, the amount typed.
    void newLine(const QString& account, const QString& amount) {
        typeInto("Txt_CodAssoc", "1");
        enter("Txt_CodAssoc");
        typeInto("Txt_Cpte", account);
        answers << "Oui";
        enter("Txt_Cpte");
        typeInto("Txt_ValBud", amount);
    }

    // A menu of the window's bar opened and its item clicked, as a person does.
    void clickMenu(QMainWindow* in, const QString& menu, const QString& item) {
        QMenuBar* bar = in->menuBar();
        for (QAction* title : bar->actions()) {
            if (title->text() != menu)
                continue;
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
            QVERIFY(QTest::qWaitForWindowExposed(title->menu()));
            for (QAction* a : title->menu()->actions())
                if (a->text() == item) {
                    QTest::mouseClick(title->menu(), Qt::LeftButton, {}, title->menu()->actionGeometry(a).center());
                    return;
                }
        }
        QFAIL(qPrintable("no item " + item + " in the menu " + menu));
    }

    // The next file dialog: the name it offers is kept; then the path is typed in its
    // place and Enter pressed, or Esc when there is none.
    void answerFileDialog(const QString& path, QString* offered = nullptr) {
        QTimer::singleShot(200, [path, offered] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name);
            if (offered)
                *offered = name->text();
            if (path.isEmpty()) {
                QTest::keyClick(dialog, Qt::Key_Escape);
                return;
            }
            name->selectAll();
            QTest::keyClicks(name, path);
            QTest::keyClick(name, Qt::Key_Return);
        });
    }

    // Pictures for a person to look at, one set per scale factor.
    void picture(const char* name) {
        QCoreApplication::processEvents();   // the status bar lays itself out again
        QDir().mkpath(ONDREL_PICTURE_DIR);
        const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1");
        const QString engine = data->engine() == test::Engine::PostgreSQL ? "-postgresql" : "";
        QVERIFY(window->grab().save(QString(ONDREL_PICTURE_DIR) + "/" + name + engine + "-x" + scale + ".png"));
    }

    std::unique_ptr<TempDatabase> data;
    std::string owner;
    std::unique_ptr<MainWindow> window;
    OndrelWidget* screen = nullptr;
    std::vector<SeenBox> boxes;
    QStringList answers;   // the button pressed on each box that opens, in order
    std::function<void(const SeenBox&)> beforeAnswer;   // what happens elsewhere while a box is open
};

}  // namespace ondrel::test
