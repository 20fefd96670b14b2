#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "group/group_view.h"
#include "group/thresholds.h"

namespace ondrel {

// How far a line is from its budget to date. On a charge more is worse: at the warning
// a person keeps an eye on it, past the overspend it is overspent. On a produit less is
// worse: below the overspend threshold it is behind, below the warning it falls short.
enum class AlertLevel { None, Watch, Alert };

struct AlertSigns {
    Currency budget, actual;   // to date
    bool produit = false;
};
AlertLevel alertLevel(const AlertSigns& signs, const Thresholds& thresholds);
// "Dépassement", "Vigilance", "Insuffisance", "Retard".
std::string alertWord(AlertLevel level, bool produit);

// A line or an account of the group past a threshold at the end of a month.
struct LineAlert {
    std::string scope;   // the entity's code, or the group's name for its own rows
    std::string account, label;
    Currency budget, actual;
    Thresholds thresholds;
    AlertLevel level = AlertLevel::None;
    bool produit = false;
};

// The alerts of every member's lines and of the group's rows to the end of the month
// `through` (a column of the view), the alerts before the watches, each in account order.
std::vector<LineAlert> groupAlerts(Database& db, const Group& group, const GroupView& view, std::size_t through);

// "93,5 %", or "—" where nothing was budgeted to date.
std::string consumedText(Currency budget, Currency actual);

// A row an alert: scope, account, label, budget and actual to date, the share of the
// budget they make, the threshold passed, and the word.
void writeAlertsCsv(const std::vector<LineAlert>& alerts, std::ostream& out);

}  // namespace ondrel
