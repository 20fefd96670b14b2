#include "qt/group/group_overview.h"

#include <algorithm>
#include <fstream>

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include "group/alerts.h"
#include "group/group_csv.h"
#include "qt/widgets/french_boxes.h"
#include "qt/group/group_dialog.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/widgets/table_items.h"
#include "sheets/comparison.h"
#include "sheets/percentage.h"

namespace ondrel {

namespace {

constexpr const char* kTitle = "Vue du groupe";
constexpr int kHeadColumns = 2;   // the account and its label

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The word of an alert, coloured as a person reads a warning: red for the worst.
QStandardItem* alertItem(AlertLevel level, bool produit) {
    auto* item = textItem(alertWord(level, produit));
    item->setData(static_cast<int>(level), kSortRole);
    if (level == AlertLevel::Alert)
        item->setForeground(QColor(0xb0, 0x00, 0x20));
    else if (level == AlertLevel::Watch)
        item->setForeground(QColor(0x9a, 0x5b, 0x00));
    return item;
}

// What a row of totals adds of the group's rows: those under its code (a class, "6"
// for the charges), never an eliminated one; each member's part of the year, and the
// budget to date of the members whose actuals are imported.
struct Under {
    std::vector<Currency> byEntity;
    Currency compared;
};

Under under(const GroupView& view, const std::string& code, std::size_t through) {
    Under sums{std::vector<Currency>(view.members.size(), Currency::zero()), Currency::zero()};
    for (const auto& row : view.rows) {
        if (row.eliminated || !row.account.starts_with(code))
            continue;
        for (std::size_t m = 0; m < sums.byEntity.size(); ++m)
            sums.byEntity[m] += row.byEntity[m];
        sums.compared += toDate(row.comparedMonths, through);
    }
    return sums;
}

}  // namespace

GroupOverview::GroupOverview(std::shared_ptr<Database> db, QWidget* parent) : QMainWindow(parent), db_(std::move(db)) {
    setWindowTitle(kTitle);
    lineModel_ = new QStandardItemModel(this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(lineModel_);
    sorted_->setSortRole(kSortRole);
    sorted_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    sorted_->setFilterKeyColumn(-1);
    totalModel_ = new QStandardItemModel(this);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(buildChoice(central));
    members_ = new QLabel(central);
    members_->setWordWrap(true);
    notes_ = new QLabel(central);
    notes_->setWordWrap(true);
    layout->addWidget(members_);
    layout->addWidget(notes_);

    lines_ = new FrozenColumnsTable(central);
    lines_->setModel(sorted_, kHeadColumns);
    lines_->setYieldingColumn(1, 1);
    totals_ = new QTableView(central);
    totals_->setModel(totalModel_);
    totals_->verticalHeader()->hide();
    for (QTableView* v : lines_->views() + QList<QTableView*>{totals_}) {
        v->setEditTriggers(QAbstractItemView::NoEditTriggers);
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->verticalHeader()->hide();
    }
    for (QTableView* v : lines_->views() + QList<QTableView*>{totals_})
        // Widths measured on the rows a screen shows, not on five hundred.
        v->horizontalHeader()->setResizeContentsPrecision(200);
    for (QTableView* v : lines_->views()) {
        connect(v->horizontalHeader(), &QHeaderView::sectionClicked, lines_, &FrozenColumnsTable::sortBy);
        connect(v, &QTableView::doubleClicked, this, &GroupOverview::openLine);
    }
    auto* panes = new QSplitter(Qt::Vertical, central);
    panes->addWidget(lines_);
    panes->addWidget(totals_);
    panes->setStretchFactor(0, 3);
    panes->setStretchFactor(1, 2);
    layout->addWidget(panes, 1);
    setCentralWidget(central);
    const QRect room = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                        : QRect(0, 0, 1366, 768);
    resize(room.size() * 0.85);
    buildMenus();
    listGroups();
    restoreChoice();
    fill();
}

// The window opens on what it showed last: a person follows one group.
void GroupOverview::restoreChoice() {
    QSettings settings;
    const QSignalBlocker quiet[] = {QSignalBlocker(groups_), QSignalBlocker(years_), QSignalBlocker(basis_),
                                    QSignalBlocker(columns_)};
    if (const int at = groups_->findText(settings.value("vue-groupe/groupe").toString()); at >= 0)
        groups_->setCurrentIndex(at);
    years_->setCurrentIndex(settings.value("vue-groupe/exercice", 0).toInt() == 1 ? 1 : 0);
    basis_->setCurrentIndex(std::clamp(settings.value("vue-groupe/budget", 0).toInt(), 0, basis_->count() - 1));
    columns_->setCurrentIndex(settings.value("vue-groupe/colonnes", 0).toInt() == 1 ? 1 : 0);
}

void GroupOverview::keepChoice() {
    QSettings settings;
    settings.setValue("vue-groupe/groupe", groups_->currentText());
    settings.setValue("vue-groupe/exercice", years_->currentIndex());
    settings.setValue("vue-groupe/budget", basis_->currentIndex());
    settings.setValue("vue-groupe/colonnes", columns_->currentIndex());
}

QLayout* GroupOverview::buildChoice(QWidget* central) {
    auto* choice = new QHBoxLayout;
    const auto add = [&](const QString& caption, QWidget* w) {
        auto* label = new QLabel(caption, central);
        label->setBuddy(w);
        choice->addWidget(label);
        choice->addWidget(w);
    };
    groups_ = new QComboBox(central);
    groups_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    add("&Groupe", groups_);
    years_ = new QComboBox(central);
    years_->addItems({"N", "N+1"});
    add("E&xercice", years_);
    basis_ = new QComboBox(central);
    for (GroupBasis b : {GroupBasis::Working, GroupBasis::Validated, GroupBasis::Landing})
        basis_->addItem(q(basisName(b)));
    add("&Budget", basis_);
    columns_ = new QComboBox(central);
    columns_->addItems({"Par entité", "Par mois"});
    add("&Colonnes", columns_);
    toDate_ = new QComboBox(central);
    toDate_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    add("À &fin de", toDate_);
    filter_ = new QLineEdit(central);
    filter_->setPlaceholderText("Compte ou libellé");
    filter_->setClearButtonEnabled(true);
    filter_->setMinimumWidth(filter_->fontMetrics().horizontalAdvance("Compte ou libellé") + 32);
    add("F&iltre", filter_);
    choice->addStretch(1);
    for (QComboBox* c : {groups_, years_, basis_})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { fill(); });
    connect(columns_, &QComboBox::currentIndexChanged, this, [this] {
        keepChoice();
        fillLines();
        fillTotals();
        fitColumns();
    });
    connect(toDate_, &QComboBox::currentIndexChanged, this, [this] {
        fillLines();
        fillTotals();
        fitColumns();
    });
    connect(filter_, &QLineEdit::textChanged, sorted_, &QSortFilterProxyModel::setFilterFixedString);
    return choice;
}

void GroupOverview::buildMenus() {
    QMenu* file = menuBar()->addMenu("&Fichier");
    file->addAction("&Exporter…", QKeySequence(Qt::CTRL | Qt::Key_E), this, [this] { chooseExport(); });
    file->addAction("&Actualiser", QKeySequence::Refresh, this, [this] { refresh(); });
    file->addAction("&Fermer", QKeySequence::Close, this, [this] { close(); });
    QMenu* group = menuBar()->addMenu("G&roupe");
    writers_ << group->addAction("&Nouveau groupe…", QKeySequence::New, this, [this] { editGroup(true); })
             << group->addAction("&Modifier le groupe…", this, [this] { editGroup(false); })
             << group->addAction("&Supprimer le groupe…", this, [this] { deleteGroup(); });
    group->addSeparator();
    writers_ << group->addAction("&Copier N vers N+1…", this, [this] { copyGroup(); })
             << group->addAction("&Importer des lignes des entités…", this, [this] { importGroup(); })
             << group->addAction("&Enregistrer une version du groupe…", this,
                                 [this] { saveGroupVersion(VersionStep::Save); });
    validate_ = group->addAction("&Valider une version du groupe…", this, [this] { saveGroupVersion(VersionStep::Validate); });
    setRights(fixedRights(0));
}

void GroupOverview::setRights(std::shared_ptr<UserRights> rights) {
    rights_ = std::move(rights);
    const bool writes = rights_->RightsForKey(kScreenKey)->AccessLevel() == kFullRights;
    for (QAction* a : writers_) {
        a->setEnabled(writes);
        a->setToolTip(writes ? QString() : "Vos droits ne permettent pas de modifier les groupes d'entités.");
    }
    validate_->setEnabled(mayValidate(*rights_));
    validate_->setToolTip(validate_->isEnabled() ? QString() : "Seul un valideur valide les budgets.");
}

void GroupOverview::runGroupWork(const QString& question,
                                 const std::function<GroupWorkReport(GroupWorkOptions)>& work) {
    const auto said = [](const GroupWorkReport& report) {
        QStringList lines;
        for (const auto& fault : report.faults)
            lines << q(fault);
        for (const auto& line : reportLines(report))
            lines << q(line);
        return lines.join("\n");
    };
    try {
        const GroupWorkReport dry = work({.validated = ValidatedYears::Skip, .run = BudgetWriting::Run::DryRun});
        if (!dry.faults.empty()) {
            tellInBox(this, QMessageBox::Warning, kTitle, "Rien n'a été écrit.\n\n" + said(dry));
            return;
        }
        if (!askInBox(this, kTitle, question + "\n\n" + said(dry), false))
            return;
        const GroupWorkReport done = work({.validated = ValidatedYears::Skip, .run = BudgetWriting::Run::Write});
        if (!done.faults.empty()) {
            tellInBox(this, QMessageBox::Warning, kTitle, "Rien n'a été écrit.\n\n" + said(done));
            return;
        }
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString("Rien n'a été écrit : %1").arg(q(e.what())));
        return;
    }
    statusBar()->showMessage("Écrit en une seule transaction pour les entités du groupe.", 10000);
    fill();
}

void GroupOverview::copyGroup() {
    if (!group_ || !view_)
        return;
    const auto text = askName(this, "Copier le groupe vers N+1", "Variation en pourcentage (par exemple 3,5 ou -10) :", "0");
    if (!text)
        return;
    const auto percent = parsePercentage(text->toStdString());
    if (!percent) {
        tellInBox(this, QMessageBox::Warning, kTitle, q(notAPercentage(text->toStdString())));
        return;
    }
    runGroupWork(QString("Copier le budget N des entités du groupe « %1 » vers N+1 en appliquant %2 à chaque montant ?")
                     .arg(q(group_->name), q(percentageText(*percent))),
                 [&](GroupWorkOptions options) {
                     options.onFile = OnFile::Keep;
                     return copyGroupYear(db_, rights_, *group_, "N", "N+1", *percent, "", options);
                 });
}

void GroupOverview::saveGroupVersion(VersionStep step) {
    if (!group_ || !view_)
        return;
    const bool validating = step == VersionStep::Validate;
    const auto name = askName(this, validating ? "Valider une version du groupe" : "Enregistrer une version du groupe",
                              "Nom de la version, le même dans chaque entité :", "");
    if (!name)
        return;
    runGroupWork(QString("%1 le budget de travail %2 de chaque entité du groupe « %3 » sous le nom « %4 » ?")
                     .arg(validating ? "Valider" : "Enregistrer", years_->currentText(), q(group_->name), *name),
                 [&](GroupWorkOptions options) {
                     return ondrel::saveGroupVersion(*db_, *rights_, *group_, years_->currentText().toStdString(),
                                                     name->toStdString(), step, options);
                 });
}

void GroupOverview::importGroup() {
    if (!group_ || !view_)
        return;
    const QString path = QFileDialog::getOpenFileName(this, "Importer des lignes des entités du groupe", QString(),
                                                      "Budget (*.csv *.xlsx);;CSV (*.csv);;Classeur Excel (*.xlsx)");
    if (path.isEmpty())
        return;
    std::vector<std::string> faults;
    std::vector<BudgetRow> rows;
    try {
        rows = readBudgetFile(path.toStdString(), faults);
    } catch (const std::exception& e) {
        faults.push_back(e.what());
    }
    if (!faults.empty()) {
        QStringList lines;
        for (const auto& f : faults)
            lines << q(f);
        tellInBox(this, QMessageBox::Warning, kTitle, "Rien n'a été importé.\n\n" + lines.join("\n"));
        return;
    }
    runGroupWork(QString("Importer les lignes de « %1 » dans les entités du groupe « %2 » ?").arg(path, q(group_->name)),
                 [&](GroupWorkOptions options) {
                     options.onFile = OnFile::Replace;
                     return importGroupRows(db_, rights_, *group_, rows, options);
                 });
}

void GroupOverview::editGroup(bool makeNew) {
    GroupDialog dialog(db_, rights_, makeNew ? std::nullopt : group_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    listGroups();
    groups_->setCurrentIndex(groups_->findText(dialog.savedName()));
    fill();
    statusBar()->showMessage(QString("Groupe « %1 » enregistré.").arg(dialog.savedName()), 10000);
}

void GroupOverview::deleteGroup() {
    const QString name = groups_->currentText();
    if (name == kAllEntities) {
        tellInBox(this, QMessageBox::Information, kTitle, QString("« %1 » ne se supprime pas.").arg(kAllEntities));
        return;
    }
    if (!askInBox(this, kTitle, QString("Supprimer le groupe « %1 » ? Les budgets des entités restent tels quels.").arg(name),
                  false))
        return;
    try {
        ondrel::deleteGroup(*db_, *rights_, name.toStdString());
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, q(e.what()));
        return;
    }
    refresh();
    statusBar()->showMessage(QString("Groupe « %1 » supprimé.").arg(name), 10000);
}

void GroupOverview::listGroups() {
    const QString shown = groups_->currentText();
    QSignalBlocker quiet(groups_);
    groups_->clear();
    for (const auto& name : groupNames(*db_))
        groups_->addItem(q(name));
    if (const int at = groups_->findText(shown); at >= 0)
        groups_->setCurrentIndex(at);
}

void GroupOverview::refresh() {
    listGroups();
    fill();
}

bool GroupOverview::byEntity() const {
    return columns_->currentIndex() == 0;
}

std::size_t GroupOverview::through() const {
    const int chosen = toDate_->currentIndex();
    return chosen > 0 ? static_cast<std::size_t>(chosen - 1) : view_->months.size() - 1;
}

void GroupOverview::fill() {
    keepChoice();
    view_.reset();
    try {
        group_ = readGroup(*db_, groups_->currentText().toStdString());
        view_ = readGroupView(*db_, *group_, years_->currentText().toStdString(),
                              static_cast<GroupBasis>(basis_->currentIndex()));
    } catch (const std::exception& e) {
        members_->setText(q(e.what()));
        notes_->clear();
        lineModel_->clear();
        totalModel_->clear();
        return;
    }
    {
        QSignalBlocker quiet(toDate_);
        const int kept = toDate_->currentIndex();
        toDate_->clear();
        toDate_->addItem("Toute l'année");
        for (const auto& month : view_->months)
            toDate_->addItem(q(month.label));
        toDate_->setCurrentIndex(kept >= 0 && kept < toDate_->count() ? kept : 0);
    }
    QStringList members;
    for (const auto& m : view_->members)
        members << QString("%1 %2 : %3%4")
                       .arg(q(m.code), q(m.name), q(m.shown),
                            m.fallsBack ? " (aucune version de ce genre)" : m.validated ? " (validé)" : " (non validé)");
    members_->setText(members.join(" · "));
    QStringList notes;
    if (const auto calendar = calendarNote(*view_); !calendar.empty())
        notes << q(calendar);
    for (const auto& gap : view_->flowGaps)
        notes << q(flowGapText(gap));
    notes_->setText(notes.join("\n"));
    notes_->setVisible(!notes.isEmpty());
    setWindowTitle(QString("%1 — %2 (%3)").arg(kTitle, groups_->currentText(), years_->currentText()));
    fillLines();
    fillTotals();
    fitColumns();
}

QStringList GroupOverview::amountHeadings() const {
    QStringList h;
    if (byEntity())
        for (const auto& m : view_->members)
            h << q(m.code);
    else
        for (const auto& month : view_->months)
            h << q(month.label);
    h << "Éliminations" << "Total";
    if (view_->withActuals)
        h << "Budget à date" << "Réalisé à date" << "Écart" << "Alerte";
    return h;
}

void GroupOverview::fillLines() {
    lineModel_->clear();
    if (!view_)
        return;
    lineModel_->setHorizontalHeaderLabels(QStringList{"Compte", "Libellé"} + amountHeadings());
    if (byEntity())
        for (std::size_t m = 0; m < view_->members.size(); ++m)
            lineModel_->horizontalHeaderItem(kHeadColumns + static_cast<int>(m))->setToolTip(q(view_->members[m].name));
    const Thresholds thresholds = group_->thresholds.value_or(Thresholds{});
    const std::size_t last = through();
    for (const auto& row : view_->rows) {
        QList<QStandardItem*> cells{textItem(row.account)};
        QStandardItem* labelItem = textItem(row.labels.empty() ? row.label : row.label + " ≠");
        if (!row.labels.empty())
            labelItem->setToolTip("Libellés des entités :\n" + q([&] {
                std::string all;
                for (const auto& l : row.labels)
                    all += (all.empty() ? "" : "\n") + l;
                return all;
            }()));
        cells << labelItem;
        for (const Currency& amount : byEntity() ? row.byEntity : row.months)
            cells << amountItem(amount);
        cells << (row.eliminated ? amountItem(row.total) : textItem(""));
        cells << amountItem(row.eliminated ? Currency::zero() : row.total);
        if (view_->withActuals) {
            const Currency budget = toDate(row.comparedMonths, last), actual = toDate(row.actualMonths, last);
            const bool produit = row.account.starts_with('7');
            cells << amountItem(budget) << amountItem(actual) << amountItem(variance(budget, actual))
                  << alertItem(row.eliminated ? AlertLevel::None : alertLevel({budget, actual, produit}, thresholds),
                               produit);
        }
        if (row.eliminated)
            for (auto* cell : cells)
                cell->setForeground(QColor(0x60, 0x60, 0x60));
        lineModel_->appendRow(cells);
    }
    // The lines past a threshold first, the worst at the top.
    if (view_->withActuals)
        sorted_->sort(lineModel_->columnCount() - 1, Qt::DescendingOrder);
    else
        sorted_->sort(-1);
}

void GroupOverview::fillTotals() {
    totalModel_->clear();
    if (!view_)
        return;
    totalModel_->setHorizontalHeaderLabels(QStringList{"Code", "Total de"} + amountHeadings());
    const std::size_t last = through();
    const auto addRow = [&](const TotalRow& total, const Under& sums) {
        QList<QStandardItem*> cells{textItem(total.code), textItem(total.label)};
        for (const Currency& amount : byEntity() ? sums.byEntity : total.periods)
            cells << amountItem(amount);
        cells << textItem("") << amountItem(total.total);
        if (view_->withActuals) {
            const Currency actual = toDate(total.actualPeriods, last);
            cells << amountItem(sums.compared) << amountItem(actual) << amountItem(variance(sums.compared, actual))
                  << textItem("");
        }
        totalModel_->appendRow(cells);
    };
    for (const auto& total : view_->totals.classes)
        addRow(total, under(*view_, total.code, last));
    const Under charges = under(*view_, "6", last), produits = under(*view_, "7", last);
    Under result{std::vector<Currency>(charges.byEntity.size()), produits.compared - charges.compared};
    for (std::size_t m = 0; m < result.byEntity.size(); ++m)
        result.byEntity[m] = produits.byEntity[m] - charges.byEntity[m];
    addRow(view_->totals.charges, charges);
    addRow(view_->totals.produits, produits);
    addRow(view_->totals.result, result);
    // Under each entity's column, whether its year is validated and what it shows.
    if (byEntity()) {
        QList<QStandardItem*> state{textItem(""), textItem("Exercice validé")};
        for (const auto& m : view_->members)
            state << textItem(m.validated ? "oui" : "non");
        for (int c = state.size(); c < totalModel_->columnCount(); ++c)
            state << textItem("");
        totalModel_->appendRow(state);
    }
    QList<QStandardItem*> eliminated{textItem(""), textItem("Éliminations (hors totaux)")};
    for (int c = kHeadColumns; c < totalModel_->columnCount(); ++c)
        eliminated << textItem("");
    eliminated[kHeadColumns + static_cast<int>(byEntity() ? view_->members.size() : view_->months.size())] =
        amountItem(view_->eliminated);
    totalModel_->appendRow(eliminated);
}

void GroupOverview::fitColumns() {
    lines_->resizeColumnsToContents();
    totals_->resizeColumnsToContents();
}

void GroupOverview::chooseExport() {
    const QString path = QFileDialog::getSaveFileName(this, "Exporter le groupe", groups_->currentText() + ".csv",
                                                      "CSV (*.csv);;Classeur Excel (*.xlsx)");
    if (!path.isEmpty() && exportTo(path))
        statusBar()->showMessage(QString("%1 comptes exportés dans %2").arg(view_->rows.size()).arg(path));
}

bool GroupOverview::exportTo(const QString& path) {
    if (!view_)
        return false;
    try {
        if (path.endsWith(".xlsx", Qt::CaseInsensitive)) {
            writeGroupXlsx(*view_, path.toStdString());
            return true;
        }
        std::ofstream out(path.toStdString(), std::ios::binary);
        writeGroupCsv(*view_, out);
        if (!out.flush())
            throw std::runtime_error("le fichier n'a pas pu être écrit");
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle,
                  QString("L'export dans « %1 » a échoué : %2").arg(path, QString::fromStdString(e.what())));
        return false;
    }
    return true;
}

// The entity whose amount was clicked, or the first with a line on the account.
void GroupOverview::openLine(const QModelIndex& index) {
    if (!view_ || !index.isValid())
        return;
    const QModelIndex source = sorted_->mapToSource(index);
    const GroupRow& row = view_->rows[static_cast<std::size_t>(source.row())];
    std::size_t member = view_->members.size();
    const int column = source.column() - kHeadColumns;
    if (byEntity() && column >= 0 && column < static_cast<int>(view_->members.size()))
        member = static_cast<std::size_t>(column);
    for (std::size_t m = 0; m < view_->members.size() && member == view_->members.size(); ++m)
        if (row.byEntity[m] != Currency::zero())
            member = m;
    if (member < view_->members.size())
        emit lineChosen(q(view_->members[member].code), years_->currentText(), q(row.account));
}

}  // namespace ondrel
