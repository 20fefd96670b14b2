#include "qt/grid/year_grid_totals.h"

#include <QFont>

#include "qt/grid/year_grid_model.h"

namespace ondrel {

YearGridTotals::YearGridTotals(YearGridModel* lines, QObject* parent) : QAbstractTableModel(parent), lines_(lines) {
    connect(lines, &QAbstractItemModel::modelReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(lines, &QAbstractItemModel::dataChanged, this, [this] {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    });
}

int YearGridTotals::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !lines_->grid() ? 0 : 3;
}

int YearGridTotals::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : lines_->columnCount();
}

QVariant YearGridTotals::data(const QModelIndex& index, int role) const {
    const int c = index.column();
    if (role == Qt::FontRole) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::TextAlignmentRole)
        return c >= YearGridModel::kTotal ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    static const char* const captions[] = {"Total charges", "Total produits", "Résultat"};
    if (c == YearGridModel::kAccount)
        return QString(captions[index.row()]);
    if (c != YearGridModel::kTotal && !lines_->isPeriod(c))
        return {};
    const YearGrid::Totals t = lines_->grid()->totals();
    const std::vector<Currency>* months[] = {&t.charges, &t.produits, &t.result};
    const Currency years[] = {t.chargesTotal, t.produitsTotal, t.resultTotal};
    const Currency amount = c == YearGridModel::kTotal
                                ? years[index.row()]
                                : months[index.row()]->at(static_cast<std::size_t>(c - YearGridModel::kFirstPeriod));
    return QString::fromStdString(formatAmount(amount, Grouping::Thousands));
}

}  // namespace ondrel
