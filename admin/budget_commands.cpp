// The commands on an entity's budget: export it as a spreadsheet, import one back,
// copy a year into the other.
#include <fstream>
#include <iostream>

#include "actuals/budget_actuals.h"
#include "actuals/profiles.h"
#include "admin/command_line.h"
#include "admin/opening.h"
#include "platform/rights.h"
#include "sheets/budget_import.h"
#include "sheets/budget_sheet.h"
#include "sheets/budget_totals.h"
#include "sheets/percentage.h"
#include "versions/versions.h"

namespace ondrel {
namespace {

struct Arguments {
    std::string db, input, entity, group, year, format = "csv", output, from, to, percent = "0", profile, version;
    bool withActuals = false, dryRun = false, replace = false, byEntity = false;
};

void exportBudget(const Arguments& a) {
    if (!a.group.empty()) {
        if (!a.version.empty() || a.withActuals)
            throw Failure("--version and --with-actuals export an entity's budget, not a group's");
        return exportGroup(a.db, a.group, a.year, a.format, a.output,
                           a.byEntity ? GroupExport::ByEntity : GroupExport::ByAccount);
    }
    if (a.entity.empty())
        throw Failure("give --entity or --group");
    auto db = openExisting(a.db);
    BudgetSheet sheet = a.version.empty() ? readBudgetSheet(*db, a.entity, a.year)
                                          : readVersion(*db, a.entity, a.year, versionNamed(*db, a.entity, a.year, a.version));
    if (a.withActuals)
        compareWithActuals(*db, sheet);
    if (a.format == "xlsx") {
        writeBudgetXlsx(sheet, totalsOf(*db, sheet), a.output);
    } else {
        std::ofstream out(a.output, std::ios::binary);
        writeBudgetCsv(sheet, out);
        if (!out.flush())
            throw Failure("impossible d'écrire " + a.output);
    }
    std::cout << sheet.lines.size() << " lignes budgétaires de l'entité " << a.entity << " (" << a.year
              << ") exportées dans " << a.output << "\n";
}

void printReport(const BudgetWriteReport& report, BudgetWriting::Run run) {
    for (const auto& fault : report.faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    for (const auto& kept : report.kept)
        std::cout << "déjà présente, laissée telle quelle : " << kept << "\n";
    if (!report.faults.empty())
        throw Failure(std::to_string(report.faults.size()) + " ligne(s) refusée(s) ; rien n'a été écrit");
    std::cout << (run == BudgetWriting::Run::DryRun ? "à blanc, rien n'a été écrit : " : "") << report.created
              << " ligne(s) nouvelle(s), " << report.changed << " modifiée(s), " << report.unchanged
              << " inchangée(s)\n";
}

void importBudget(const Arguments& a) {
    std::vector<std::string> faults;
    std::vector<BudgetRow> rows;
    try {
        rows = readBudgetFile(a.input, faults);
    } catch (const std::runtime_error& e) {
        throw Failure(e.what());
    }
    for (const auto& fault : faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    if (!faults.empty())
        throw Failure(std::to_string(faults.size()) + " ligne(s) illisible(s) ; rien n'a été écrit");
    const BudgetWriting writing{.onFile = OnFile::Replace,
                                .run = a.dryRun ? BudgetWriting::Run::DryRun : BudgetWriting::Run::Write};
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    printReport(writeBudgetRows(db, storedRights(db, db->user()), rows, writing), writing.run);
}

std::int64_t percentHundredths(const std::string& text) {
    const auto hundredths = parsePercentage(text);
    if (!hundredths)
        throw Failure("the percentage \"" + text + "\" must be a number from -100 to 1000 with at most two decimals");
    return *hundredths;
}

void copyBudget(const Arguments& a) {
    if (a.from == a.to)
        throw Failure("--from and --to must name two different years");
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    const BudgetSheet source = readBudgetSheet(*db, a.entity, a.from);
    const BudgetSheet target = readBudgetSheet(*db, a.entity, a.to);
    auto rows = copiedRows(source, a.to, target.periodLabels.size(), percentHundredths(a.percent));
    if (!a.profile.empty())
        spreadEachByProfile(rows, profileFor(*db, a.entity, a.profile, target.periodLabels.size()));
    const BudgetWriting writing{.onFile = a.replace ? OnFile::Replace : OnFile::Keep};
    printReport(writeBudgetRows(db, storedRights(db, db->user()), rows, writing), writing.run);
}

}  // namespace

void addBudgetCommands(CLI::App& tool, Command& chosen) {
    auto a = std::make_shared<Arguments>();
    const auto years = CLI::IsMember({"N", "N+1"});

    auto* exportBudgetCommand = subcommand(tool, chosen, "export-budget",
                                           "export an entity's budget for one year as CSV or XLSX",
                                           [a] { exportBudget(*a); });
    exportBudgetCommand->add_option("DB", a->db, kDatabaseHelp)->required();
    auto* entity = exportBudgetCommand->add_option("--entity", a->entity, "entity code");
    auto* group = exportBudgetCommand->add_option("--group", a->group, "a group of entities instead: a row an account, added")
        ->excludes(entity);
    exportBudgetCommand->add_flag("--by-entity", a->byEntity,
                                  "with --group: each entity's lines, as import-budget and group-import read them")
        ->needs(group);
    exportBudgetCommand->add_option("--year", a->year, "N or N+1")->required()->check(years);
    exportBudgetCommand->add_option("--format", a->format, "csv or xlsx")->check(CLI::IsMember({"csv", "xlsx"}));
    exportBudgetCommand->add_option("--output", a->output, "file to write")->required();
    exportBudgetCommand->add_option("--version", a->version, "export this version of the year instead of the working budget");
    exportBudgetCommand->add_flag("--with-actuals", a->withActuals, "add the actuals of import-actuals and the variances");

    auto* importBudgetCommand = subcommand(tool, chosen, "import-budget",
                                           "import budget lines from the CSV or the XLSX of export-budget; all or nothing",
                                           [a] { importBudget(*a); });
    importBudgetCommand->add_option("DB", a->db, kDatabaseHelp)->required();
    importBudgetCommand->add_option("FILE", a->input, "CSV file")->required();
    importBudgetCommand->add_flag("--dry-run", a->dryRun, "check and count, write nothing");

    auto* copyBudgetCommand = subcommand(tool, chosen, "copy-budget", "copy an entity's budget from one year to the other",
                                         [a] { copyBudget(*a); });
    copyBudgetCommand->add_option("DB", a->db, kDatabaseHelp)->required();
    copyBudgetCommand->add_option("--entity", a->entity, "entity code")->required();
    copyBudgetCommand->add_option("--from", a->from, "N or N+1")->required()->check(years);
    copyBudgetCommand->add_option("--to", a->to, "N or N+1")->required()->check(years);
    copyBudgetCommand->add_option("--percent", a->percent, "raise (or lower, negative) every amount by this percentage");
    copyBudgetCommand->add_flag("--replace", a->replace, "replace the lines already in the target year");
    copyBudgetCommand->add_option("--profile", a->profile,
                                  "spread each copied total by this seasonal profile of the entity");
}

}  // namespace ondrel
