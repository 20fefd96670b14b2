// The overview's part of the budget cycle: which budget it shows, what it compares it
// with, and the commands that save, validate, revise and forecast.
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>
#include <QStatusBar>

#include "actuals/profiles.h"
#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "qt/overview/budget_overview.h"
#include "qt/widgets/french_boxes.h"
#include "qt/widgets/table_items.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/overview/landing_dialog.h"
#include "qt/grid/year_grid_window.h"
#include "sheets/budget_totals.h"
#include "sheets/comparison.h"
#include "store/store_error.h"
#include "versions/landing.h"
#include "versions/validation.h"

namespace ondrel {

namespace {

constexpr const char* kTitle = "Vue d'ensemble du budget";

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QStandardItem* cell(const QString& text, QVariant sortBy, bool right = true) {
    auto* item = new QStandardItem(text);
    item->setData(sortBy, kSortRole);
    if (right)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    else
        item->setToolTip(text);   // a text that its column shows cut reads whole
    return item;
}

QStandardItem* amountCell(Currency amount) {
    return cell(q(formatAmount(amount, Grouping::Thousands)), static_cast<qlonglong>(amount.floorHundredths()));
}

// A combo's entries: the working budget, then each version by its name and state, the
// name as data; kept on the entry chosen when it is still there.
void fillChoices(QComboBox* box, const std::vector<Version>& versions, bool withNone) {
    const QVariant chosen = box->currentData();
    const QSignalBlocker quiet(box);
    box->clear();
    if (withNone)
        box->addItem("(aucune comparaison)");
    box->addItem(q(budgetName({})), QString());
    for (const auto& v : versions)
        box->addItem(q(v.name) + (v.validated ? " — validée" : v.kind == VersionKind::Landing ? " — atterrissage" : ""),
                     q(v.name));
    const int at = box->findData(chosen);
    box->setCurrentIndex(at >= 0 ? at : 0);
}

}  // namespace

// Beside the entity and the year: what is shown and what it is compared with; below
// them, on a line of its own while there is something to say, the validation that
// locks the year or how a landing was made. Long names of versions never widen the
// window: their combos take the room the window has.
void BudgetOverview::addCycleChoice(QHBoxLayout* choice, QWidget* central) {
    shown_ = new QComboBox(central);
    shown_->setToolTip("Le budget de travail, ou une version enregistrée, en lecture seule");
    against_ = new QComboBox(central);
    against_->setToolTip("Comparer ce qui est affiché au budget de travail ou à une autre version");
    comparedMonths_ = new QComboBox(central);
    comparedMonths_->setToolTip("Ce que montrent les mois d'une comparaison");
    cycle_ = new QLabel(central);
    cycle_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cycle_->setWordWrap(true);
    QFont bold = cycle_->font();
    bold.setBold(true);
    cycle_->setFont(bold);
    choice->addWidget(new QLabel("Afficher", central));
    choice->addWidget(shown_, 1);
    choice->addWidget(new QLabel("Comparer à", central));
    choice->addWidget(against_, 1);
    for (QComboBox* box : {shown_, against_, comparedMonths_}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(6);
        connect(box, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    }
}

void BudgetOverview::buildCycleMenu(QMenu* budget) {
    budget->addSeparator();
    writers_ << budget->addAction("Enregistrer une version…", this, [this] {
        if (const auto name = askName(this, "Enregistrer une version", "Nom de la version :", QString("Budget %1").arg(entity())))
            saveVersionAs(*name);
    });
    validate_ = budget->addAction("Valider une version…", this, [this] { askValidation(); });
    revise_ = budget->addAction("Réviser le budget validé", this, [this] {
        if (askInBox(this, kTitle, "Ouvrir la révision ? Le budget de travail se modifiera de nouveau ; la version validée reste telle quelle.",
                     false))
            reviseYear();
    });
    writers_ << budget->addAction("Supprimer la version affichée…", this, [this] { deleteShownVersion(); });
    writers_ << budget->addAction("Atterrissage…", this, [this] { chooseLanding(); });
}

void BudgetOverview::setRights(std::shared_ptr<UserRights> rights) {
    rights_ = std::move(rights);
    followCycleRights();
}

// Valider and Réviser are greyed with their reason in their tip: no right to validate,
// a year already validated, or nothing to revise.
void BudgetOverview::followCycleRights() {
    const bool validator = rights_ && mayValidate(*rights_);
    bool locked = false;
    if (db_ && entities_->count() > 0)
        attempt("Le verrou de l'exercice n'a pas pu être lu.", [&] {
            locked = budgetLock(*db_, yearCodeFor(year().toStdString()), entity().toStdString()).has_value();
        });
    const QString noRight = "Réservé aux valideurs : vos droits (clé ONDREL_VALIDATION) ne permettent pas de valider ni de "
                            "réviser un budget.";
    validate_->setEnabled(validator && !locked);
    validate_->setToolTip(!validator ? noRight
                          : locked   ? "Le budget de cet exercice est déjà validé : ouvrez d'abord sa révision."
                                     : "Valider une version du budget : l'exercice se verrouille jusqu'à sa révision.");
    revise_->setEnabled(validator && locked);
    revise_->setToolTip(!validator ? noRight
                        : locked   ? "Ouvrir la révision du budget validé : le budget de travail se modifie de nouveau."
                                   : "Le budget de cet exercice n'est pas validé : il n'y a rien à réviser.");
}

// The year's versions of budget not yet validated, to pick from; a name that is none of
// them saves the working budget under it first, and the person is told so.
void BudgetOverview::askValidation() {
    QStringList names;
    attempt("Les versions n'ont pas pu être lues.", [&] {
        for (const auto& v : ondrel::listVersions(*db_, entity().toStdString(), year().toStdString()))
            if (v.kind == VersionKind::Budget && !v.validated)
                names << q(v.name);
    });
    const QString shown = shown_->currentData().toString();
    const auto name = askName(this, "Valider le budget", "Version à valider :", names.contains(shown) ? shown : names.value(0),
                              names);
    if (!name)
        return;
    const QString fresh = names.contains(name->trimmed(), Qt::CaseInsensitive)
                              ? QString()
                              : QString(" « %1 » n'est pas encore une version : le budget de travail sera d'abord "
                                        "enregistré sous ce nom.").arg(name->trimmed());
    if (askInBox(this, kTitle,
                 QString("Valider « %1 » ? Le budget de l'exercice %2 de l'entité %3 ne se modifiera plus jusqu'à sa "
                         "révision.%4")
                     .arg(name->trimmed(), year(), entity(), fresh),
                 false))
        validateVersion(*name);
}

void BudgetOverview::listVersions() {
    const auto versions = ondrel::listVersions(*db_, entity().toStdString(), year().toStdString());
    fillChoices(shown_, versions, false);
    fillChoices(against_, versions, true);
}

std::optional<Version> BudgetOverview::versionShown() {
    const QString name = shown_->currentData().toString();
    if (name.isEmpty())
        return std::nullopt;
    return findVersion(*db_, entity().toStdString(), year().toStdString(), name.toStdString());
}

BudgetSheet BudgetOverview::shownSheet() {
    return budgetNamed(*db_, entity().toStdString(), year().toStdString(), shown_->currentData().toString().toStdString());
}

bool BudgetOverview::comparing() const {
    return against_->currentIndex() > 0;
}

// The version compared with on the left, what is shown on the right.
SheetComparison BudgetOverview::comparison(const BudgetSheet& shown) {
    const std::string left = against_->currentData().toString().toStdString();
    return compareSheets(*db_, budgetName(left), budgetNamed(*db_, entity().toStdString(), year().toStdString(), left),
                         budgetName(shown_->currentData().toString().toStdString()), shown);
}

ReportSubject BudgetOverview::reportSubject() const {
    ReportSubject subject{entity().toStdString(), year().toStdString(), shown_->currentData().toString().toStdString()};
    if (comparing())
        subject.against = against_->currentData().toString().toStdString();
    return subject;
}

QString BudgetOverview::cycleCaption() const {
    return cycle_->text();
}

void BudgetOverview::showCycle() {
    followCycleRights();
    const auto lock = budgetLock(*db_, yearCodeFor(year().toStdString()), entity().toStdString());
    cycle_->setText(lock ? q(lockCaption(*lock)) : QString());
    const auto shown = versionShown();
    if (shown && !shown->description.empty())
        cycle_->setText(q(shown->description));
    cycle_->setVisible(!cycle_->text().isEmpty());
    comparedMonths_->setVisible(comparing());
    measure_->setVisible(!comparing());
}

// A row a line: both totals, their difference and its percentage, what changed, then
// the months of the side chosen or their differences.
void BudgetOverview::fillCompared(const SheetComparison& c) {
    const QString left = q(c.leftName), right = q(c.rightName);
    if (comparedMonths_->count() != 3 || comparedMonths_->itemText(1) != left || comparedMonths_->itemText(2) != right) {
        const QSignalBlocker quiet(comparedMonths_);
        comparedMonths_->clear();
        comparedMonths_->addItems({"Écart", left, right});
    }
    const int side = comparedMonths_->currentIndex();
    auto months = [&](const ComparedRow& r, QList<QStandardItem*>& row) {
        for (std::size_t p = 0; p < r.left.size(); ++p)
            row << amountCell(side == 1 ? r.left[p] : side == 2 ? r.right[p] : variance(r.left[p], r.right[p]));
    };
    auto figures = [&](const ComparedRow& r, QList<QStandardItem*>& row) {
        const auto percent = variancePercent(r.leftTotal, r.rightTotal);
        row << amountCell(r.leftTotal) << amountCell(r.rightTotal) << amountCell(variance(r.leftTotal, r.rightTotal))
            << cell(q(percentText(percent)), percent.value_or(0.0));
        months(r, row);
    };
    QStringList heads{"Compte", "Libellé", "Modification", left, right, "Écart", "Écart %"};
    for (const auto& label : c.periodLabels)
        heads << q(label);
    lineModel_->setHorizontalHeaderLabels(heads);
    for (const auto& line : c.lines) {
        QList<QStandardItem*> row{cell(q(line.code), q(line.code), false), cell(q(line.label), q(line.label), false),
                                  cell(q(lineChange(line)), q(lineChange(line)), false)};
        figures(line, row);
        lineModel_->appendRow(row);
    }
    heads[0] = "Classe";
    heads[1] = "Intitulé";
    heads.removeAt(2);
    totalModel_->setHorizontalHeaderLabels(heads);
    auto addTotal = [&](const ComparedRow& t) {
        QList<QStandardItem*> row{cell(q(t.code), q(t.code), false), cell(q(t.label), q(t.label), false)};
        figures(t, row);
        totalModel_->appendRow(row);
    };
    for (const auto& t : c.classes)
        addTotal(t);
    for (const auto* t : {&c.charges, &c.produits, &c.result})
        addTotal(*t);
}

void BudgetOverview::showVersion(const QString& name, std::optional<QString> against) {
    listVersions();
    shown_->setCurrentIndex(std::max(0, shown_->findData(name)));
    against_->setCurrentIndex(against ? std::max(0, against_->findData(*against)) : 0);
    refresh();
}

bool BudgetOverview::saveVersionAs(const QString& name) {
    return attempt("La version n'a pas été enregistrée.", [&] {
        const Version v = saveVersion(*db_, entity().toStdString(), year().toStdString(), name.toStdString());
        refresh();
        statusBar()->showMessage(QString("Version « %1 » enregistrée.").arg(q(v.name)), 10000);
    });
}

bool BudgetOverview::validateVersion(const QString& name) {
    return attempt("Le budget n'a pas été validé.", [&] {
        if (!rights_)
            throw std::runtime_error(noValidationRight());
        const Version v = ondrel::validateVersion(*db_, *rights_, entity().toStdString(), year().toStdString(), name.toStdString());
        showVersion(q(v.name));
        statusBar()->showMessage(QString("Version « %1 » validée : le budget de l'exercice est verrouillé.").arg(q(v.name)),
                                 10000);
    });
}

bool BudgetOverview::reviseYear() {
    return attempt("La révision n'a pas été ouverte.", [&] {
        if (!rights_)
            throw std::runtime_error(noValidationRight());
        ondrel::reviseYear(*db_, *rights_, entity().toStdString(), year().toStdString());
        refresh();
        statusBar()->showMessage("Révision ouverte : le budget de travail se modifie de nouveau.", 10000);
    });
}

bool BudgetOverview::deleteShownVersion() {
    const auto shown = versionShown();
    if (!shown) {
        tellInBox(this, QMessageBox::Information, kTitle, "Affichez d'abord la version à supprimer.");
        return false;
    }
    if (!askInBox(this, kTitle, QString("Supprimer la version « %1 » ?").arg(q(shown->name)), false))
        return false;
    return attempt("La version n'a pas été supprimée.", [&] {
        deleteVersion(*db_, entity().toStdString(), year().toStdString(), shown->name);
        showVersion({});
        statusBar()->showMessage(QString("Version « %1 » supprimée.").arg(q(shown->name)), 10000);
    });
}

void BudgetOverview::chooseLanding() {
    std::vector<Period> periods;
    std::vector<std::string> profiles;
    if (!attempt("L'exercice n'a pas pu être lu.", [&] {
            periods = fiscalPeriods(*db_, entity().toStdString(), year().toStdString());
            profiles = profileNames(*db_, entity().toStdString());
        }))
        return;
    LandingDialog dialog(periods, profiles, this);
    if (dialog.exec() == QDialog::Accepted)
        forecast(dialog.through(), dialog.remainder(), dialog.name());
}

// The landing against the validated version, or the working budget while none is.
bool BudgetOverview::forecast(const std::string& through, const Remainder& remainder, const QString& name) {
    return attempt("L'atterrissage n'a pas été enregistré.", [&] {
        const std::string e = entity().toStdString(), y = year().toStdString();
        const Version landing = saveLanding(*db_, e, y, through, remainder, name.toStdString());
        QString against;
        for (const auto& v : ondrel::listVersions(*db_, e, y))
            if (v.validated)
                against = q(v.name);
        showVersion(q(landing.name), against);
        statusBar()->showMessage(QString("Atterrissage « %1 » enregistré.").arg(q(landing.name)), 10000);
    });
}

YearGridWindow* BudgetOverview::openYearGrid() {
    auto* grid = new YearGridWindow(db_, entity(), year(), rights_, this);
    grid->setAttribute(Qt::WA_DeleteOnClose);
    std::optional<Version> shown;
    attempt("La version n'a pas pu être lue.", [&] { shown = versionShown(); });
    if (shown)
        grid->showVersion(*shown);
    grid->show();
    return grid;
}

}  // namespace ondrel
