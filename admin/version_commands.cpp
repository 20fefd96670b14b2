// The commands of the budget cycle: versions of a year, their validation and revision,
// their comparison, the landing forecast.
#include <fstream>
#include <iostream>

#include "admin/command_line.h"
#include "admin/opening.h"
#include "budget/budget_key.h"
#include "platform/rights.h"
#include "sheets/comparison.h"
#include "versions/landing.h"
#include "versions/validation.h"
#include "versions/version_comparison.h"

namespace ondrel {
namespace {

struct Arguments {
    std::string db, entity, year, name, with, through, remainder = "budget", output;
    bool negativeRemainder = false;
};

void saveCommand(const Arguments& a) {
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    const Version v = saveVersion(*db, a.entity, a.year, a.name);
    std::cout << "version « " << v.name << " » enregistrée (" << v.key << ")\n";
}

void listCommand(const Arguments& a) {
    auto db = openExisting(a.db);
    readBudgetSheet(*db, a.entity, a.year);   // the entity and its year, checked
    const auto versions = listVersions(*db, a.entity, a.year);
    if (versions.empty())
        std::cout << "aucune version\n";
    for (const auto& v : versions)
        std::cout << v.key << "  " << versionCaption(v) << "  enregistrée le " << v.savedAt << " par " << v.savedBy
                  << (v.locksYear ? "  [verrouille l'exercice]" : "")
                  << (v.description.empty() ? "" : "  — " + v.description) << "\n";
}

void validateCommand(const Arguments& a) {
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    const Version v = validateVersion(*db, *storedRights(db, db->user()), a.entity, a.year, a.name);
    std::cout << "version « " << v.name << " » validée ; le budget de l'exercice " << a.year << " de l'entité "
              << a.entity << " est verrouillé\n";
}

void reviseCommand(const Arguments& a) {
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    reviseYear(*db, *storedRights(db, db->user()), a.entity, a.year);
    std::cout << "révision ouverte : le budget de l'exercice " << a.year << " de l'entité " << a.entity
              << " se modifie de nouveau\n";
}

void deleteCommand(const Arguments& a) {
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    deleteVersion(*db, a.entity, a.year, a.name);
    std::cout << "version « " << a.name << " » supprimée\n";
}

void compareCommand(const Arguments& a) {
    auto db = openExisting(a.db);
    const auto comparison = compareSheets(*db, budgetName(a.name), budgetNamed(*db, a.entity, a.year, a.name),
                                          budgetName(a.with), budgetNamed(*db, a.entity, a.year, a.with));
    if (a.output.empty()) {
        writeComparisonCsv(comparison, std::cout);
    } else if (a.output.ends_with(".xlsx")) {
        writeComparisonXlsx(comparison, a.output);
    } else {
        std::ofstream out(a.output, std::ios::binary);
        writeComparisonCsv(comparison, out);
        if (!out.flush())
            throw Failure("impossible d'écrire " + a.output);
    }
}

Remainder remainderOf(const Arguments& a) {
    Remainder r;
    r.negativeAllowed = a.negativeRemainder;
    if (a.remainder == "even")
        r.kind = Remainder::Kind::Even;
    else if (a.remainder.starts_with("profile:"))
        r = {Remainder::Kind::Profile, a.remainder.substr(8), a.negativeRemainder};
    else if (a.remainder != "budget")
        throw Failure("--remainder is budget, even or profile:NAME");
    return r;
}

// The landing against the validated version, or the working budget while none is.
void forecastCommand(const Arguments& a) {
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    const Version landing = saveLanding(*db, a.entity, a.year, a.through, remainderOf(a), a.name);
    std::optional<Version> voted;
    for (const auto& v : listVersions(*db, a.entity, a.year))
        if (v.validated)
            voted = v;
    const BudgetSheet budget = voted ? readVersion(*db, a.entity, a.year, *voted) : readBudgetSheet(*db, a.entity, a.year);
    const auto c = compareSheets(*db, voted ? voted->name : budgetName(""), budget, landing.name,
                                 readVersion(*db, a.entity, a.year, landing));
    std::cout << "atterrissage « " << landing.name << " » enregistré (" << landing.key << ") : " << landing.description
              << "\n";
    std::cout << "comparé à « " << c.leftName << " » :\n";
    for (const auto* row : {&c.charges, &c.produits, &c.result})
        std::cout << "  " << row->label << " : " << formatAmount(row->leftTotal) << " → " << formatAmount(row->rightTotal)
                  << " (écart " << formatAmount(variance(row->leftTotal, row->rightTotal)) << ")\n";
}

void addYearOptions(CLI::App* command, Arguments& a) {
    command->add_option("DB", a.db, kDatabaseHelp)->required();
    command->add_option("--entity", a.entity, "entity code")->required();
    command->add_option("--year", a.year, "N or N+1")->required()->check(CLI::IsMember({"N", "N+1"}));
}

}  // namespace

void addVersionCommands(CLI::App& tool, Command& chosen) {
    auto a = std::make_shared<Arguments>();
    auto* version = tool.add_subcommand("version", "the versions of an entity's year: save, list, validate, revise, "
                                                   "delete, compare");
    version->require_subcommand(1);
    const auto run = [a](void (*command)(const Arguments&)) { return [a, command] { command(*a); }; };

    auto* save = subcommand(*version, chosen, "save", "save the working budget of the year as a named version",
                            run(saveCommand));
    addYearOptions(save, *a);
    save->add_option("--name", a->name, "the version's name")->required();

    addYearOptions(subcommand(*version, chosen, "list", "list the versions of the year", run(listCommand)), *a);

    auto* validate = subcommand(*version, chosen, "validate",
                                "validate a version (saving the working budget under that name if it is new) and "
                                "lock the year; needs the ONDREL_VALIDATION right",
                                run(validateCommand));
    addYearOptions(validate, *a);
    validate->add_option("--name", a->name, "the version's name")->required();

    addYearOptions(subcommand(*version, chosen, "revise",
                              "open the revision of a validated year: the lock lifts, the version stays frozen",
                              run(reviseCommand)),
                   *a);

    auto* remove = subcommand(*version, chosen, "delete", "delete a version that is not validated", run(deleteCommand));
    addYearOptions(remove, *a);
    remove->add_option("--name", a->name, "the version's name")->required();

    auto* compare = subcommand(*version, chosen, "compare",
                               "compare two budgets of the year as CSV: --name (the left side) with --with (the "
                               "right); either left out is the working budget",
                               run(compareCommand));
    addYearOptions(compare, *a);
    compare->add_option("--name", a->name, "the left side's version");
    compare->add_option("--with", a->with, "the right side's version");
    compare->add_option("--output", a->output, "write to this file (.csv or .xlsx) instead of the standard output");

    auto* forecast = subcommand(tool, chosen, "forecast",
                                "save a landing forecast: the actuals up to a month, then the budget or its remainder",
                                run(forecastCommand));
    addYearOptions(forecast, *a);
    forecast->add_option("--through", a->through, "the last month of actuals, AAAA-MM")->required();
    forecast->add_option("--remainder", a->remainder,
                         "after that month: budget (as it stands), even (the remainder spread evenly) or "
                         "profile:NAME (the remainder by that profile's shares)");
    forecast->add_flag("--negative-remainder", a->negativeRemainder,
                       "keep a remainder below zero (a budget already overrun) instead of zero");
    forecast->add_option("--name", a->name, "the landing's name")->required();
}

}  // namespace ondrel
