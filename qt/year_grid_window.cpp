#include "qt/year_grid_window.h"

#include <QCheckBox>
#include <QColor>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include "account/account_number.h"
#include "budget/budget_key.h"
#include "qt/french_boxes.h"
#include "screen/utf8_text.h"
#include "tools/budget_actuals.h"
#include "tools/budget_import.h"
#include "tools/percentage.h"
#include "tools/profiles.h"

namespace ondrel {

namespace {

constexpr const char* kTitle = "Saisie de l'année";

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Enter in a cell being edited keeps what was typed and goes down, as in a spreadsheet.
class AmountDelegate : public QStyledItemDelegate {
public:
    AmountDelegate(YearGridView* view, std::function<void()> down) : QStyledItemDelegate(view), down_(std::move(down)) {}

protected:
    bool eventFilter(QObject* editor, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                auto* widget = static_cast<QWidget*>(editor);
                emit commitData(widget);
                emit closeEditor(widget, NoHint);
                down_();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(editor, event);
    }

private:
    std::function<void()> down_;
};

}  // namespace

void YearGridModel::show(std::unique_ptr<YearGrid> grid) {
    beginResetModel();
    grid_ = std::move(grid);
    endResetModel();
}

void YearGridModel::refreshAll() {
    if (rowCount() == 0)
        return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

int YearGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !grid_ ? 0 : static_cast<int>(grid_->lines().size());
}

int YearGridModel::lastPeriod() const {
    return grid_ ? kFirstPeriod + static_cast<int>(grid_->periodLabels().size()) - 1 : -1;
}

int YearGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !grid_ ? 0 : lastPeriod() + 1 + (grid_->withActuals() ? 3 : 0);
}

QVariant YearGridModel::data(const QModelIndex& index, int role) const {
    const auto& line = grid_->lines().at(static_cast<std::size_t>(index.row()));
    const int c = index.column();
    if (role == Qt::TextAlignmentRole)
        return c >= kTotalColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role == Qt::BackgroundRole && line.changed)
        return QColor(255, 244, 194);   // not saved yet; the row's heading says so too
    // Against the actuals: a month's budget, actual and variance in its tip, worse than
    // the budget in red and marked "▲" in the line's variance, which reads without colour.
    const auto row = static_cast<std::size_t>(index.row());
    const bool isPeriod = c >= kFirstPeriod && c <= lastPeriod();
    const Currency budget = c > lastPeriod() || c == kTotalColumn ? grid_->total(row)
                            : isPeriod ? line.periods.at(static_cast<std::size_t>(c - kFirstPeriod)).value_or(Currency::zero())
                                       : Currency::zero();
    const Currency actual = !grid_->withActuals() ? Currency::zero()
                            : isPeriod            ? line.actual.at(static_cast<std::size_t>(c - kFirstPeriod))
                                                  : line.actualTotal;
    const bool over = grid_->withActuals() && (isPeriod || c > lastPeriod()) && overBudget(line.account, budget, actual);
    if (role == Qt::ForegroundRole && over)
        return QColor(176, 0, 32);
    if (role == Qt::ToolTipRole && grid_->withActuals() && (isPeriod || c == kTotalColumn))
        return QString("Réalisé %1, écart %2 %3")
            .arg(q(formatAmount(actual, Grouping::Thousands)), q(formatAmount(variance(budget, actual), Grouping::Thousands)),
                 q(percentText(variancePercent(budget, actual))));
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const Grouping grouping = role == Qt::DisplayRole ? Grouping::Thousands : Grouping::None;
    const QString mark = over ? "▲ " : "";
    if (c == kKeyColumn)
        return q(line.key);
    if (c == kTotalColumn)
        return q(formatAmount(grid_->total(row), grouping));
    if (c == lastPeriod() + 1)
        return mark + q(formatAmount(actual, grouping));
    if (c == lastPeriod() + 2)
        return mark + q(formatAmount(variance(budget, actual), grouping));
    if (c == lastPeriod() + 3) {
        const QString percent = q(percentText(variancePercent(budget, actual)));
        return percent.isEmpty() ? percent : mark + percent;
    }
    const auto& amount = line.periods.at(static_cast<std::size_t>(c - kFirstPeriod));
    return amount ? q(formatAmount(*amount, grouping)) : QString();
}

QVariant YearGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical) {
        const auto& line = grid_->lines().at(static_cast<std::size_t>(section));
        return QString(line.changed ? "* " : "") + q(line.account) + "  " + q(leftChars(line.label, kLabelLength));
    }
    if (section == kKeyColumn)
        return QString("Clé");
    if (section == kTotalColumn)
        return QString("Total");
    if (section > lastPeriod())
        return QStringList{"Réalisé", "Écart", "Écart %"}.at(section - lastPeriod() - 1);
    return q(grid_->periodLabels().at(static_cast<std::size_t>(section - kFirstPeriod)));
}

Qt::ItemFlags YearGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!readOnly_ && index.column() >= kTotalColumn && index.column() <= lastPeriod())
        f |= Qt::ItemIsEditable;
    return f;
}

bool YearGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !grid_ || readOnly_)
        return false;
    // What a person types, with the thousands' blanks a copy may bring.
    QString text = value.toString();
    text.remove(' ').remove(QChar(0x00A0)).remove(QChar(0x202F));
    const auto row = static_cast<std::size_t>(index.row());
    std::optional<Currency> amount;
    if (!text.isEmpty()) {
        try {
            amount = amountCell(text.toStdString());
        } catch (const std::exception&) {
            amount.reset();
        }
        if (!amount) {
            emit refused(QString("« %1 » n'est pas un montant : au plus neuf chiffres, une virgule et deux décimales.")
                             .arg(q(excerpt(value.toString().toStdString()))));
            return false;
        }
    }
    if (index.column() == kTotalColumn) {
        grid_->setTotal(row, amount.value_or(Currency::zero()),
                        keepProfile_ ? YearGrid::Spread::KeepingProfile : YearGrid::Spread::Evenly);
    } else {
        grid_->setAmount(row, static_cast<std::size_t>(index.column() - kFirstPeriod), amount);
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, index.row(), index.row());
    return true;
}

YearGridView::YearGridView(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new AmountDelegate(this, [this] { goDown(); }));
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void YearGridView::goDown() {
    const QModelIndex at = currentIndex();
    if (at.isValid() && at.row() + 1 < model()->rowCount())
        setCurrentIndex(model()->index(at.row() + 1, at.column()));
}

// Across the months of a line, then on to the first month of the next (back: the last
// month of the line before).
QModelIndex YearGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex at = currentIndex();
    if ((action != MoveNext && action != MovePrevious) || !at.isValid())
        return QTableView::moveCursor(action, modifiers);
    const int first = YearGridModel::kFirstPeriod, last = static_cast<YearGridModel*>(model())->lastPeriod();
    int row = at.row(), column = std::max(at.column(), first - 1) + (action == MoveNext ? 1 : -1);
    if (column > last) {
        column = first;
        row = std::min(row + 1, model()->rowCount() - 1);
    } else if (column < first) {
        column = row > 0 ? last : first;
        row = std::max(row - 1, 0);
    }
    return model()->index(row, column);
}

void YearGridView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex at = currentIndex();
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState) {
        goDown();
        return;
    }
    if (event->key() == Qt::Key_Delete && at.isValid() && (model()->flags(at) & Qt::ItemIsEditable)) {
        model()->setData(at, QString(), Qt::EditRole);   // the month emptied
        return;
    }
    QTableView::keyPressEvent(event);
}

YearGridWindow::YearGridWindow(std::shared_ptr<Database> db, QString entity, QString year, bool consultationOnly,
                               QWidget* parent)
    : QMainWindow(parent), db_(std::move(db)), entity_(std::move(entity)), year_(std::move(year)),
      consultationOnly_(consultationOnly) {
    setWindowFlag(Qt::Window);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* top = new QHBoxLayout;
    keepProfile_ = new QCheckBox("Un nouveau total garde le profil des mois", central);
    keepProfile_->setToolTip("Sinon, le total est réparti également sur les mois, au centime.");
    state_ = new QLabel(central);
    top->addWidget(keepProfile_);
    top->addStretch(1);
    top->addWidget(state_);
    layout->addLayout(top);
    model_ = new YearGridModel(this);
    model_->setReadOnly(consultationOnly_);
    view_ = new YearGridView(central);
    view_->setModel(model_);
    layout->addWidget(view_);
    setCentralWidget(central);
    connect(keepProfile_, &QCheckBox::toggled, this, [this](bool keep) { model_->setKeepProfile(keep); });
    connect(model_, &YearGridModel::refused, this, [this](const QString& why) { statusBar()->showMessage(why, 8000); });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { changed(); });
    buildMenus();
    // Another desk's save shows by itself while nothing here waits to be saved; otherwise
    // the person is told, and F5 reads the database again.
    auto* watch = new QTimer(this);
    connect(watch, &QTimer::timeout, this, [this] {
        std::string now;
        try {
            now = yearChangeStamp(*db_, entity_.toStdString(), year_.toStdString());
        } catch (const std::exception&) {
            return;   // a server away for a moment: the next glance tells
        }
        if (now == stamp_ || view_->editing())
            return;   // a cell being typed in is never taken away: the next glance tells
        if (!model_->grid()->changed())
            reload();
        else
            state_->setText("Un autre poste a modifié ce budget : F5 le relit, en abandonnant vos modifications.");
    });
    watch->start(2000);
    const QRect room = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                        : QRect(0, 0, 1366, 768);
    resize(room.size() * 0.85);
    reload();
}

void YearGridWindow::buildMenus() {
    QMenu* grid = menuBar()->addMenu("Grille");
    writers_ << grid->addAction("Enregistrer", QKeySequence::Save, this, [this] { save(); });
    grid->addAction("Relire la base", QKeySequence::Refresh, this, [this] {
        if (!model_->grid()->changed() ||
            askInBox(this, kTitle, "Des modifications ne sont pas enregistrées. Voulez-vous les abandonner ?", false))
            reload();
    });
    grid->addSeparator();
    writers_ << grid->addAction("Nouvelle ligne…", this, [this] {
        bool ok = false;
        const QString account = QInputDialog::getText(this, "Nouvelle ligne", "Compte budgétaire :", QLineEdit::Normal, {}, &ok);
        // Four digits or more are completed as Enter completes them at the screen, which
        // then asks whether to create the line.
        const std::string typed = account.trimmed().toStdString();
        if (ok && !typed.empty())
            emit newLineAsked(entity_, year_, q(typed.size() >= 4 ? completeWithZeros(typed) : typed));
    });
    grid->addSeparator();
    grid->addAction("Fermer", QKeySequence::Close, this, [this] { close(); });
    QMenu* edit = menuBar()->addMenu("Édition");
    undo_ = edit->addAction("Annuler la modification", QKeySequence::Undo, this, [this] {
        model_->grid()->undo();
        model_->refreshAll();
    });
    redo_ = edit->addAction("Rétablir", QKeySequence(Qt::CTRL | Qt::Key_Y), this, [this] {
        model_->grid()->redo();
        model_->refreshAll();
    });
    edit->addSeparator();
    writers_ << edit->addAction("Recopier à droite", QKeySequence(Qt::CTRL | Qt::Key_R), this, [this] {
        const QModelIndex at = view_->currentIndex();
        if (at.isValid() && at.column() >= YearGridModel::kFirstPeriod && at.column() <= model_->lastPeriod()) {
            model_->grid()->fillRight(static_cast<std::size_t>(at.row()),
                                      static_cast<std::size_t>(at.column() - YearGridModel::kFirstPeriod));
            model_->refreshAll();
        }
    });
    writers_ << edit->addAction("Répartir le total également", QKeySequence(Qt::CTRL | Qt::Key_E), this, [this] {
        if (const auto row = currentRow()) {
            model_->grid()->setTotal(*row, model_->grid()->total(*row), YearGrid::Spread::Evenly);
            model_->refreshAll();
        }
    });
    writers_ << edit->addAction("Augmenter ou diminuer de…", QKeySequence(Qt::CTRL | Qt::Key_P), this, [this] {
        bool ok = false;
        const QString text = QInputDialog::getText(this, "Augmenter ou diminuer",
                                                   "Pourcentage appliqué aux lignes choisies (par exemple 3,5 ou -10) :",
                                                   QLineEdit::Normal, "0", &ok);
        if (ok)
            raiseSelection(text);
    });
    writers_ << edit->addAction("Reprendre les mois de l'autre exercice", this, [this] { copyFromOtherYear(); });
    writers_ << edit->addAction("Enregistrer les mois comme profil…", this, [this] { saveRowAsProfile(); });
    writers_ << edit->addAction("Répartir selon un profil…", this, [this] {
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
        if (ok)
            spreadByProfile(name);
    });
    for (QAction* a : writers_)
        a->setEnabled(!consultationOnly_);
}

std::optional<std::size_t> YearGridWindow::currentRow() const {
    const QModelIndex at = view_->currentIndex();
    return at.isValid() ? std::optional<std::size_t>(static_cast<std::size_t>(at.row())) : std::nullopt;
}

void YearGridWindow::changed() {
    const YearGrid* grid = model_->grid();
    int lines = 0;
    for (const auto& line : grid->lines())
        lines += line.changed ? 1 : 0;
    undo_->setEnabled(grid->canUndo());
    redo_->setEnabled(grid->canRedo());
    state_->setText(consultationOnly_ ? "Consultation seule : rien ne peut être enregistré"
                    : lines == 0      ? "Tout est enregistré"
                                      : QString("%1 ligne(s) modifiée(s), non enregistrée(s)").arg(lines));
    setWindowTitle(QString("%1 - entité %2, exercice %3%4").arg(kTitle, entity_, year_, lines ? " *" : ""));
}

void YearGridWindow::reload() {
    const QModelIndex at = view_->currentIndex();
    try {
        stamp_ = yearChangeStamp(*db_, entity_.toStdString(), year_.toStdString());
        BudgetSheet sheet = readBudgetSheet(*db_, entity_.toStdString(), year_.toStdString());
        compareWithActuals(*db_, sheet);
        model_->show(std::make_unique<YearGrid>(sheet));
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString("Le budget n'a pas pu être lu.\n%1").arg(e.what()));
        return;
    }
    // Room for the largest amount a zone takes, and for each month's heading.
    const int amount = view_->fontMetrics().horizontalAdvance("999 999 999,99") + 16;
    view_->resizeColumnsToContents();
    for (int c = YearGridModel::kTotalColumn; c < model_->columnCount(); ++c)
        view_->setColumnWidth(c, std::max(view_->columnWidth(c), amount));
    if (model_->rowCount() > 0)   // where the person was, or the first month
        view_->setCurrentIndex(at.isValid() && at.row() < model_->rowCount()
                                   ? model_->index(at.row(), at.column())
                                   : model_->index(0, YearGridModel::kFirstPeriod));
    changed();
}

// Every changed line through the screen's checks in one transaction: a refused line is
// named, nothing is written and the grid keeps every change.
bool YearGridWindow::save() {
    const auto rows = model_->grid()->changedRows();
    if (rows.empty()) {
        statusBar()->showMessage("Rien à enregistrer.", 5000);
        return true;
    }
    BudgetWriteReport report;
    try {
        report = writeBudgetRows(db_, rows, true, false);
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

void YearGridWindow::raiseSelection(const QString& percentText) {
    const auto percent = parsePercentage(percentText.toStdString());
    if (!percent) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString::fromStdString(notAPercentage(percentText.toStdString())));
        return;
    }
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedIndexes())
        if (std::find(rows.begin(), rows.end(), static_cast<std::size_t>(index.row())) == rows.end())
            rows.push_back(static_cast<std::size_t>(index.row()));
    if (rows.empty() && currentRow())
        rows.push_back(*currentRow());
    model_->grid()->raise(rows, *percent);
    model_->refreshAll();
}

void YearGridWindow::spreadByProfile(const QString& name) {
    const auto row = currentRow();
    const auto profile = readProfile(*db_, entity_.toStdString(), name.toStdString());
    if (!row || !profile)
        return;
    if (profile->shares.size() != model_->grid()->periodLabels().size()) {
        tellInBox(this, QMessageBox::Warning, kTitle,
                  QString("Le profil « %1 » a %2 part(s) et l'exercice %3 période(s).")
                      .arg(name)
                      .arg(profile->shares.size())
                      .arg(model_->grid()->periodLabels().size()));
        return;
    }
    model_->grid()->spreadByProfile(*row, profile->shares);
    model_->refreshAll();
}

// The current line's months as a seasonal profile of the entity, under a name asked.
void YearGridWindow::saveRowAsProfile() {
    const auto row = currentRow();
    if (!row)
        return;
    std::vector<Currency> months;
    for (const auto& amount : model_->grid()->lines().at(*row).periods)
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

void YearGridWindow::copyFromOtherYear() {
    const auto row = currentRow();
    if (!row)
        return;
    const QString other = year_ == "N" ? "N+1" : "N";
    const std::string account = model_->grid()->lines().at(*row).account;
    try {
        const BudgetSheet sheet = readBudgetSheet(*db_, entity_.toStdString(), other.toStdString());
        for (const auto& line : sheet.lines)
            if (line.account == account) {
                model_->grid()->copyMonths(*row, line.periods);
                model_->refreshAll();
                return;
            }
        tellInBox(this, QMessageBox::Information, kTitle,
                  QString("Le compte %1 n'a pas de ligne en %2.").arg(q(account), other));
    } catch (const std::exception& e) {
        tellInBox(this, QMessageBox::Warning, kTitle, QString("Le budget %1 n'a pas pu être lu.\n%2").arg(other, e.what()));
    }
}

void YearGridWindow::closeEvent(QCloseEvent* event) {
    if (model_->grid() && model_->grid()->changed() &&
        !askInBox(this, kTitle, "Des modifications ne sont pas enregistrées. Voulez-vous les abandonner ?", false)) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace ondrel
