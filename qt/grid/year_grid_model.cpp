#include "qt/grid/year_grid_model.h"


#include <algorithm>

#include <QColor>
#include <QFont>

#include "account/account_number.h"
#include "qt/widgets/note_mark.h"
#include "entity/code_padding.h"
#include "screen/utf8_text.h"
#include "sheets/comparison.h"

namespace ondrel {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void YearGridModel::show(std::unique_ptr<YearGrid> grid) {
    beginResetModel();
    grid_ = std::move(grid);
    order_.clear();
    followLines();
    endResetModel();
}

void YearGridModel::followLines() {
    const std::size_t lines = grid_ ? grid_->lines().size() : 0;
    order_.erase(std::remove_if(order_.begin(), order_.end(), [&](std::size_t line) { return line >= lines; }), order_.end());
    for (std::size_t line = 0; line < lines; ++line)
        if (std::find(order_.begin(), order_.end(), line) == order_.end())
            order_.push_back(line);
}

// A step that adds or takes away a line changes the rows: they are drawn anew, and the
// caller puts the cursor where the step changed the grid.
void YearGridModel::edit(const std::function<void(YearGrid&)>& change) {
    if (readOnly_)
        return;
    const std::size_t before = grid_->lines().size();
    change(*grid_);
    if (grid_->lines().size() != before) {
        beginResetModel();
        followLines();
        endResetModel();
        return;
    }
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int YearGridModel::rowOf(std::size_t line) const {
    const auto found = std::find(order_.begin(), order_.end(), line);
    return found == order_.end() ? -1 : static_cast<int>(found - order_.begin());
}

bool YearGridModel::isNewRow(int row) const {
    return !readOnly_ && row == static_cast<int>(order_.size());
}

int YearGridModel::newRow() const {
    return readOnly_ ? -1 : static_cast<int>(order_.size());
}

int YearGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !grid_ ? 0 : static_cast<int>(order_.size()) + (readOnly_ ? 0 : 1);
}

int YearGridModel::lastPeriod() const {
    return grid_ ? kFirstPeriod + static_cast<int>(grid_->periodLabels().size()) - 1 : -1;
}

int YearGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !grid_ ? 0 : lastPeriod() + 1 + (grid_->withActuals() ? 3 : 0);
}

QVariant YearGridModel::data(const QModelIndex& index, int role) const {
    const int c = index.column();
    if (role == Qt::TextAlignmentRole)
        return c >= kTotal ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (isNewRow(index.row())) {
        if (c != kAccount)
            return {};
        if (role == Qt::DisplayRole)
            return QString("Nouveau compte…");
        if (role == Qt::ForegroundRole)
            return QColor(112, 112, 112);
        if (role == Qt::ToolTipRole)
            return QString("Tapez le compte d'une nouvelle ligne, puis Entrée : l'écran de saisie pose ses questions.");
        return role == Qt::EditRole ? QVariant(QString()) : QVariant();
    }
    const std::size_t row = lineAt(index.row());
    const auto& line = grid_->lines().at(row);
    if (role == Qt::BackgroundRole && line.changed)
        return QColor(255, 244, 194);   // not saved yet; the account says so too
    // Against the actuals: a month's budget, actual and variance in its tip, worse than
    // the budget in red and marked "▲" in the line's variance, which reads without colour.
    if (c == kLabel && !line.note.empty() && (role == Qt::DecorationRole || role == Qt::ToolTipRole))
        return role == Qt::DecorationRole ? QVariant(noteMark()) : QVariant(q(line.label).toHtmlEscaped() + "<br><br>" + noteTip(q(line.note)));
    if (c == kLabel && role == Qt::ToolTipRole)
        return q(line.label);   // whole, where its column shows it cut
    const bool isMonth = isPeriod(c);
    const Currency budget = c > lastPeriod() || c == kTotal ? grid_->total(row)
                            : isMonth ? line.periods.at(static_cast<std::size_t>(c - kFirstPeriod)).value_or(Currency::zero())
                                      : Currency::zero();
    const Currency actual = !grid_->withActuals() ? Currency::zero()
                            : isMonth             ? line.actual.at(static_cast<std::size_t>(c - kFirstPeriod))
                                                  : line.actualTotal;
    const bool over = grid_->withActuals() && (isMonth || c > lastPeriod()) && overBudget(line.account, budget, actual);
    if (role == Qt::ForegroundRole && over)
        return QColor(176, 0, 32);
    if (role == Qt::ToolTipRole && grid_->withActuals() && (isMonth || c == kTotal))
        return QString("Réalisé %1, écart %2 %3")
            .arg(q(formatAmount(actual, Grouping::Thousands)), q(formatAmount(variance(budget, actual), Grouping::Thousands)),
                 q(percentText(variancePercent(budget, actual))));
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const Grouping grouping = role == Qt::DisplayRole ? Grouping::Thousands : Grouping::None;
    const QString mark = over ? "▲ " : "";
    switch (c) {
    case kAccount:
        return (role == Qt::DisplayRole && line.changed ? "* " : "") + q(line.account);
    case kLabel:
        return q(line.label);
    case kKey:
        return q(line.key);
    case kTotal:
        return q(formatAmount(grid_->total(row), grouping));
    default:
        break;
    }
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
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !grid_)
        return {};
    static const char* const fixed[] = {"Compte", "Libellé", "Clé", "Total"};
    if (section < kFirstPeriod)
        return QString(fixed[section]);
    if (section > lastPeriod())
        return QStringList{"Réalisé", "Écart", "Écart %"}.at(section - lastPeriod() - 1);
    return q(grid_->periodLabels().at(static_cast<std::size_t>(section - kFirstPeriod)));
}

// The label of a grouping line is its class's, as on the screen; the actuals are read.
Qt::ItemFlags YearGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (readOnly_)
        return f;
    const int c = index.column();
    if (isNewRow(index.row()))
        return c == kAccount ? f | Qt::ItemIsEditable : f;
    const bool grouping = isGroupingAccount(grid_->lines().at(lineAt(index.row())).account);
    if ((c == kLabel && !grouping) || c == kKey || c == kTotal || isPeriod(c))
        f |= Qt::ItemIsEditable;
    return f;
}

QString YearGridModel::refusal(const QModelIndex& index, const QString& typed) const {
    const std::string text = typed.toStdString();
    const int c = index.column();
    if (isNewRow(index.row())) {
        const std::string account = trimBlanks(text);
        if (account.empty())
            return {};
        if (!allDigits(account))
            return "Un numéro de compte ne s'écrit qu'avec des chiffres.";
        if (account[0] != '6' && account[0] != '7')
            return "Seuls les comptes de classe 6 et 7 peuvent être budgetisés.";
        if (account.size() > kAccountLength)
            return QString("Un compte a %1 chiffres au plus.").arg(kAccountLength);
        return {};
    }
    if (c == kLabel) {
        if (trimBlanks(text).empty())
            return "Le libellé du compte est obligatoire.";
        if (holdsControlChar(text))
            return q(controlCharRefusal());
        if (charCount(text) > kLabelLength)
            return QString("Le libellé tient en %1 caractères au plus ; celui-ci en a %2.").arg(kLabelLength).arg(charCount(text));
        return {};
    }
    if (c == kKey) {
        const std::string code = trimBlanks(text);
        if (code.empty() || !allDigits(code) || code.size() > kCodeLength)
            return "Une clé de répartition s'écrit en trois chiffres au plus.";
        if (std::find(keys_.begin(), keys_.end(), padCode(code)) == keys_.end())
            return QString("La clé de répartition « %1 » n'existe pas pour l'entité %2.").arg(q(padCode(code)), q(grid_->entity()));
        return {};
    }
    const bool empty = withoutBlanks(text).empty();
    if ((c == kTotal || isPeriod(c)) && !empty && !amountCell(text))
        return QString("« %1 » n'est pas un montant : au plus neuf chiffres, une virgule et deux décimales.").arg(q(excerpt(text)));
    if (isPeriod(c))
        if (const auto tooLarge = grid_->totalRefusal(
                {{lineAt(index.row()), static_cast<std::size_t>(c - kFirstPeriod), empty ? std::nullopt : amountCell(text)}}))
            return q(*tooLarge);
    return {};
}

bool YearGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !grid_ || readOnly_ || !(flags(index) & Qt::ItemIsEditable) ||
        !refusal(index, value.toString()).isEmpty())
        return false;
    const std::string text = value.toString().toStdString();
    if (isNewRow(index.row())) {
        if (!trimBlanks(text).empty())
            emit newAccountTyped(QString::fromStdString(trimBlanks(text)));
        return true;
    }
    const std::size_t row = lineAt(index.row());
    const int c = index.column();
    if (c == kLabel) {
        grid_->setLabel(row, text);
    } else if (c == kKey) {
        grid_->setKey(row, padCode(trimBlanks(text)));
    } else {
        const std::optional<Currency> amount = withoutBlanks(text).empty() ? std::nullopt : amountCell(text);
        if (c == kTotal)
            grid_->setTotal(row, amount.value_or(Currency::zero()),
                            keepProfile_ ? YearGrid::Spread::KeepingProfile : YearGrid::Spread::Evenly);
        else
            grid_->setAmount(row, static_cast<std::size_t>(c - kFirstPeriod), amount);
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

QVariant YearGridModel::sortValue(std::size_t line, int column) const {
    const auto& l = grid_->lines().at(line);
    switch (column) {
    case kAccount:
        return q(l.account);
    case kLabel:
        return q(l.label).toLower();
    case kKey:
        return q(l.key);
    default:
        break;
    }
    const Currency total = grid_->total(line);
    if (column == kTotal)
        return static_cast<qlonglong>(total.floorHundredths());
    if (isPeriod(column)) {
        const auto& amount = l.periods.at(static_cast<std::size_t>(column - kFirstPeriod));
        return static_cast<qlonglong>(amount ? amount->floorHundredths() : -1);
    }
    if (column == lastPeriod() + 1)
        return static_cast<qlonglong>(l.actualTotal.floorHundredths());
    if (column == lastPeriod() + 2)
        return static_cast<qlonglong>(variance(total, l.actualTotal).floorHundredths());
    return variancePercent(total, l.actualTotal).value_or(0.0);
}

// The lines are sorted among themselves; the empty row stays last. The current cell
// and the selection follow their lines.
void YearGridModel::sort(int column, Qt::SortOrder order) {
    if (!grid_ || column < 0 || column >= columnCount())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<std::size_t> before = order_;
    std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
        const QVariant x = sortValue(a, column), y = sortValue(b, column);
        const bool less = QVariant::compare(x, y) == QPartialOrdering::Less;
        const bool more = QVariant::compare(x, y) == QPartialOrdering::Greater;
        return order == Qt::AscendingOrder ? less : more;
    });
    QModelIndexList from = persistentIndexList(), to;
    for (const QModelIndex& i : from)
        to << (i.row() < static_cast<int>(before.size()) ? index(rowOf(before[static_cast<std::size_t>(i.row())]), i.column())
                                                         : i);
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace ondrel
