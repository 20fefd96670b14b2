#include "qt/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>

#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "budget/spread_status.h"
#include "qt/widgets/french_boxes.h"
#include "qt/group/group_overview.h"
#include "qt/grid/year_grid_window.h"

namespace ondrel {

namespace {
constexpr const char* kTitle = "Gestion budgétaire - Saisie budget";
constexpr const char* kFullRightsKey = "ONDREL";
constexpr const char* kConsultation = "Consultation seule : rien ne peut être enregistré";
// A reader may still try an amount and its distribution on a line, as a simulation;
// those zones say so where the person types.
// What a line's entry changes: held in a validated year.
const std::vector<std::string> kEntryZones = {"Txt_LibCompte",          "Txt_ValBud",     "Opt_Automatique",
                                              "Opt_Manuelle",           "Txt_Affect",     "Cmd_AjouterRepartition",
                                              "Cmd_SupprimerRepartition", "Txt_Eclat",    "Cbo_Eclat"};
}  // namespace

MainWindow::MainWindow(std::string user, QWidget* parent)
    : QMainWindow(parent), claimedUser_(user), user_(std::move(user)) {
    setWindowTitle(kTitle);
    area_ = new QScrollArea(this);
    area_->setWidgetResizable(false);
    area_->setFrameShape(QFrame::NoFrame);
    area_->setFocusPolicy(Qt::NoFocus);   // the keys are the screen's, not the scrolling's
    setCentralWidget(area_);
    database_ = new QLabel(this);
    userLabel_ = new QLabel(this);
    mode_ = new QLabel(this);
    spread_ = new QLabel(this);
    statusBar()->addWidget(database_);
    statusBar()->addWidget(userLabel_);
    statusBar()->addWidget(mode_);
    statusBar()->addPermanentWidget(spread_);
    buildMenus();
    QSettings settings;
    restoreGeometry(settings.value("fenetre/geometrie").toByteArray());
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu("Fichier");
    file->addAction("Ouvrir…", QKeySequence::Open, this, [this] { chooseDatabase(); });
    importActuals_ = file->addAction("Importer le réalisé…", this, [this] { overview()->chooseActualsImport(); });
    file->addSeparator();
    file->addAction("Quitter", QKeySequence::Quit, this, [this] { close(); });
    QMenu* budget = menuBar()->addMenu("Budget");
    budget->addAction("Vue d'ensemble", QKeySequence(Qt::CTRL | Qt::Key_B), this, [this] { overview(); });
    budget->addAction("Vue du groupe", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B), this, [this] { groupOverview(); });
    QMenu* help = menuBar()->addMenu("Aide");
    help->addAction("Aide", this, [this] {
        if (screen_)
            screen_->guarded([&] { screen_->control().screen().zone("Mnu_Sommaire").events().click(); });
    });
    help->addAction("À propos", this, [this] { showAbout(); });
}

void MainWindow::chooseDatabase() {
    if (!mayAbandonLine())
        return;
    const QString path = QFileDialog::getOpenFileName(this, "Ouvrir une base de données", path_,
                                                      "Bases Ondrel (*.db);;Tous les fichiers (*)");
    if (!path.isEmpty())
        openDatabase(path);
}

bool MainWindow::openDatabase(const QString& path) {
    std::shared_ptr<Database> db;
    try {
        db = Database::open(path.toStdString());
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, "Ouverture de la base de données",
                  QString("La base « %1 » n'a pas été ouverte.\n%2")
                      .arg(QString::fromStdString(Database::readable(path.toStdString())), QString::fromStdString(e.what())));
        return false;
    }
    // The control before goes first: the files and records of the thread are shared by
    // the instances, and the new one starts on the new database alone.
    delete area_->takeWidget();
    screen_ = nullptr;
    delete overview_;
    overview_ = nullptr;
    delete groupOverview_;
    groupOverview_ = nullptr;
    db_ = db;
    lockAsked_ = {};
    user_ = db_->signIn(claimedUser_);
    path_ = QString::fromStdString(db_->location());
    rights_ = db_->readOnly() ? fixedRights(0) : storedRights(db_, user_);
    auto rights = rights_;
    screen_ = new OndrelWidget;
    connect(screen_, &OndrelWidget::unloadRequested, this, &QWidget::close);
    connect(screen_, &OndrelWidget::stepDone, this, [this] {
        refreshStatus();
        // A line saved or deleted shows in the overview at once.
        if (overview_ && overview_->isVisible() && !screen_->control().screen().zone("Cmd_AnnulerBudget").enabled())
            overview_->refresh();
    });
    area_->setWidget(screen_);
    screen_->guarded([&] {
        consultationOnly_ = rights->RightsForKey(kFullRightsKey)->AccessLevel() != kFullRights;
        importActuals_->setEnabled(!consultationOnly_);
        screen_->control().TheDatabase(db_);
        screen_->control().DroitsUtilisateur(rights);
        screen_->control().TheClient({user_, path_.toStdString()});
        screen_->control().Init();
    });
    // A reader may still distribute an amount to see it spread, as a simulation.
    if (consultationOnly_)
        for (const auto& zone : kEntryZones)
            screen_->widgetOf(zone)->setToolTip("Consultation seule : ce que vous saisissez ici ne peut pas être enregistré.");
    // The window takes the screen's size, and never more than the screen has room for:
    // a smaller screen scrolls it.
    QScreen* display = QWidget::screen();
    const QSize room = (display ? display->availableGeometry().size() : QSize(1366, 768)) - QSize(40, 80);
    const QSize want = screen_->size() + QSize(2, menuBar()->sizeHint().height() + statusBar()->sizeHint().height() + 2);
    resize(want.boundedTo(room));
    refreshStatus();
    return true;
}

BudgetOverview* MainWindow::overview() {
    if (!overview_) {
        overview_ = new BudgetOverview(db_, this);
        overview_->setWindowFlag(Qt::Window);
        connect(overview_, &BudgetOverview::lineChosen, this, &MainWindow::showLine);
    }
    overview_->setConsultationOnly(consultationOnly_);
    overview_->setRights(rights_);
    overview_->refresh();
    overview_->show();
    overview_->raise();
    return overview_;
}

GroupOverview* MainWindow::groupOverview() {
    if (!groupOverview_) {
        groupOverview_ = new GroupOverview(db_, this);
        groupOverview_->setWindowFlag(Qt::Window);
        connect(groupOverview_, &GroupOverview::lineChosen, this,
                [this](const QString& entity, const QString& year, const QString& account) {
                    BudgetOverview* entityView = overview();
                    entityView->choose(entity, year);
                    entityView->showAccount(account);
                });
    }
    groupOverview_->setRights(rights_);
    groupOverview_->refresh();
    groupOverview_->show();
    groupOverview_->raise();
    return groupOverview_;
}

void MainWindow::showLine(const QString& entity, const QString& year, const QString& account) {
    if (!screen_ || !mayAbandonLine())
        return;
    Screen& s = screen_->control().screen();
    screen_->guarded([&] {
        if (s.zone("Cmd_AnnulerBudget").enabled())
            s.zone("Cmd_AnnulerBudget").click();
        s.zone("Txt_CodAssoc").setText(entity.toStdString());
        s.zone("Cbo_Exercice").pick(year == "N" ? 0 : 1);
        s.zone("Txt_Cpte").setText(account.toStdString());
    });
    activateWindow();
}

// A long path or server address is cut in its middle to leave the user and the spread
// their room; the whole of it shows as the label's tip.
void MainWindow::refreshStatus() {
    userLabel_->setText("Utilisateur : " + QString::fromStdString(user_));
    mode_->setText(consultationOnly_ ? kConsultation : lockedYearText());
    spread_->setText(screen_ ? QString::fromStdString(spreadStatus(screen_->control().screen())) : QString());
    // What the person must read whole first; the path takes the room left, and no more
    // than two fifths of the line.
    const auto room = [](QLabel* label) { return label->text().isEmpty() ? 0 : label->fontMetrics().horizontalAdvance(label->text()) + 16; };
    const int left = width() - room(userLabel_) - room(mode_) - room(spread_) - 24;
    const QString base = "Base : " + path_;
    database_->setText(database_->fontMetrics().elidedText(base, Qt::ElideMiddle, std::clamp(left, 0, width() * 2 / 5)));
    database_->setToolTip(base);
}

// A validated year says so from the moment it is chosen, before anything is typed: in
// the status line, and in the tips of the zones whose typing Ok will refuse.
QString MainWindow::lockedYearText() {
    if (!screen_ || !db_)
        return {};
    const std::string entity = screen_->control().screen().zone("Txt_CodAssoc").text();
    const int year = screen_->control().screen().zone("Cbo_Exercice").listIndex();
    if (entity.size() != 3 || (year != 0 && year != 1))
        return {};
    const std::string yearCode = yearCodeFor(year == 0 ? "N" : "N+1");
    if (entity != lockAsked_.first || yearCode != lockAsked_.second) {
        lockAsked_ = {entity, yearCode};
        lockText_.clear();
        try {
            if (const auto lock = budgetLock(*db_, yearCode, entity))
                lockText_ = QString::fromStdString(lockCaption(*lock)) + " : en lecture seule jusqu'à sa révision";
            mode_->setToolTip(lockText_);
        } catch (const std::exception&) {
            lockAsked_ = {};   // a server away for a moment: asked again at the next step
        }
        holdEntry(lockText_.isEmpty() ? QString() : lockText_ + " ; rien ne peut y être changé ni enregistré.");
    }
    // Short enough to be read whole beside the user and the spread; the date and the
    // version in its tip.
    return lockText_.isEmpty() ? QString() : "Exercice validé : lecture seule";
}

void MainWindow::holdEntry(const QString& why) {
    for (const auto& zone : kEntryZones)
        screen_->widgetOf(zone)->setToolTip(why);
    screen_->hold(kEntryZones, why);
}

bool MainWindow::mayAbandonLine() {
    if (!screen_ || !screen_->control().screen().zone("Cmd_AnnulerBudget").enabled())
        return true;
    return askInBox(this, kTitle,
                    "Une ligne budgétaire est en cours de saisie. Voulez-vous l'abandonner sans l'enregistrer ?",
                    false);
}

// Shown or back in front, the window gives the keys to the screen at once.
bool MainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (screen_ && (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)) {
        screen_->takeKeyboard();
        lockAsked_ = {};   // a year may have been validated or revised in another window meanwhile
        refreshStatus();
    }
    return handled;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    refreshStatus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const bool byExit = screen_ && screen_->control().W_Sortir;
    if (!byExit && !mayAbandonLine()) {
        event->ignore();
        return;
    }
    // A year grid with changes not saved asks first, and may keep the application open.
    for (auto* grid : findChildren<YearGridWindow*>())
        if (grid->isVisible() && !grid->close()) {
            event->ignore();
            return;
        }
    QSettings settings;
    settings.setValue("fenetre/geometrie", saveGeometry());
    if (overview_ && overview_->isVisible())
        overview_->close();   // it keeps its own size and columns
    event->accept();
}

void MainWindow::showAbout() {
    tellInBox(this, QMessageBox::Information, "À propos",
              QString("Ondrel %1 : saisie des budgets\nBase : %2\n%3\n\n"
                      "Ondrel est un logiciel libre : vous pouvez le redistribuer et le modifier selon les termes de "
                      "la Licence publique générale GNU (GPL), version 3 ou toute version ultérieure, publiée par la "
                      "Free Software Foundation. Il est distribué sans aucune garantie.")
                  .arg(ONDREL_VERSION, path_, QString::fromStdString(db_->engine())));
}

}  // namespace ondrel
