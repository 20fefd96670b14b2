// The commands on groups of entities: make or change a group, set an entity's
// thresholds, print the alerts of a group, export a group's year.
#include <fstream>
#include <iostream>

#include "admin/command_line.h"
#include "admin/opening.h"
#include "account/account_number.h"
#include "entity/code_padding.h"
#include "group/alerts.h"
#include "group/group_csv.h"
#include "group/group_work.h"
#include "platform/rights.h"
#include "screen/utf8_text.h"
#include "sheets/percentage.h"

namespace ondrel {
namespace {

struct Arguments {
    std::string db, name, entities, entity, account, warning, over, through, year, basis = "working", output, input,
        from, to, percent = "0", profile, version;
    std::vector<std::string> flows;
    bool noFlows = false, remove = false, clear = false, dryRun = false, replace = false, skipValidated = false,
         validate = false;
};

std::int64_t percentArgument(const std::string& text, const char* option) {
    const auto hundredths = parsePercentage(text);
    if (!hundredths || *hundredths < 0)
        throw Failure(std::string(option) + " \"" + text + "\" must be a percentage from 0 to 1000, such as 90 or 92,5");
    return *hundredths;
}

// The thresholds the arguments give, over those already set.
std::optional<Thresholds> thresholdsArgument(const Arguments& a, std::optional<Thresholds> kept) {
    if (a.warning.empty() && a.over.empty())
        return kept;
    Thresholds t = kept.value_or(Thresholds{});
    if (!a.warning.empty())
        t.warning = percentArgument(a.warning, "--warning");
    if (!a.over.empty())
        t.over = percentArgument(a.over, "--over");
    return t;
}

// "Cotisations,6281,756": the flow's name, its charge account, its produit account.
Flow flowArgument(const std::string& text) {
    const auto last = text.rfind(','), middle = last == std::string::npos ? last : text.rfind(',', last - 1);
    if (middle == std::string::npos || middle == 0)
        throw Failure("--flow \"" + text + "\" must read NAME,CHARGE,PRODUIT, such as \"Cotisations,6281,756\"");
    return {text.substr(0, middle), text.substr(middle + 1, last - middle - 1), text.substr(last + 1)};
}

void makeGroup(const Arguments& a) {
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    // The name as the group keeps it, without the blanks around it.
    const std::string name = trimBlanks(a.name);
    const auto names = groupNames(*db);
    const bool exists = std::find(names.begin(), names.end(), name) != names.end();
    Group group = exists ? readGroup(*db, name) : Group{name, {}};
    if (a.remove) {
        deleteGroup(*db, *storedRights(db, db->user()), name);
        std::cout << "groupe « " << name << " » supprimé\n";
        return;
    }
    if (name == kAllEntities && !a.entities.empty())
        throw Failure(std::string("« ") + kAllEntities + " » always holds every entity: give it no --entities");
    if (name == kAllEntities)
        group.entities.clear();
    else if (!a.entities.empty())
        group.entities = entityList(a.entities);
    else if (!exists)
        throw Failure("a new group needs --entities");
    if (a.noFlows)
        group.flows.clear();
    for (const auto& flow : a.flows)
        group.flows.push_back(flowArgument(flow));
    group.thresholds = thresholdsArgument(a, group.thresholds);
    saveGroup(*db, *storedRights(db, db->user()), group);
    const Group saved = readGroup(*db, name);
    std::cout << "groupe « " << saved.name << " » " << (exists ? "modifié" : "créé") << " :";
    for (const auto& code : saved.entities)
        std::cout << " " << code;
    for (const auto& flow : saved.flows)
        std::cout << " ; flux « " << flow.name << " » " << flow.charge << " / " << flow.produit;
    std::cout << "\n";
}

std::string percentText(std::int64_t hundredths) {
    return formatAmount(Currency::fromHundredths(hundredths)) + " %";
}

void setEntityThresholds(const Arguments& a) {
    if (!a.clear && a.warning.empty() && a.over.empty())
        throw Failure("give --warning, --over or --clear");
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    const std::string entity = padCode(a.entity);
    // Kept under the account's significant digits: 6064 and 6064000000 are one line.
    const std::string prefix = allDigits(a.account) && !a.account.empty() && a.account.size() <= kAccountLength
                                   ? significantPrefix(completeWithZeros(a.account))
                                   : a.account;
    const auto own = readThresholds(*db, entity);
    const auto kept = own.find(prefix);
    const auto thresholds = a.clear ? std::nullopt
                                    : thresholdsArgument(a, kept == own.end() ? std::nullopt
                                                                              : std::optional<Thresholds>(kept->second));
    setThresholds(*db, *storedRights(db, db->user()), entity, a.account, thresholds);
    std::cout << "seuils de l'entité " << entity << (a.account.empty() ? "" : ", compte " + a.account) << " : "
              << (thresholds ? percentText(thresholds->warning) + " et " + percentText(thresholds->over)
                             : std::string("ceux du groupe"))
              << "\n";
}

GroupBasis basisArgument(const std::string& text) {
    return text == "validated" ? GroupBasis::Validated : text == "landing" ? GroupBasis::Landing : GroupBasis::Working;
}

void printAlerts(const Arguments& a) {
    auto db = openExisting(a.db);
    const Group group = readGroup(*db, a.name);
    for (const char* year : {"N", "N+1"}) {
        if (!a.year.empty() && a.year != year)
            continue;
        const GroupView view = readGroupView(*db, group, year, basisArgument(a.basis));
        const auto through = monthIndex(view, a.through);
        if (!through)
            continue;
        const auto alerts = groupAlerts(*db, group, view, *through);
        writeAlertsCsv(alerts, std::cout);
        if (!alerts.empty())
            throw Failure(std::to_string(alerts.size()) + " line(s) past their threshold");
        return;
    }
    throw Failure("the month " + a.through + " is in no fiscal year of the group's entities");
}

GroupWorkOptions workOptions(const Arguments& a) {
    return {.validated = a.skipValidated ? ValidatedYears::Skip : ValidatedYears::Refuse,
            .run = a.dryRun ? BudgetWriting::Run::DryRun : BudgetWriting::Run::Write,
            .onFile = a.replace ? OnFile::Replace : OnFile::Keep};
}

// Entity by entity what the work did or would do; a refusal, and nothing was written.
void printWork(const GroupWorkReport& report, bool dryRun) {
    for (const auto& fault : report.faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    for (const auto& line : reportLines(report))
        std::cout << line << "\n";
    if (!report.faults.empty())
        throw Failure(std::to_string(report.faults.size()) + " refus ; rien n'a été écrit");
    std::cout << (dryRun ? "à blanc, rien n'a été écrit" : "écrit en une seule transaction") << "\n";
}

void copyGroup(const Arguments& a) {
    if (a.from == a.to)
        throw Failure("--from and --to must name two different years");
    const auto percent = parsePercentage(a.percent);
    if (!percent)
        throw Failure("the percentage \"" + a.percent + "\" must be a number from -100 to 1000 with at most two decimals");
    auto db = openExisting(a.db, a.dryRun ? Database::Access::Automatic : Database::Access::ReadWrite);
    printWork(copyGroupYear(db, storedRights(db, db->user()), readGroup(*db, a.name), a.from, a.to, *percent, a.profile,
                            workOptions(a)),
              a.dryRun);
}

void importGroup(const Arguments& a) {
    std::vector<std::string> faults;
    const auto rows = readBudgetFile(a.input, faults);
    for (const auto& fault : faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    if (!faults.empty())
        throw Failure(std::to_string(faults.size()) + " ligne(s) illisible(s) ; rien n'a été écrit");
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    // A file's lines replace those on file, as import-budget's do.
    GroupWorkOptions options = workOptions(a);
    options.onFile = OnFile::Replace;
    printWork(importGroupRows(db, storedRights(db, db->user()), readGroup(*db, a.name), rows, options), a.dryRun);
}

void versionGroup(const Arguments& a) {
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    const auto report = saveGroupVersion(*db, *storedRights(db, db->user()), readGroup(*db, a.name), a.year,
                                         a.version, a.validate ? VersionStep::Validate : VersionStep::Save,
                                         workOptions(a));
    for (const auto& fault : report.faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    for (const auto& work : report.entities)
        std::cout << work.entity << " : "
                  << (work.lockedBy.empty() ? "version « " + a.version + " » de " + std::to_string(work.report.created) +
                                                  " ligne(s)" + (a.validate ? ", validée" : "")
                                            : work.lockedBy)
                  << "\n";
    if (!report.faults.empty())
        throw Failure(std::to_string(report.faults.size()) + " refus ; rien n'a été écrit");
    std::cout << (a.dryRun ? "à blanc, rien n'a été écrit" : "écrit en une seule transaction") << "\n";
}

}  // namespace

void exportGroup(const std::string& path, const std::string& name, const std::string& year, const std::string& format,
                 const std::string& output, GroupExport layout) {
    auto db = openExisting(path);
    const Group group = readGroup(*db, name);
    if (format == "xlsx") {
        if (layout == GroupExport::ByEntity)
            throw Failure("--by-entity writes CSV");
        const GroupView view = readGroupView(*db, group, year, GroupBasis::Working);
        writeGroupXlsx(view, output);
        std::cout << view.rows.size() << " comptes du groupe « " << name << " » (" << year << ") exportés dans "
                  << output << "\n";
        return;
    }
    std::ofstream out(output, std::ios::binary);
    std::size_t rows = 0;
    if (layout == GroupExport::ByEntity) {
        std::vector<BudgetSheet> sheets;
        for (const auto& entity : group.entities) {
            sheets.push_back(readBudgetSheet(*db, entity, year));
            rows += sheets.back().lines.size();
        }
        writeBudgetCsv(sheets, out);
    } else {
        const GroupView view = readGroupView(*db, group, year, GroupBasis::Working);
        writeGroupCsv(view, out);
        rows = view.rows.size();
    }
    if (!out.flush())
        throw Failure("impossible d'écrire " + output);
    std::cout << rows << (layout == GroupExport::ByEntity ? " lignes des entités" : " comptes") << " du groupe « "
              << name << " » (" << year << ") " << (layout == GroupExport::ByEntity ? "exportées" : "exportés")
              << " dans " << output << "\n";
}

void addGroupCommands(CLI::App& tool, Command& chosen) {
    auto a = std::make_shared<Arguments>();

    auto* group = subcommand(tool, chosen, "group", "make or change a group of entities, its flows and thresholds",
                             [a] { makeGroup(*a); });
    group->add_option("DB", a->db, kDatabaseHelp)->required();
    group->add_option("NAME", a->name, "the group's name")->required();
    group->add_option("--entities", a->entities, "its entities, the reference first: 001,003");
    group->add_option("--flow", a->flows,
                      "a flow between its entities, left out of its totals: NAME,CHARGE,PRODUIT (\"Cotisations,6281,756\")");
    group->add_flag("--no-flows", a->noFlows, "take away the flows it has before adding those given");
    group->add_option("--warning", a->warning, "the group's warning threshold, in % of the budget to date (90)");
    group->add_option("--over", a->over, "the group's overspend threshold, in % of the budget to date (100)");
    group->add_flag("--delete", a->remove, "delete the group");

    auto* threshold = subcommand(tool, chosen, "threshold", "set the alert thresholds of an entity, a class or a line",
                                 [a] { setEntityThresholds(*a); });
    threshold->add_option("DB", a->db, kDatabaseHelp)->required();
    threshold->add_option("--entity", a->entity, "entity code")->required();
    threshold->add_option("--account", a->account, "a line's account or a class (64); the whole entity without it");
    threshold->add_option("--warning", a->warning, "warning threshold, in % of the budget to date");
    threshold->add_option("--over", a->over, "overspend threshold, in % of the budget to date");
    threshold->add_flag("--clear", a->clear, "take the thresholds away: those of the entity, then the group's, apply");

    const auto years = CLI::IsMember({"N", "N+1"});
    const auto groupWork = [&](CLI::App* command) {
        command->add_option("DB", a->db, kDatabaseHelp)->required();
        command->add_option("--group", a->name, "the group's name")->required();
        command->add_flag("--dry-run", a->dryRun, "say entity by entity what would change, write nothing");
        command->add_flag("--skip-validated", a->skipValidated,
                          "leave the validated years untouched and write the others, rather than nothing");
    };
    auto* copy = subcommand(tool, chosen, "group-copy",
                            "copy every entity of a group from one year to the other, in one transaction",
                            [a] { copyGroup(*a); });
    groupWork(copy);
    copy->add_option("--from", a->from, "N or N+1")->required()->check(years);
    copy->add_option("--to", a->to, "N or N+1")->required()->check(years);
    copy->add_option("--percent", a->percent, "raise (or lower, negative) every amount by this percentage");
    copy->add_option("--profile", a->profile, "spread each copied total by each entity's profile of this name");
    copy->add_flag("--replace", a->replace, "replace the lines already in the target year");

    auto* import = subcommand(tool, chosen, "group-import",
                              "import a budget file of several entities of a group, in one transaction",
                              [a] { importGroup(*a); });
    groupWork(import);
    import->add_option("FILE", a->input, "CSV or XLSX, as export-budget --group --by-entity writes it")->required();

    auto* version = subcommand(tool, chosen, "group-version",
                               "save (or validate) the working budget of every entity of a group as a version",
                               [a] { versionGroup(*a); });
    groupWork(version);
    version->add_option("--year", a->year, "N or N+1")->required()->check(years);
    version->add_option("--name", a->version, "the versions' name")->required();
    version->add_flag("--validate", a->validate, "validate it in every entity (validators only)");

    auto* alerts = subcommand(tool, chosen, "alerts",
                              "print the lines past their threshold to the end of a month as CSV; exit 1 when any",
                              [a] { printAlerts(*a); });
    alerts->add_option("DB", a->db, kDatabaseHelp)->required();
    alerts->add_option("--group", a->name, "the group's name (\"Toutes les entités\" for all)")->required();
    alerts->add_option("--through", a->through, "the last month counted, AAAA-MM")->required();
    alerts->add_option("--year", a->year, "N or N+1; the year that holds the month by default")
        ->check(CLI::IsMember({"N", "N+1"}));
    alerts->add_option("--basis", a->basis, "the budget of each entity: working, validated or landing")
        ->check(CLI::IsMember({"working", "validated", "landing"}));
}

}  // namespace ondrel
