#include "qt/grid/year_grid_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

#include "account/account_number.h"
#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "budget/line_note.h"
#include "data/request.h"
#include "grid/pasted_block.h"
#include "qt/widgets/french_boxes.h"
#include "qt/widgets/frozen_columns.h"
#include "qt/grid/year_grid_totals.h"
#include "screen/utf8_text.h"
#include "actuals/budget_actuals.h"
#include "sheets/budget_import.h"
#include "sheets/percentage.h"
#include "actuals/profiles.h"
#include "sheets/screen_writer.h"

namespace ondrel {

namespace {

constexpr const char* kTitle = "Saisie de l'année";
// The entry screen's own boxes, for its questions asked in the grid.
constexpr const char* kScreenTitle = "Message VALMORENT";

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The codes of the entity's distribution keys, as the screen lists them.
std::vector<std::string> keyCodes(Database& db, const std::string& entity) {
    Request keys;
    keys.set(1, "SSELECT BUDGETCLES AVEC 0 = \"" + entity + "]\" 0 PAR 0");
    keys.set(2, "BUDGETCLES");
    keys.set(3, "0");
    std::vector<std::string> codes;
    const ResultTable found = db.RunSelect(keys.text());
    for (const auto& row : found.rows())
        codes.push_back(row[0].substr(entity.size()));
    return codes;
}

}  // namespace

YearGridWindow::YearGridWindow(std::shared_ptr<Database> db, QString entity, QString year,
                               std::shared_ptr<UserRights> rights, QWidget* parent)
    : QMainWindow(parent), db_(std::move(db)), entity_(std::move(entity)), year_(std::move(year)), rights_(std::move(rights)),
      consultationOnly_(!rights_ || rights_->RightsForKey(kScreenKey)->AccessLevel() != kFullRights) {
    setWindowFlag(Qt::Window);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(buildTop(central));
    buildTables(central);
    layout->addWidget(table_, 1);
    layout->addWidget(totals_);
    setCentralWidget(central);
    buildTip();
    buildMenus();
    watchOtherDesks();
    const QRect room = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                        : QRect(0, 0, 1366, 768);
    resize(room.size() * 0.85);
    try {
        model_->setKeys(keyCodes(*db_, entity_.toStdString()));
    } catch (const std::exception&) {
        // the keys are checked again through the screen when the grid is saved
    }
    reload();
}

// Above the grid: the search, the choice of how a new total is spread, the state.
QHBoxLayout* YearGridWindow::buildTop(QWidget* central) {
    auto* top = new QHBoxLayout;
    search_ = new QLineEdit(central);
    search_->setPlaceholderText("Aller à un compte ou un libellé (Ctrl+F)");
    search_->setClearButtonEnabled(true);
    search_->installEventFilter(this);
    connect(search_, &QLineEdit::textEdited, this, [this] { search(false); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { search(true); });
    // The keyboard is never on the box: a Space there would tick it unseen. Its command
    // is in the Édition menu.
    keepProfile_ = new QCheckBox("Un nouveau total garde le profil des mois", central);
    keepProfile_->setFocusPolicy(Qt::NoFocus);
    keepProfile_->setToolTip("Sinon, le total est réparti également sur les mois, au centime.");
    state_ = new QLabel(central);
    top->addWidget(search_, 1);
    top->addWidget(keepProfile_);
    top->addStretch(1);
    top->addWidget(state_);
    return top;
}

void YearGridWindow::buildTip() {
    tip_ = new QLabel(this, Qt::ToolTip);
    tip_->setForegroundRole(QPalette::ToolTipText);
    tip_->setBackgroundRole(QPalette::ToolTipBase);
    tip_->setAutoFillBackground(true);
    tip_->setMargin(4);
    tip_->setWordWrap(true);
}

// Another desk's save shows by itself while nothing here waits to be saved; otherwise
// the person is told, and F5 reads the database again.
void YearGridWindow::watchOtherDesks() {
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [this] {
        std::string now;
        try {
            now = yearChangeStamp(*db_, entity_.toStdString(), year_.toStdString());
        } catch (const std::exception&) {
            return;   // a server away for a moment: the next glance tells
        }
        const bool typing = static_cast<YearGridView*>(table_->frozen())->editing() ||
                            static_cast<YearGridView*>(table_->moving())->editing();
        if (now == stamp_ || typing)
            return;   // a cell being typed in is never taken away: the next glance tells
        if (!model_->grid()->changed())
            reload();
        else
            state_->setText("Un autre poste a modifié ce budget : F5 le relit en gardant vos modifications des lignes qu'il "
                            "n'a pas touchées.");
    });
    watch->start(2000);
}

YearGridWindow::~YearGridWindow() = default;

// The lines, their account, label, key and total in sight while the months scroll, and
// their totals below them in the same columns, scrolling with them.
void YearGridWindow::buildTables(QWidget* central) {
    model_ = new YearGridModel(this);
    model_->setReadOnly(consultationOnly_);
    auto* left = new YearGridView;
    auto* right = new YearGridView;
    table_ = new FrozenColumnsTable(left, right, central);
    table_->setModel(model_, YearGridModel::kFrozenColumns);
    table_->setYieldingColumn(YearGridModel::kLabel, YearGridModel::kLabel + 1);
    for (QTableView* v : table_->views()) {
        v->setWordWrap(false);   // a label that its column cannot hold is cut on its line, whole in its tip
        // Columns measured on the first hundred rows, about what a screen shows, not on
        // the thousands below: the months and the total have widths of their own, and a
        // label's column its bounds.
        v->horizontalHeader()->setResizeContentsPrecision(100);
    }
    for (YearGridView* v : {left, right}) {
        connect(v, &YearGridView::refused, this, &YearGridWindow::showRefusal);
        connect(v, &YearGridView::settled, this, [this] { tip_->hide(); });
        connect(v, &YearGridView::emptyAsked, this, [this] { command([this] { emptySelection(); }); });
    }
    for (QTableView* v : table_->views())
        connect(v->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this](int column) {
                    command([this, column] {
                        table_->sortBy(column);
                        table_->setCurrent(table_->current());
                    });
                });
    connect(model_, &YearGridModel::newAccountTyped, this, &YearGridWindow::addLine, Qt::QueuedConnection);
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { changed(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { changed(); });

    totals_ = new FrozenColumnsTable(central);
    totals_->setModel(new YearGridTotals(model_, this), YearGridModel::kFrozenColumns);
    totals_->setYieldingColumn(YearGridModel::kLabel, YearGridModel::kLabel + 1);
    for (QTableView* v : totals_->views()) {
        v->horizontalHeader()->hide();
        v->setFocusPolicy(Qt::NoFocus);
        v->setSelectionMode(QAbstractItemView::NoSelection);
        v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    // Level with the grid's columns: the grid always has its vertical bar, the totals
    // leave its room empty.
    table_->moving()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    totals_->moving()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    totals_->setContentsMargins(0, 0, table_->moving()->verticalScrollBar()->sizeHint().width(), 0);
    connect(table_, &FrozenColumnsTable::columnResized, this, [this](int column, int width) {
        totals_->setColumnWidth(column, width);
    });
    connect(table_->moving()->horizontalScrollBar(), &QScrollBar::valueChanged, totals_->moving()->horizontalScrollBar(),
            &QScrollBar::setValue);
}

void YearGridWindow::buildMenus() {
    QMenu* grid = menuBar()->addMenu("Grille");
    writers_ << grid->addAction("Enregistrer", QKeySequence::Save, this, [this] { command([this] { save(); }); });
    grid->addAction("Relire la base", QKeySequence::Refresh, this, [this] {
        command([this] { reload(Reading::KeepingChanges); });
    });
    grid->addSeparator();
    writers_ << grid->addAction("Nouvelle ligne", QKeySequence(Qt::CTRL | Qt::Key_N), this, [this] {
        command([this] { table_->setCurrent(model_->index(model_->newRow(), YearGridModel::kAccount)); });
    });
    grid->addSeparator();
    grid->addAction("Fermer", QKeySequence(Qt::CTRL | Qt::Key_W), this, [this] { close(); });
    buildEditMenu();
    QMenu* view = menuBar()->addMenu("Affichage");
    view->addAction("Rechercher un compte ou un libellé", QKeySequence::Find, this, [this] {
        command([this] {
            search_->setFocus();
            search_->selectAll();
        });
    });
}

void YearGridWindow::buildEditMenu() {
    QMenu* edit = menuBar()->addMenu("Édition");
    undo_ = edit->addAction("Annuler la modification", QKeySequence::Undo, this, [this] {
        command([this] {
            std::optional<YearGrid::Place> place;
            model_->edit([&](YearGrid& g) { place = g.undo(); });
            goTo(place);
        });
    });
    redo_ = edit->addAction("Rétablir", QKeySequence(Qt::CTRL | Qt::Key_Y), this, [this] {
        command([this] {
            std::optional<YearGrid::Place> place;
            model_->edit([&](YearGrid& g) { place = g.redo(); });
            goTo(place);
        });
    });
    edit->addSeparator();
    edit->addAction("Copier", QKeySequence::Copy, this, [this] { command([this] { copySelection(); }); });
    writers_ << edit->addAction("Coller", QKeySequence::Paste, this, [this] { command([this] { paste(); }); });
    edit->addSeparator();
    writers_ << edit->addAction("Recopier à droite", QKeySequence(Qt::CTRL | Qt::Key_R), this, [this] {
        command([this] {
            const QModelIndex at = table_->current();
            if (!at.isValid() || !model_->isPeriod(at.column()) || model_->isNewRow(at.row()))
                return;
            std::optional<std::string> refusal;
            model_->edit([&](YearGrid& g) {
                refusal = g.fillRight(model_->lineAt(at.row()), static_cast<std::size_t>(at.column() - YearGridModel::kFirstPeriod));
            });
            tellUnchanged(refusal);
        });
    });
    writers_ << edit->addAction("Répartir le total également", QKeySequence(Qt::CTRL | Qt::Key_E), this, [this] {
        command([this] {
            if (const auto line = currentLine())
                model_->edit([&](YearGrid& g) { g.setTotal(*line, g.total(*line), YearGrid::Spread::Evenly); });
        });
    });
    writers_ << edit->addAction("Augmenter ou diminuer de…", QKeySequence(Qt::CTRL | Qt::Key_P), this,
                                [this] { command([this] { raiseSelection(); }); });
    writers_ << edit->addAction("Reprendre les mois de l'autre exercice", this, [this] { command([this] { copyFromOtherYear(); }); });
    writers_ << edit->addAction("Enregistrer les mois comme profil…", this, [this] { command([this] { saveRowAsProfile(); }); });
    writers_ << edit->addAction("Profil du réalisé de ce compte…", this, [this] { command([this] { profileFromActuals(); }); });
    writers_ << edit->addAction("Répartir selon un profil…", this, [this] { command([this] { spreadByProfile(); }); });
    writers_ << edit->addAction("Note de la ligne…", QKeySequence(Qt::SHIFT | Qt::Key_F2), this,
                                [this] { command([this] { editNote(); }); });
    edit->addSeparator();
    keepAction_ = edit->addAction("Un nouveau total garde le profil des mois");
    keepAction_->setCheckable(true);
    connect(keepAction_, &QAction::toggled, keepProfile_, &QCheckBox::setChecked);
    connect(keepProfile_, &QCheckBox::toggled, keepAction_, &QAction::setChecked);
    connect(keepProfile_, &QCheckBox::toggled, this, [this](bool keep) { model_->setKeepProfile(keep); });
}

YearGridView* YearGridWindow::view() const {
    return static_cast<YearGridView*>(table_->viewOf(std::max(table_->current().column(), 0)));
}

bool YearGridWindow::finishTyping() {
    for (QTableView* v : table_->views())
        if (!static_cast<YearGridView*>(v)->finishTyping())
            return false;
    return true;
}

void YearGridWindow::command(const std::function<void()>& action) {
    if (finishTyping())
        action();
}

void YearGridWindow::showRefusal(const QString& why, const QRect& cell) {
    statusBar()->showMessage(why, 10000);
    tip_->setText(why);
    tip_->setMaximumWidth(std::max(cell.width() * 3, 320));
    tip_->adjustSize();
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect();
    QPoint at = cell.topRight() + QPoint(4, 0);
    if (screen.isValid() && at.x() + tip_->width() > screen.right())
        at = cell.bottomLeft() + QPoint(0, 4);
    tip_->move(at);
    tip_->show();
}

// The cell a step changed, in sight: its month, or the line's account.
void YearGridWindow::goTo(std::optional<YearGrid::Place> place) {
    if (!place)
        return;
    const int column = place->period ? YearGridModel::kFirstPeriod + static_cast<int>(*place->period) : YearGridModel::kAccount;
    table_->setCurrent(model_->cellOf(place->row, column));
}

std::optional<std::size_t> YearGridWindow::currentLine() const {
    const QModelIndex at = table_->current();
    if (!at.isValid() || model_->isNewRow(at.row()))
        return std::nullopt;
    return model_->lineAt(at.row());
}

std::vector<std::size_t> YearGridWindow::selectedLines() const {
    std::vector<std::size_t> lines;
    for (const QModelIndex& index : table_->moving()->selectionModel()->selectedIndexes())
        if (!model_->isNewRow(index.row()) &&
            std::find(lines.begin(), lines.end(), model_->lineAt(index.row())) == lines.end())
            lines.push_back(model_->lineAt(index.row()));
    if (lines.empty() && currentLine())
        lines.push_back(*currentLine());
    return lines;
}

void YearGridWindow::changed() {
    const YearGrid* grid = model_->grid();
    if (!grid)
        return;
    fitTotalColumn();
    int lines = 0;
    for (const auto& line : grid->lines())
        lines += line.changed ? 1 : 0;
    undo_->setEnabled(!readOnly() && grid->canUndo());
    redo_->setEnabled(!readOnly() && grid->canRedo());
    state_->setText(version_             ? QString("Version « %1 », en lecture seule").arg(q(versionCaption(*version_)))
                    : !lockText_.isEmpty() ? lockText_ + " : en lecture seule jusqu'à sa révision"
                    : consultationOnly_    ? "Consultation seule : rien ne peut être enregistré"
                    : lines == 0           ? "Tout est enregistré"
                                           : QString("%1 ligne(s) modifiée(s), non enregistrée(s)").arg(lines));
    setWindowTitle(QString("%1 - entité %2, exercice %3%4%5")
                       .arg(kTitle, entity_, year_, version_ ? QString(" - ") + q(version_->name) : QString(),
                            lines ? " *" : ""));
}

void YearGridWindow::reload(Reading reading) {
    std::vector<std::string> gaveWay;
    const QModelIndex at = table_->current();
    const int row = at.isValid() ? at.row() : 0;
    const int column = at.isValid() ? at.column() : YearGridModel::kFirstPeriod;
    try {
        stamp_ = yearChangeStamp(*db_, entity_.toStdString(), year_.toStdString());
        BudgetSheet sheet = version_ ? readVersion(*db_, entity_.toStdString(), year_.toStdString(), *version_)
                                     : readBudgetSheet(*db_, entity_.toStdString(), year_.toStdString());
        compareWithActuals(*db_, sheet);
        auto grid = std::make_unique<YearGrid>(sheet);
        if (reading == Reading::KeepingChanges && !version_ && model_->grid() && model_->grid()->changed()) {
            *grid = *model_->grid();
            gaveWay = grid->readAgain(sheet);
        }
        model_->show(std::move(grid));
        followLock();
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString("Le budget n'a pas pu être lu.\n%1").arg(e.what()));
        return;
    }
    fitColumns();
    // Where the person was, or the first month of the first line (the empty row when
    // there is none).
    if (model_->rowCount() > 0) {
        const int r = std::min(row, model_->rowCount() - 1);
        table_->setCurrent(model_->index(r, model_->isNewRow(r) ? YearGridModel::kAccount : column));
    }
    changed();
    if (!gaveWay.empty()) {
        QStringList accounts;
        for (const auto& account : gaveWay)
            accounts << q(account);
        tellInBox(this, QMessageBox::Information, kTitle,
                  accounts.size() == 1
                      ? QString("Un autre poste a modifié la ligne %1 depuis votre lecture : elle est reprise telle qu'il "
                                "l'a enregistrée, et votre modification de cette ligne est abandonnée. Vos autres "
                                "modifications sont gardées.").arg(accounts.front())
                      : QString("Un autre poste a modifié les lignes %1 depuis votre lecture : elles sont reprises telles "
                                "qu'il les a enregistrées, et vos modifications de ces lignes sont abandonnées. Vos autres "
                                "modifications sont gardées.").arg(accounts.join(", ")));
    }
}

void YearGridWindow::showVersion(const Version& version) {
    version_ = version;
    reload();
}

// A year validated, here or at another desk, opens read-only, and opens again for
// typing once its revision is open.
void YearGridWindow::followLock() {
    const auto lock = budgetLock(*db_, yearCodeFor(year_.toStdString()), entity_.toStdString());
    lockText_ = lock ? q(lockCaption(*lock)) : QString();
    const bool readOnly = consultationOnly_ || lock || version_;
    model_->setReadOnly(readOnly);
    for (QAction* a : writers_)
        a->setEnabled(!readOnly);
}

// Room for the largest amount a zone takes and for each month's heading, for the
// largest total, for a label of forty characters.
void YearGridWindow::fitColumns() {
    table_->resizeColumnsToContents();
    const QFontMetrics metrics = table_->moving()->fontMetrics();
    const int amount = metrics.horizontalAdvance("999 999 999,99") + 16;
    for (int c = YearGridModel::kFirstPeriod; c < model_->columnCount(); ++c)
        table_->setColumnWidth(c, std::max(table_->columnWidth(c), amount));
    fitTotalColumn();
    table_->setColumnWidth(YearGridModel::kAccount,
                           std::max(table_->columnWidth(YearGridModel::kAccount), metrics.horizontalAdvance("* 0000000000") + 16));
    table_->setColumnWidth(YearGridModel::kLabel,
                           std::min(std::max(table_->columnWidth(YearGridModel::kLabel), metrics.horizontalAdvance(QString(20, 'M'))),
                                    metrics.horizontalAdvance(QString(30, 'M'))));
    const QVariantMap kept = QSettings().value("grille/largeurs").toMap();
    fittedWidths_.clear();
    for (int c = 0; c < model_->columnCount(); ++c) {
        const QString heading = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        fittedWidths_[heading] = table_->columnWidth(c);
        if (kept.contains(heading))
            table_->setColumnWidth(c, kept.value(heading).toInt());
    }
    for (int c = 0; c < model_->columnCount(); ++c)
        totals_->setColumnWidth(c, table_->columnWidth(c));
    QTableView* totalsView = totals_->moving();
    totals_->setFixedHeight(3 * totalsView->verticalHeader()->defaultSectionSize() + 2 * totalsView->frameWidth() + 2);
}

// The total column, frozen beside the label, as wide as its largest figure and those of
// the totals below it, in their bold: the months keep their room, and no total shows
// cut, as it grows while a person types.
void YearGridWindow::fitTotalColumn() {
    const YearGrid* g = model_->grid();
    if (!g)
        return;
    // The lines' widest total is the one of most digits, its sign with it (a landing's
    // may be negative): the only one measured at each change.
    const auto size = [](Currency c) { return c < Currency::zero() ? Currency::zero() - c : c; };
    Currency largest = Currency::zero();
    for (std::size_t row = 0; row < g->lines().size(); ++row)
        if (size(g->total(row)) > size(largest) || (size(g->total(row)) == size(largest) && g->total(row) < largest))
            largest = g->total(row);
    const YearGrid::Totals sums = g->totals();
    const Currency figures[] = {sums.chargesTotal, sums.produitsTotal, sums.resultTotal, largest};
    QFont bold = totals_->moving()->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int width = metrics.horizontalAdvance(model_->headerData(YearGridModel::kTotal, Qt::Horizontal, Qt::DisplayRole).toString());
    for (const Currency figure : figures)
        width = std::max(width, metrics.horizontalAdvance(q(formatAmount(figure, Grouping::Thousands))));
    width += 16;
    if (width > table_->columnWidth(YearGridModel::kTotal) || !model_->grid()->changed()) {
        table_->setColumnWidth(YearGridModel::kTotal, width);
        totals_->setColumnWidth(YearGridModel::kTotal, width);
    }
}

// Every changed line through the screen's checks in one transaction: a refused line is
// named, nothing is written and the grid keeps every change.
bool YearGridWindow::save() {
    if (readOnly()) {
        statusBar()->showMessage(state_->text(), 5000);
        return false;
    }
    const auto rows = model_->grid()->changedRows();
    if (rows.empty()) {
        statusBar()->showMessage("Rien à enregistrer.", 5000);
        return true;
    }
    BudgetWriteReport report;
    try {
        report = writeBudgetRows(db_, rights_, rows, {.onFile = OnFile::Replace, .run = BudgetWriting::Run::Write});
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString("Rien n'a été enregistré.\n%1").arg(e.what()));
        return false;
    }
    if (!report.faults.empty()) {
        QStringList all;
        for (const auto& f : report.faults)
            all << q(f);
        tellInBox(this, QMessageBox::Warning, kTitle, "Rien n'a été enregistré :\n" + all.join("\n"));
        return false;
    }
    reload();
    statusBar()->showMessage(QString("%1 ligne(s) enregistrée(s).").arg(report.changed + report.created), 5000);
    return true;
}

// The selected cells, as the grid shows them, for a spreadsheet: French figures
// without their thousands' blanks.
void YearGridWindow::copySelection() {
    const QModelIndexList selected = table_->moving()->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    int top = INT_MAX, bottom = 0, left = INT_MAX, right = 0;
    for (const QModelIndex& i : selected) {
        top = std::min(top, i.row());
        bottom = std::max(bottom, i.row());
        left = std::min(left, i.column());
        right = std::max(right, i.column());
    }
    std::vector<std::vector<std::string>> cells(static_cast<std::size_t>(bottom - top + 1),
                                                std::vector<std::string>(static_cast<std::size_t>(right - left + 1)));
    for (const QModelIndex& i : selected)
        if (!model_->isNewRow(i.row()))
            cells[static_cast<std::size_t>(i.row() - top)][static_cast<std::size_t>(i.column() - left)] =
                i.data(Qt::EditRole).toString().toStdString();
    QGuiApplication::clipboard()->setText(q(clipboardText(cells)));
    statusBar()->showMessage(QString("%1 cellule(s) copiée(s).").arg(selected.size()), 5000);
}

// A block from a spreadsheet, checked whole before anything changes: one step, or the
// first bad cell named and nothing pasted.
void YearGridWindow::paste() {
    const auto cells = clipboardCells(QGuiApplication::clipboard()->text().toStdString());
    const QModelIndex at = table_->current();
    if (!at.isValid() || cells.empty())
        return;
    const int row = at.row();
    const int period = model_->isPeriod(at.column()) ? at.column() - YearGridModel::kFirstPeriod : 0;
    const PastePlan plan = planPaste(*model_->grid(), model_->linesInOrder(), static_cast<std::size_t>(row),
                                     static_cast<std::size_t>(period), cells);
    if (plan.refusal) {
        tellInBox(this, QMessageBox::Warning, kTitle, "Rien n'a été collé : " + q(*plan.refusal));
        return;
    }
    model_->edit([&](YearGrid& g) { g.setAmounts(plan.amounts); });
    if (!plan.amounts.empty())
        goTo(YearGrid::Place{plan.amounts.front().row, plan.amounts.front().period});
    statusBar()->showMessage(QString("%1 mois collé(s), en une modification que Ctrl+Z annule.").arg(plan.amounts.size()), 5000);
    if (!plan.notes.empty()) {
        QStringList notes;
        for (const auto& note : plan.notes)
            notes << q(note);
        tellInBox(this, QMessageBox::Information, kTitle,
                  QString("%1 mois collé(s). Ce que le collage ne change pas :\n").arg(plan.amounts.size()) + notes.join("\n"));
    }
}

void YearGridWindow::emptySelection() {
    if (readOnly()) {
        statusBar()->showMessage(state_->text(), 5000);
        return;
    }
    std::vector<YearGrid::Amount> emptied;
    for (const QModelIndex& i : table_->moving()->selectionModel()->selectedIndexes())
        if (!model_->isNewRow(i.row()) && model_->isPeriod(i.column()))
            emptied.push_back({model_->lineAt(i.row()), static_cast<std::size_t>(i.column() - YearGridModel::kFirstPeriod),
                               std::nullopt});
    model_->edit([&](YearGrid& g) { g.setAmounts(emptied); });
}

// An account typed on the empty row goes through the entry screen's creation rules, its
// questions asked here; the line taken joins the grid, its label next to type.
void YearGridWindow::addLine(const QString& typed) {
    const std::string account = completeWithZeros(typed.toStdString());
    if (const auto refusal = model_->grid()->newLineRefusal(account)) {
        tellInBox(this, QMessageBox::Warning, kScreenTitle, q(*refusal));
        table_->setCurrent(model_->index(model_->newRow(), YearGridModel::kAccount));
        return;
    }
    ScreenWriter::Opening opening;
    try {
        if (!screen_)
            screen_ = std::make_unique<ScreenWriter>(db_, rights_);
        opening = screen_->openNewLine(entity_.toStdString(), year_.toStdString(), typed.toStdString(),
                                       [this](const std::string& question) { return askInBox(this, kScreenTitle, q(question), true); });
    } catch (const std::exception& e) {
        opening.refusal = e.what();
    }
    if (!opening.line) {
        if (opening.refusal)
            tellInBox(this, QMessageBox::Warning, kScreenTitle, q(*opening.refusal));
        table_->setCurrent(model_->index(model_->newRow(), YearGridModel::kAccount));
        return;
    }
    std::size_t row = 0;
    model_->edit([&](YearGrid& g) {
        row = g.addLine({opening.line->account, opening.line->label, opening.line->key, {}, 0, true, {}, {}});
    });
    table_->setCurrent(model_->cellOf(row, opening.line->grouping ? YearGridModel::kKey : YearGridModel::kLabel));
    statusBar()->showMessage(QString("Ligne %1 ajoutée : son libellé, sa clé et ses mois se saisissent ici ; Ctrl+S "
                                     "l'enregistre.").arg(q(opening.line->account)),
                             8000);
}

// The first line, in the order shown, whose account begins with the text or whose label
// holds it; onward, the next one after the current line.
void YearGridWindow::search(bool onward) {
    const QString text = search_->text().trimmed();
    if (text.isEmpty())
        return;
    const QModelIndex at = table_->current();
    const int lines = static_cast<int>(model_->linesInOrder().size());
    const int from = onward && at.isValid() && !model_->isNewRow(at.row()) ? at.row() + 1 : 0;
    for (int k = 0; k < lines; ++k) {
        const int r = (from + k) % lines;
        const auto& line = model_->grid()->lines().at(model_->lineAt(r));
        if (q(line.account).startsWith(text) || q(line.label).contains(text, Qt::CaseInsensitive)) {
            const int column = at.isValid() && model_->isPeriod(at.column()) ? at.column() : YearGridModel::kFirstPeriod;
            QTableView* v = table_->viewOf(column);
            v->selectionModel()->setCurrentIndex(model_->index(r, column), QItemSelectionModel::ClearAndSelect);
            v->scrollTo(model_->index(r, column));
            statusBar()->showMessage(QString("%1  %2").arg(q(line.account), q(line.label)), 4000);
            return;
        }
    }
    statusBar()->showMessage(QString("Aucune ligne ne répond à « %1 ».").arg(text), 5000);
}

// From the search, Esc or the down arrow goes back to the grid, on the line found.
bool YearGridWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Down) {
            table_->setCurrent(table_->current());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void YearGridWindow::raiseSelection() {
    bool ok = false;
    const QString text = QInputDialog::getText(this, "Augmenter ou diminuer",
                                               "Pourcentage appliqué aux lignes choisies (par exemple 3,5 ou -10) :",
                                               QLineEdit::Normal, "0", &ok);
    if (!ok)
        return;
    const auto percent = parsePercentage(text.toStdString());
    if (!percent) {
        tellInBox(this, QMessageBox::Warning, kTitle, q(notAPercentage(text.toStdString())));
        return;
    }
    const auto lines = selectedLines();
    std::optional<std::string> refusal;
    model_->edit([&](YearGrid& g) { refusal = g.raise(lines, *percent); });
    tellUnchanged(refusal);
}

void YearGridWindow::tellUnchanged(const std::optional<std::string>& refusal) {
    if (refusal)
        tellInBox(this, QMessageBox::Warning, kTitle, "Rien n'a été changé : " + q(*refusal));
}

void YearGridWindow::spreadByProfile() {
    const auto line = currentLine();
    if (!line)
        return;
    const auto names = profileNames(*db_, entity_.toStdString());
    if (names.empty()) {
        tellInBox(this, QMessageBox::Information, kTitle,
                  QString("L'entité %1 n'a pas de profil saisonnier (ondrel-admin profile en crée un).").arg(entity_));
        return;
    }
    QStringList items;
    for (const auto& name : names)
        items << q(name);
    bool ok = false;
    const QString name = QInputDialog::getItem(this, "Répartir selon un profil", "Profil :", items, 0, false, &ok);
    if (!ok)
        return;
    const auto profile = readProfile(*db_, entity_.toStdString(), name.toStdString());
    if (!profile)
        return;
    if (profile->shares.size() != model_->grid()->periodLabels().size()) {
        tellInBox(this, QMessageBox::Warning, kTitle,
                  QString("Le profil « %1 » a %2 part(s) et l'exercice %3 période(s).")
                      .arg(name)
                      .arg(profile->shares.size())
                      .arg(model_->grid()->periodLabels().size()));
        return;
    }
    model_->edit([&](YearGrid& g) { g.spreadByProfile(*line, profile->shares); });
}

// Why this amount: a few lines kept with the line, saved with it.
void YearGridWindow::editNote() {
    const auto line = currentLine();
    if (!line)
        return;
    bool ok = false;
    const QString note =
        QInputDialog::getMultiLineText(this, "Note de la ligne", QString("Pourquoi ce montant (compte %1) :")
                                                                     .arg(q(model_->grid()->lines().at(*line).account)),
                                       q(model_->grid()->lines().at(*line).note), &ok);
    if (!ok)
        return;
    if (const auto fault = noteFault(note.toStdString())) {
        tellInBox(this, QMessageBox::Warning, kTitle, q(*fault));
        return;
    }
    model_->edit([&](YearGrid& g) { g.setNote(*line, note.toStdString()); });
}

// The current line's months as a seasonal profile of the entity, under a name asked.
void YearGridWindow::saveRowAsProfile() {
    const auto line = currentLine();
    if (!line)
        return;
    std::vector<Currency> months;
    for (const auto& amount : model_->grid()->lines().at(*line).periods)
        months.push_back(amount.value_or(Currency::zero()));
    bool ok = false;
    const QString name = QInputDialog::getText(this, "Enregistrer comme profil", "Nom du profil :", QLineEdit::Normal, {}, &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    const auto profile = profileOf(name.toStdString(), months);
    if (!profile) {
        tellInBox(this, QMessageBox::Warning, kTitle, "Cette ligne n'a aucun montant : elle ne donne pas de profil.");
        return;
    }
    try {
        saveProfile(*db_, entity_.toStdString(), *profile);
        statusBar()->showMessage(QString("Profil « %1 » enregistré pour l'entité %2.").arg(name, entity_), 5000);
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString("Le profil n'a pas été enregistré.\n%1").arg(e.what()));
    }
}

// What was actually spent on the current line's account (and those under it) in year N,
// month by month, as a profile of the entity: a December payroll shapes its own line,
// not every line of the year.
void YearGridWindow::profileFromActuals() {
    const auto line = currentLine();
    if (!line)
        return;
    const std::string account = model_->grid()->lines().at(*line).account;
    bool ok = false;
    const QString name = QInputDialog::getText(this, "Profil du réalisé",
                                               QString("Nom du profil tiré du réalisé N du compte %1 :").arg(q(account)),
                                               QLineEdit::Normal, q(significantPrefix(account)) + " réalisé", &ok)
                             .trimmed();
    if (!ok || name.isEmpty())
        return;
    try {
        const auto profile = ondrel::profileFromActuals(*db_, entity_.toStdString(), "N", name.toStdString(), account);
        if (!profile) {
            tellInBox(this, QMessageBox::Warning, kTitle,
                      QString("Le compte %1 n'a aucun réalisé en N : il ne donne pas de profil.").arg(q(account)));
            return;
        }
        saveProfile(*db_, entity_.toStdString(), *profile);
        statusBar()->showMessage(QString("Profil « %1 » enregistré, tiré du réalisé du compte %2.").arg(name, q(account)), 5000);
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString("Le profil n'a pas été enregistré.\n%1").arg(e.what()));
    }
}

void YearGridWindow::copyFromOtherYear() {
    const auto line = currentLine();
    if (!line)
        return;
    const QString other = year_ == "N" ? "N+1" : "N";
    const std::string account = model_->grid()->lines().at(*line).account;
    try {
        const BudgetSheet sheet = readBudgetSheet(*db_, entity_.toStdString(), other.toStdString());
        for (const auto& l : sheet.lines)
            if (l.account == account) {
                model_->edit([&](YearGrid& g) { g.copyMonths(*line, l.periods); });
                return;
            }
        tellInBox(this, QMessageBox::Information, kTitle,
                  QString("Le compte %1 n'a pas de ligne en %2.").arg(q(account), other));
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString("Le budget %1 n'a pas pu être lu.\n%2").arg(other, e.what()));
    }
}

// The keyboard is on the current cell whenever the grid comes back to the front.
void YearGridWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || (focus != search_ && !table_->isAncestorOf(focus)))
            table_->setCurrent(table_->current());
    }
}

void YearGridWindow::closeEvent(QCloseEvent* event) {
    if (!finishTyping()) {
        event->ignore();
        return;
    }
    // A read-only grid has nothing it could save: it closes without a question.
    if (!readOnly() && model_->grid() && model_->grid()->changed()) {
        const Unsaved answer = askAboutUnsaved(
            this, kTitle, QString("Le budget de l'entité %1, exercice %2, a des modifications qui ne sont pas enregistrées.")
                              .arg(entity_, year_));
        if (answer == Unsaved::Keep || (answer == Unsaved::Save && !save())) {
            event->ignore();
            return;
        }
    }
    keepColumnWidths();
    tip_->hide();
    event->accept();
}

// The widths a person gave, by heading, for the next grid: the others follow their
// contents.
void YearGridWindow::keepColumnWidths() {
    QSettings settings;
    QVariantMap widths = settings.value("grille/largeurs").toMap();
    for (int c = 0; c < model_->columnCount(); ++c) {
        const QString heading = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        if (table_->columnWidth(c) != fittedWidths_.value(heading, -1))
            widths[heading] = table_->columnWidth(c);
    }
    settings.setValue("grille/largeurs", widths);
}

}  // namespace ondrel
