#include "qt/widgets/table_items.h"

namespace ondrel {

QStandardItem* amountItem(Currency amount) {
    auto* item = new QStandardItem(QString::fromStdString(formatAmount(amount, Grouping::Thousands)));
    item->setData(static_cast<qlonglong>(amount.floorHundredths()), kSortRole);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QStandardItem* textItem(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    auto* item = new QStandardItem(shown);
    item->setData(shown, kSortRole);
    item->setToolTip(shown);
    return item;
}

}  // namespace ondrel
