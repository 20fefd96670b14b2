// The commands on what was actually spent: import an entity's FEC, keep its seasonal
// profiles.
#include <fstream>
#include <iostream>

#include "account/account_number.h"
#include "actuals/actuals.h"
#include "actuals/profiles.h"
#include "admin/command_line.h"
#include "admin/opening.h"
#include "entity/code_padding.h"
#include "screen/utf8_text.h"
#include "sheets/percentage.h"

namespace ondrel {
namespace {

struct Arguments {
    std::string db, input, entity, name, shares, fromActuals, accounts = "6";
};

void importFec(const Arguments& a) {
    std::ifstream in(a.input, std::ios::binary);
    if (!in)
        throw Failure("cannot read " + a.input);
    const ActualsImport report =
        importActuals(*openExisting(a.db, Database::Access::ReadWrite), padCode(a.entity), in);
    for (const auto& fault : report.faults)
        std::cerr << "ondrel-admin: " << fault << "\n";
    if (!report.faults.empty())
        throw Failure("le réalisé n'a pas été importé ; rien n'a été écrit");
    std::cout << report.postings << " ligne(s) d'écriture lue(s), dont " << report.counted << " de classe 6 ou 7";
    for (const auto& [year, accounts] : report.accountsByYear)
        std::cout << " ; exercice " << year << " remplacé : " << accounts << " compte(s)";
    std::cout << "\n";
}

// The profile the arguments describe: its shares as given, or those of the charges
// actually spent on the accounts named.
Profile describedProfile(Database& db, const std::string& entity, const Arguments& a) {
    std::optional<Profile> profile;
    std::string why;
    if (!a.fromActuals.empty()) {
        if (a.accounts.empty() || !allDigits(a.accounts) || a.accounts.size() > kAccountLength)
            throw Failure("--accounts takes the first digits of the accounts, 1 to 10 of them: 6, 64, 6064…");
        profile = profileFromActuals(db, entity, a.fromActuals, a.name, a.accounts);
        why = "l'entité n'a aucune charge réalisée en " + a.fromActuals + " sur les comptes " + a.accounts + "…";
    } else {
        profile = parseProfile(a.name, a.shares, why);
    }
    if (!profile)
        throw Failure("le profil n'a pas été enregistré : " + why);
    return *profile;
}

void makeProfile(const Arguments& a) {
    const std::string entity = padCode(a.entity);
    auto db = openExisting(a.db, Database::Access::ReadWrite);
    if (!db->read("ASSOCIATION", entity))
        throw Failure("l'entité " + entity + " n'existe pas");
    const Profile profile = describedProfile(*db, entity, a);
    saveProfile(*db, entity, profile);
    std::cout << "profil « " << profile.name << " » de l'entité " << entity << " :";
    for (std::int64_t s : profile.shares)
        std::cout << " " << percentageText(s);
    std::cout << "\n";
}

}  // namespace

void addActualsCommands(CLI::App& tool, Command& chosen) {
    auto a = std::make_shared<Arguments>();

    auto* importActualsCommand = subcommand(
        tool, chosen, "import-actuals",
        "import an entity's actuals from its FEC; replaces each fiscal year it covers, all or nothing",
        [a] { importFec(*a); });
    importActualsCommand->add_option("DB", a->db, kDatabaseHelp)->required();
    importActualsCommand->add_option("FILE", a->input, "FEC file (tab or | separated, UTF-8 or ISO 8859-15)")->required();
    importActualsCommand->add_option("--entity", a->entity, "entity code")->required();

    auto* profile = subcommand(tool, chosen, "profile", "keep a seasonal profile of an entity: the share of each period",
                               [a] { makeProfile(*a); });
    profile->add_option("DB", a->db, kDatabaseHelp)->required();
    profile->add_option("--entity", a->entity, "entity code")->required();
    profile->add_option("--name", a->name, "the profile's name")->required();
    auto* shares =
        profile->add_option("--shares", a->shares, "the shares of the periods, \"8,5;8,5;…\", adding up to 100");
    profile->add_option("--from-actuals", a->fromActuals, "made from the charges actually spent in N or N+1")
        ->check(CLI::IsMember({"N", "N+1"}))
        ->excludes(shares);
    profile->add_option("--accounts", a->accounts,
                        "with --from-actuals, the accounts that begin with these digits: one account (6064), a class "
                        "(64); all charges (6) by default");
}

}  // namespace ondrel
