#include "admin/demo_data.h"

#include <utility>
#include <vector>

#include "admin/suite_database.h"

namespace ondrel {

namespace {

using Fields = std::vector<std::vector<std::string>>;

struct Labelled {
    const char* code;
    const char* label;
};

// Classes, sub-classes and the main sub-sub-classes of the general chart of accounts.
const Labelled kClasses[] = {{"6", "Comptes de charges"}, {"7", "Comptes de produits"}};

const Labelled kSubClasses[] = {
    {"60", "Achats (sauf 603)"},
    {"61", "Services extérieurs"},
    {"62", "Autres services extérieurs"},
    {"63", "Impôts, taxes et versements assimilés"},
    {"64", "Charges de personnel"},
    {"65", "Autres charges de gestion courante"},
    {"66", "Charges financières"},
    {"67", "Charges exceptionnelles"},
    {"68", "Dotations aux amortissements, dépréciations et provisions"},
    {"69", "Participation des salariés, impôts sur les bénéfices"},
    {"70", "Ventes de produits fabriqués, prestations de services"},
    {"71", "Production stockée (ou déstockage)"},
    {"72", "Production immobilisée"},
    {"74", "Subventions d'exploitation"},
    {"75", "Autres produits de gestion courante"},
    {"76", "Produits financiers"},
    {"77", "Produits exceptionnels"},
    {"78", "Reprises sur amortissements, dépréciations et provisions"},
};

const Labelled kSubSubClasses[] = {
    {"601", "Achats stockés - Matières premières"},
    {"602", "Achats stockés - Autres approvisionnements"},
    {"604", "Achats d'études et prestations de services"},
    {"606", "Achats non stockés de matière et fournitures"},
    {"607", "Achats de marchandises"},
    {"611", "Sous-traitance générale"},
    {"613", "Locations"},
    {"614", "Charges locatives et de copropriété"},
    {"615", "Entretien et réparations"},
    {"616", "Primes d'assurances"},
    {"618", "Divers"},
    {"621", "Personnel extérieur à l'entreprise"},
    {"622", "Rémunérations d'intermédiaires et honoraires"},
    {"623", "Publicité, publications, relations publiques"},
    {"624", "Transports de biens et transports collectifs du personnel"},
    {"625", "Déplacements, missions et réceptions"},
    {"626", "Frais postaux et de télécommunications"},
    {"627", "Services bancaires et assimilés"},
    {"631", "Impôts, taxes sur rémunérations (administration des impôts)"},
    {"635", "Autres impôts, taxes (administration des impôts)"},
    {"641", "Rémunérations du personnel"},
    {"645", "Charges de sécurité sociale et de prévoyance"},
    {"647", "Autres charges sociales"},
    {"651", "Redevances pour concessions, brevets, licences"},
    {"661", "Charges d'intérêts"},
    {"671", "Charges exceptionnelles sur opérations de gestion"},
    {"681", "Dotations - Charges d'exploitation"},
    {"701", "Ventes de produits finis"},
    {"706", "Prestations de services"},
    {"707", "Ventes de marchandises"},
    {"708", "Produits des activités annexes"},
    {"741", "Subventions d'exploitation de l'État"},
    {"751", "Redevances pour concessions, brevets, licences"},
    {"756", "Cotisations"},
    {"758", "Produits divers de gestion courante"},
    {"761", "Produits de participations"},
    {"768", "Autres produits financiers"},
    {"771", "Produits exceptionnels sur opérations de gestion"},
};

// The detailed accounts of every entity's chart.
const Labelled kChart[] = {
    {"6011000000", "Matières premières"},
    {"6022000000", "Fournitures consommables"},
    {"6040000000", "Achats d'études et prestations"},
    {"6061000000", "Fournitures non stockables (eau, énergie)"},
    {"6061100000", "Électricité"},
    {"6061200000", "Gaz"},
    {"6063000000", "Fournitures d'entretien et de petit équipement"},
    {"6064000000", "Fournitures administratives"},
    {"6068000000", "Autres matières et fournitures"},
    {"6070000000", "Achats de marchandises"},
    {"6110000000", "Sous-traitance générale"},
    {"6132000000", "Locations immobilières"},
    {"6135000000", "Locations mobilières"},
    {"6140000000", "Charges locatives et de copropriété"},
    {"6152000000", "Entretien et réparations sur biens immobiliers"},
    {"6155000000", "Entretien et réparations sur biens mobiliers"},
    {"6160000000", "Primes d'assurances"},
    {"6181000000", "Documentation générale"},
    {"6185000000", "Frais de colloques, séminaires, conférences"},
    {"6211000000", "Personnel intérimaire"},
    {"6226000000", "Honoraires"},
    {"6231000000", "Annonces et insertions"},
    {"6241000000", "Transports sur achats"},
    {"6251000000", "Voyages et déplacements"},
    {"6256000000", "Missions"},
    {"6257000000", "Réceptions"},
    {"6261000000", "Frais postaux"},
    {"6262000000", "Frais de télécommunications"},
    {"6270000000", "Services bancaires et assimilés"},
    {"6311000000", "Taxe sur les salaires"},
    {"6411000000", "Salaires, appointements"},
    {"6413000000", "Primes et gratifications"},
    {"6451000000", "Cotisations à l'URSSAF"},
    {"6453000000", "Cotisations aux caisses de retraite et de prévoyance complémentaires"},
    {"6611000000", "Intérêts des emprunts et dettes"},
    {"6811000000", "Dotations aux amortissements sur immobilisations"},
    {"7060000000", "Prestations de services"},
    {"7080000000", "Produits des activités annexes"},
    {"7410000000", "Subventions d'exploitation de l'État"},
    {"7560000000", "Cotisations des adhérents"},
    {"7680000000", "Autres produits financiers"},
};

const Labelled kSections[] = {
    {"S01", "Direction générale"},
    {"S02", "Administration et finances"},
    {"S03", "Atelier de production et de maintenance industrielle"},
    {"S04", "Ventes"},
    {"S05", "Formation"},
    {"S06", "Action sociale"},
};

struct Entity {
    const char* code;
    const char* name;
    const char* dates[4];   // start and end of year N, then of year N+1
};

const Entity kEntities[] = {
    {"001", "Association des Amis du Livre", {"2027-01-01", "2027-12-31", "2028-01-01", "2028-12-31"}},
    {"002", "Comité des Fêtes de Saint-Aubin", {"2026-09-01", "2027-08-31", "2027-09-01", "2028-08-31"}},
    {"003", "Fondation Éducation et Avenir", {"2026-10-01", "2027-12-31", "2028-01-01", "2028-12-31"}},
};

struct Key {
    const char* key;
    const char* label;
    std::vector<std::string> sections, shareN, shareN1;
};

const Key kKeys[] = {
    {"001001", "Répartition égale", {"S01", "S02", "S03"}, {"3334", "3333", "3333"}, {"4000", "3000", "3000"}},
    {"001002", "Siège uniquement", {"S01", "S02"}, {"6000", "4000"}, {}},
    {"001003", "Ancienne clé (section retirée)", {"S04", "S09"}, {"5000", "5000"}, {"5000", "5000"}},
    {"003001", "Toutes sections", {"S01", "S02", "S03", "S04", "S05", "S06"},
     {"2000", "2000", "1500", "1500", "1500", "1500"}, {"2000", "2000", "1500", "1500", "1500", "1500"}},
    {"003002", "Formation et action sociale", {"S05", "S06"}, {"7000", "3000"}, {"6000", "4000"}},
};

struct Line {
    const char* key;
    const char* label;
    std::vector<std::string> periods, amounts;
    const char* breakdown;
};

const Line kLines[] = {
    {"N00016064000000", "Fournitures administratives",
     {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"},
     {"10000", "10000", "10000", "10000", "10000", "10000", "10000", "10000", "10000", "10000", "10000", "10000"},
     "001"},
    {"N00016130000000", "Locations", {"0", "6"}, {"120000", "35050"}, "002"},
    {"N10016064000000", "Fournitures administratives", {"0"}, {"150000"}, "001"},
    {"N00037060000000", "Prestations de services", {"0", "3", "12", "14"}, {"250000", "250000", "250000", "250000"},
     "001"},
};

// The group, in year N+1: the fee that the foundation pays to the association's
// network and the association's side of it, a flow between them.
const Labelled kGroupChart[] = {{"0016281000000", "Cotisations liées à l'activité"},
                                {"0036281000000", "Cotisations liées à l'activité"}};

const Line kGroupLines[] = {
    {"N10017560000000", "Cotisations", {"0"}, {"60000"}, "001"},
    {"N10036281000000", "Cotisations liées à l'activité", {"0"}, {"60000"}, "001"},
};

void put(Database& db, const std::string& file, const std::string& key, Fields fields) {
    db.write(file, db.makeRecord(file, key, std::move(fields)));
}

}  // namespace

void writeDemoData(Database& db, const std::string& owner) {
    db.inOneTransaction([&] {
        createSuiteFiles(db);
        for (const auto& e : kEntities) {
            put(db, "ASSOCIATION", e.code, {{e.name}});
            put(db, "PARAMENTITECOMPTA", e.code, {{e.dates[0]}, {e.dates[1]}, {e.dates[2]}, {e.dates[3]}});
        }
        for (const auto& c : kClasses)
            put(db, "CLASSE", c.code, {{c.label}});
        for (const auto& c : kSubClasses)
            put(db, "SCLASSE", c.code, {{c.label}});
        for (const auto& c : kSubSubClasses)
            put(db, "SSCLASSE", c.code, {{c.label}});
        for (const auto& e : kEntities)
            for (const auto& a : kChart)
                put(db, "PLANCOMPTABLE", std::string(e.code) + a.code, {{a.label}});
        std::vector<std::string> codes, labels;
        for (const auto& s : kSections) {
            codes.push_back(s.code);
            labels.push_back(s.label);
        }
        put(db, "TABLES", "SECTANAL", {{"Sections analytiques"}, codes, labels});
        for (const auto& k : kKeys)
            put(db, "BUDGETCLES", k.key, {{k.label}, k.sections, k.shareN, k.shareN1});
        for (const auto& l : kLines)
            put(db, "BUDGET", l.key, {{l.label}, l.periods, l.amounts, {l.breakdown}});
        // Its creator may try the whole cycle: budget, then validate and revise.
        db.setAccessLevel(owner, "ONDREL", 2);
        db.setAccessLevel(owner, "ONDREL_VALIDATION", 1);
        db.setAccessLevel("lecteur", "ONDREL", 0);
    });
}

void writeDemoGroup(Database& db) {
    db.inOneTransaction([&] {
        for (const auto& a : kGroupChart)
            put(db, "PLANCOMPTABLE", a.code, {{a.label}});
        for (const auto& l : kGroupLines)
            put(db, "BUDGET", l.key, {{l.label}, l.periods, l.amounts, {l.breakdown}});
        db.createFile("GROUPES");
        put(db, "GROUPES", "Réseau du Livre",
            {{"Réseau du Livre"}, {"001", "003"}, {"Cotisation au réseau"}, {"6281000000"}, {"7560000000"}});
    });
}

}  // namespace ondrel
