#include "qt/entry/zone_list_model.h"

namespace ondrel {

QVariant ZoneListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return QString::fromStdString(zone_.list(index.row()));
}

void ZoneListModel::follow() {
    if (seen_ == zone_.listRevision())
        return;
    beginResetModel();
    seen_ = zone_.listRevision();
    endResetModel();
}

}  // namespace ondrel
