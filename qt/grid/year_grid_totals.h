#pragma once

#include <QAbstractTableModel>

namespace ondrel {

class YearGridModel;

// Below the year grid, in its columns: the charges, the produits and the result, for
// the year and month by month, following what is typed.
class YearGridTotals : public QAbstractTableModel {
public:
    explicit YearGridTotals(YearGridModel* lines, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    YearGridModel* lines_;
};

}  // namespace ondrel
