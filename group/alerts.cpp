#include "group/alerts.h"

#include <algorithm>
#include <ostream>

#include "screen/utf8_text.h"
#include "sheets/csv_cells.h"

namespace ondrel {

AlertLevel alertLevel(const AlertSigns& signs, const Thresholds& t) {
    // In hundredths: a group's year to date times a threshold stays far within 64 bits.
    const std::int64_t budget = signs.budget.floorHundredths(), actual = signs.actual.floorHundredths();
    const std::int64_t share = actual * 10000;
    if (budget <= 0) {
        // Nothing, or a credit, was budgeted to date: any move the wrong way is too far.
        const bool worse = signs.produit ? actual < budget : actual > budget;
        return worse ? AlertLevel::Alert : AlertLevel::None;
    }
    if (!signs.produit)
        return share > budget * t.over ? AlertLevel::Alert : share >= budget * t.warning ? AlertLevel::Watch : AlertLevel::None;
    return share < budget * t.warning ? AlertLevel::Alert : share < budget * t.over ? AlertLevel::Watch : AlertLevel::None;
}

std::string alertWord(AlertLevel level, bool produit) {
    switch (level) {
    case AlertLevel::None: return {};
    case AlertLevel::Watch: return produit ? "Retard" : "Vigilance";
    case AlertLevel::Alert: return produit ? "Insuffisance" : "Dépassement";
    }
    return {};
}

namespace {

void addAlert(std::vector<LineAlert>& alerts, const std::string& scope, const std::string& account,
              const std::string& label, const std::vector<Currency>& months, const std::vector<Currency>& actual,
              std::size_t through, const Thresholds& thresholds) {
    LineAlert alert{scope, account, label, toDate(months, through), toDate(actual, through), thresholds,
                    AlertLevel::None, account.starts_with('7')};
    alert.level = alertLevel({alert.budget, alert.actual, alert.produit}, thresholds);
    if (alert.level != AlertLevel::None)
        alerts.push_back(std::move(alert));
}

}  // namespace

std::vector<LineAlert> groupAlerts(Database& db, const Group& group, const GroupView& view, std::size_t through) {
    std::vector<LineAlert> alerts;
    if (view.withActuals)
        for (const auto& row : view.rows)
            if (!row.eliminated)
                addAlert(alerts, view.group, row.account, row.label, row.comparedMonths, row.actualMonths, through,
                         group.thresholds.value_or(Thresholds{}));
    for (const auto& member : view.members) {
        if (!member.withActuals)
            continue;
        const EntityThresholds own = readThresholds(db, member.code);
        for (const auto& line : member.lines)
            addAlert(alerts, member.code, line.account, line.label, line.months, line.actualMonths, through,
                     thresholdsOf(own, line.account, group));
    }
    std::stable_sort(alerts.begin(), alerts.end(),
                     [](const LineAlert& a, const LineAlert& b) { return a.level > b.level; });
    return alerts;
}

std::string consumedText(Currency budget, Currency actual) {
    if (budget.floorHundredths() <= 0)
        return "—";
    const std::int64_t share = actual.floorHundredths() * 10000 / budget.floorHundredths();
    return formatAmount(Currency::fromHundredths(share)) + " %";
}

void writeAlertsCsv(const std::vector<LineAlert>& alerts, std::ostream& out) {
    out << "\xEF\xBB\xBF";
    writeCsvRecord(out, {"Périmètre", "Compte", "Libellé", "Budget à date", "Réalisé à date", "Taux", "Seuil", "Alerte"});
    for (const auto& a : alerts) {
        const std::int64_t passed = a.level == AlertLevel::Alert ? (a.produit ? a.thresholds.warning : a.thresholds.over)
                                                                  : (a.produit ? a.thresholds.over : a.thresholds.warning);
        // An entity's code keeps its zeros; a group's name is a text like any.
        writeCsvRecord(out, {allDigits(a.scope) ? keptAsText(a.scope) : asSpreadsheetText(a.scope), asSpreadsheetText(a.account), asSpreadsheetText(a.label),
                             formatAmount(a.budget), formatAmount(a.actual), consumedText(a.budget, a.actual),
                             formatAmount(Currency::fromHundredths(passed)) + " %", alertWord(a.level, a.produit)});
    }
}

}  // namespace ondrel
