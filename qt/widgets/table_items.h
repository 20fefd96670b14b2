#pragma once

#include <string>

#include <QStandardItem>

#include "budget/currency.h"

namespace ondrel {

// The role the windows' tables sort by: an amount by its value, a text by itself.
inline constexpr int kSortRole = Qt::UserRole + 1;

// A cell in French format ("1 500,00"), right-aligned, that sorts by its value.
QStandardItem* amountItem(Currency amount);
// A text that its column shows cut reads whole in its tip.
QStandardItem* textItem(const std::string& text);

}  // namespace ondrel
