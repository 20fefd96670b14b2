#include "group/group_work.h"

#include <algorithm>
#include <map>
#include <set>

#include "actuals/profiles.h"
#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "entity/code_padding.h"
#include "platform/rights.h"
#include "versions/validation.h"
#include "versions/versions.h"

namespace ondrel {

namespace {

// A dry run, or a fault in one entity: what the work wrote is rolled back.
struct RollBack {};

std::string lockedYear(Database& db, const std::string& entity, const std::vector<BudgetRow>& rows) {
    std::set<std::string> years;
    for (const auto& row : rows)
        years.insert(row.line.year);
    for (const auto& year : years)
        if (const auto lock = budgetLock(db, yearCodeFor(year), entity))
            return "exercice " + year + " validé, laissé tel quel (" + lockCaption(*lock) + ")";
    return {};
}

// Each entity's rows checked by a dry run of its own, so that the person reads what each
// would change; then all of them written in one transaction, unless one was refused.
GroupWorkReport writeByEntity(const std::shared_ptr<Database>& db, const std::shared_ptr<UserRights>& rights,
                              const Group& group, std::map<std::string, std::vector<BudgetRow>> byEntity,
                              GroupWorkOptions options) {
    GroupWorkReport report;
    std::vector<BudgetRow> written;
    for (const auto& entity : group.entities) {
        const auto it = byEntity.find(entity);
        if (it == byEntity.end())
            continue;
        EntityWork work{entity, {}, lockedYear(*db, entity, it->second)};
        if (!work.lockedBy.empty()) {
            if (options.validated == ValidatedYears::Refuse)
                report.faults.push_back("entité " + entity + " : " + work.lockedBy +
                                        " ; rien n'a été écrit (--skip-validated écrit les autres)");
            report.entities.push_back(std::move(work));
            continue;
        }
        work.report = writeBudgetRows(db, rights, it->second, {.onFile = options.onFile, .run = BudgetWriting::Run::DryRun});
        for (const auto& fault : work.report.faults)
            report.faults.push_back("entité " + entity + ", " + fault);
        written.insert(written.end(), it->second.begin(), it->second.end());
        report.entities.push_back(std::move(work));
    }
    if (!report.faults.empty() || options.run == BudgetWriting::Run::DryRun || written.empty())
        return report;
    const BudgetWriteReport all = writeBudgetRows(db, rights, written, {.onFile = options.onFile});
    report.faults = all.faults;
    report.written = all.faults.empty();
    return report;
}

}  // namespace

GroupWorkReport copyGroupYear(const std::shared_ptr<Database>& db, const std::shared_ptr<UserRights>& rights,
                              const Group& group, const std::string& from, const std::string& to,
                              std::int64_t percentHundredths, const std::string& profile, GroupWorkOptions options) {
    std::map<std::string, std::vector<BudgetRow>> byEntity;
    GroupWorkReport refused;
    for (const auto& entity : group.entities) {
        try {
            const BudgetSheet source = readBudgetSheet(*db, entity, from);
            const std::size_t periods = fiscalPeriods(*db, entity, to).size();
            auto rows = copiedRows(source, to, periods, percentHundredths);
            if (!profile.empty())
                spreadEachByProfile(rows, profileFor(*db, entity, profile, periods));
            if (!rows.empty())
                byEntity[entity] = std::move(rows);
        } catch (const std::exception& e) {
            refused.faults.push_back("entité " + entity + " : " + e.what());
        }
    }
    if (!refused.faults.empty())
        return refused;
    return writeByEntity(db, rights, group, std::move(byEntity), options);
}

GroupWorkReport importGroupRows(const std::shared_ptr<Database>& db, const std::shared_ptr<UserRights>& rights,
                                const Group& group, const std::vector<BudgetRow>& rows, GroupWorkOptions options) {
    std::map<std::string, std::vector<BudgetRow>> byEntity;
    GroupWorkReport refused;
    for (const auto& row : rows) {
        const std::string entity = padCode(row.line.entity);
        if (std::find(group.entities.begin(), group.entities.end(), entity) == group.entities.end())
            refused.faults.push_back("ligne " + std::to_string(row.lineNumber) + " : l'entité " + entity +
                                     " n'est pas du groupe « " + group.name + " »");
        else
            byEntity[entity].push_back(row);
    }
    if (!refused.faults.empty())
        return refused;
    return writeByEntity(db, rights, group, std::move(byEntity), options);
}

GroupWorkReport saveGroupVersion(Database& db, UserRights& rights, const Group& group, const std::string& year,
                                 const std::string& name, VersionStep step, GroupWorkOptions options) {
    GroupWorkReport report;
    if (step == VersionStep::Save && rights.RightsForKey(kScreenKey)->AccessLevel() != kFullRights && !mayValidate(rights)) {
        report.faults.push_back("Vos droits ne permettent pas d'enregistrer de version.");
        return report;
    }
    try {
        db.inOneTransaction([&] {
            for (const auto& entity : group.entities) {
                EntityWork work{entity, {}, {}};
                if (const auto lock = budgetLock(db, yearCodeFor(year), entity)) {
                    work.lockedBy = "exercice " + year + " validé, laissé tel quel (" + lockCaption(*lock) + ")";
                    if (options.validated == ValidatedYears::Refuse)
                        report.faults.push_back("entité " + entity + " : " + work.lockedBy +
                                                " ; rien n'a été écrit (--skip-validated écrit les autres)");
                    report.entities.push_back(std::move(work));
                    continue;
                }
                try {
                    work.report.created = static_cast<int>(readBudgetSheet(db, entity, year).lines.size());
                    if (step == VersionStep::Validate)
                        validateVersion(db, rights, entity, year, name);
                    else
                        saveVersion(db, entity, year, name);
                } catch (const std::exception& e) {
                    report.faults.push_back("entité " + entity + " : " + e.what());
                }
                report.entities.push_back(std::move(work));
            }
            if (!report.faults.empty() || options.run == BudgetWriting::Run::DryRun)
                throw RollBack{};
        });
        report.written = true;
    } catch (const RollBack&) {
    }
    return report;
}

std::vector<std::string> reportLines(const GroupWorkReport& report) {
    std::vector<std::string> lines;
    for (const auto& work : report.entities) {
        if (!work.lockedBy.empty()) {
            lines.push_back(work.entity + " : " + work.lockedBy);
            continue;
        }
        const BudgetWriteReport& r = work.report;
        lines.push_back(work.entity + " : " + std::to_string(r.created) + " ligne(s) nouvelle(s), " +
                        std::to_string(r.changed) + " modifiée(s), " + std::to_string(r.unchanged) + " inchangée(s)" +
                        (r.kept.empty() ? "" : ", " + std::to_string(r.kept.size()) + " laissée(s) telle(s) quelle(s)"));
    }
    return lines;
}

}  // namespace ondrel
