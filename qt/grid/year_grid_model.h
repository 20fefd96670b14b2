#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractTableModel>

#include "grid/year_grid.h"

namespace ondrel {

// The year grid for the view: a row a line (its account, label, key and total, then a
// column a period, then its actual, variance and variance % once the actuals are read),
// in the order a person sorted them, and an empty row at the bottom that takes the
// account of a new line. A cell takes what a person types only once refusal() has no
// reason against it.
class YearGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kAccount = 0;
    static constexpr int kLabel = 1;
    static constexpr int kKey = 2;
    static constexpr int kTotal = 3;
    static constexpr int kFirstPeriod = 4;
    // Account, label, key and total stay in sight while the months scroll.
    static constexpr int kFrozenColumns = 4;

    explicit YearGridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void show(std::unique_ptr<YearGrid> grid);
    YearGrid* grid() const { return grid_.get(); }
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool readOnly() const { return readOnly_; }
    void setKeepProfile(bool keep) { keepProfile_ = keep; }
    // The entity's distribution keys, by code: a line takes one of them.
    void setKeys(std::vector<std::string> codes) { keys_ = std::move(codes); }
    // Changes the grid (undo, fill, raise, a new line…) and draws it again; a read-only
    // grid takes no change, whatever command asks for it.
    void edit(const std::function<void(YearGrid&)>& change);

    int lastPeriod() const;
    bool isPeriod(int column) const { return column >= kFirstPeriod && column <= lastPeriod(); }
    // The empty row at the bottom, for a new line.
    bool isNewRow(int row) const;
    int newRow() const;
    // The grid's line shown at a row, and the row that shows a line.
    std::size_t lineAt(int row) const { return order_.at(static_cast<std::size_t>(row)); }
    int rowOf(std::size_t line) const;
    const std::vector<std::size_t>& linesInOrder() const { return order_; }
    QModelIndex cellOf(std::size_t line, int column) const { return index(rowOf(line), column); }

    // Why the text typed in the cell cannot be taken, in French; empty when it can.
    QString refusal(const QModelIndex& index, const QString& text) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // An account typed on the empty row: the screen's creation rules decide.
    void newAccountTyped(const QString& account);

private:
    // Each line's row: those a step added go at the end, those it took away go.
    void followLines();
    QVariant sortValue(std::size_t line, int column) const;

    std::unique_ptr<YearGrid> grid_;
    std::vector<std::size_t> order_;
    bool readOnly_ = false;
    bool keepProfile_ = false;
    std::vector<std::string> keys_;
};

}  // namespace ondrel
