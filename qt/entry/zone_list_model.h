#pragma once

#include <cstdint>

#include <QAbstractListModel>

#include "screen/zone.h"

namespace ondrel {

// The items of a zone as Qt reads them, without a copy: a view asks for the rows it
// shows, so a list of 100,000 accounts costs what a screenful costs.
class ZoneListModel : public QAbstractListModel {
public:
    ZoneListModel(const Zone& zone, QObject* parent) : QAbstractListModel(parent), zone_(zone) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : zone_.listCount(); }
    QVariant data(const QModelIndex& index, int role) const override;
    // Tells the views when the zone's items changed since they last looked.
    void follow();

private:
    const Zone& zone_;
    std::uint64_t seen_ = 0;
};

}  // namespace ondrel
