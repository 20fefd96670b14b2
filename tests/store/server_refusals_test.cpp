#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include <pqxx/pqxx>

#include <unistd.h>

#include "data/text_fold.h"
#include "store/server_rules.h"
#include "store/store_error.h"
#include "tests/store/temp_database.h"

namespace ondrel {

namespace {

using Field = std::optional<std::string>;

// A write as a budgeter's psql session may send it: the search texts are the texts
// folded as the data service folds them, unless a case forges them.
struct Write {
    std::string file, key;
    std::vector<Field> fields;
    std::optional<std::string> keyFold = {};
    std::optional<std::string> firstFieldFold = {};
};

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& p : parts) {
        if (!text.empty())
            text += '\x1e';
        text += p;
    }
    return text;
}

std::string months(int count, const std::string& each) {
    return joined(std::vector<std::string>(static_cast<std::size_t>(count), each));
}

const std::string kTwelve = joined({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"});

// A text as an SQL literal.
std::string literal(pqxx::transaction_base& tx, const std::string& text) {
    std::string sql = "'";
    sql += tx.esc(text);
    sql += '\'';
    return sql;
}

// An SQL array of items already written as SQL: "ARRAY['a',NULL]".
std::string sqlArray(const std::vector<std::string>& items) {
    std::string sql = "ARRAY[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i)
            sql += ',';
        sql += items[i];
    }
    sql += ']';
    return sql;
}

// The server's refusal, as the person reads it.
std::string refusalIn(const pqxx::sql_error& e) {
    std::string message = e.what();
    if (const auto at = message.find("ERROR:  "); at != std::string::npos)
        message = message.substr(at + 8);
    return message.substr(0, message.find('\n'));
}

// One call of the write function, as SQL.
std::string writeCall(pqxx::transaction_base& tx, const std::vector<Write>& writes) {
    std::size_t width = 0;
    for (const auto& w : writes)
        width = std::max(width, w.fields.size());
    std::vector<std::string> files, keys, keyFolds, seen, wholes, folds;
    for (const auto& w : writes) {
        files.push_back(literal(tx, w.file));
        keys.push_back(literal(tx, w.key));
        keyFolds.push_back(literal(tx, w.keyFold.value_or(foldCase(w.key))));
        seen.push_back("-1");
        std::vector<std::string> whole, fold;
        for (std::size_t f = 0; f < width; ++f) {
            const Field value = f < w.fields.size() ? w.fields[f] : std::nullopt;
            whole.push_back(value ? literal(tx, *value) : "NULL");
            fold.push_back(!value ? "NULL" : literal(tx, f == 0 && w.firstFieldFold ? *w.firstFieldFold : foldCase(*value)));
        }
        wholes.push_back(sqlArray(whole));
        folds.push_back(sqlArray(fold));
    }
    std::string call = "SELECT ondrel_write(";
    for (const auto& texts : {files, keys, keyFolds})
        call.append(sqlArray(texts)).append("::text[], ");
    call.append(sqlArray(seen)).append("::bigint[], ");
    call.append(sqlArray(wholes)).append("::text[], ").append(sqlArray(folds)).append("::text[])");
    return call;
}

// One call of the write function on the budgeter's connection: the server's refusal,
// or nothing when everything was written.
std::string refusalOf(pqxx::connection& c, const std::vector<Write>& writes) {
    pqxx::work tx(c);
    try {
        tx.exec(writeCall(tx, writes));
        tx.commit();
    } catch (const pqxx::sql_error& e) {
        return refusalIn(e);
    }
    return {};
}

struct Case {
    const char* what;
    std::vector<Write> writes;
    std::string refusal;
};

const std::string kLine = "N00016064000000";

std::vector<Case> cases() {
    const std::vector<Field> good = {"Fournitures", kTwelve, months(12, "10000"), "001"};
    const auto with = [&](std::size_t at, Field value) {
        auto fields = good;
        if (at >= fields.size())
            fields.resize(at + 1);
        fields[at] = std::move(value);
        return fields;
    };
    const std::string versionLine = "N0001.0016064000000";
    const std::vector<Field> goodVersionLine = {"Fournitures", joined({"0", "1"}), joined({"-500", "1200"}), "001", "Prudence"};
    return {
        {"a line the screen writes", {{"BUDGET", kLine, good}}, ""},
        {"a key that is not a line's", {{"BUDGET", "N0001606400000", good}},
         "« N0001606400000 » n'est pas la clé d'une ligne de budget : rien n'a été enregistré."},
        {"an entity that does not exist", {{"BUDGET", "N09996064000000", good}}, "L'entité 999 n'existe pas : rien n'a été enregistré."},
        {"a field the screen does not write", {{"BUDGET", kLine, with(5, "de trop")}},
         "La ligne N00016064000000 a un champ que l'écran n'écrit pas : rien n'a été enregistré."},
        {"no label", {{"BUDGET", kLine, with(0, std::nullopt)}}, "Le libellé du compte est obligatoire."},
        {"a label too long", {{"BUDGET", kLine, with(0, std::string(41, 'x'))}},
         "Le libellé d'une ligne de budget tient en 40 caractères, sans caractère de contrôle : rien n'a été enregistré."},
        {"a label too long comes before an unknown key", {{"BUDGET", kLine, {std::string(41, 'x'), "0", "100", "999"}}},
         "Le libellé d'une ligne de budget tient en 40 caractères, sans caractère de contrôle : rien n'a été enregistré."},
        {"more months than amounts", {{"BUDGET", kLine, with(2, "100")}},
         "La somme des répartitions doit ètre égale au montant à budgéter."},
        {"a negative amount", {{"BUDGET", kLine, {"Fournitures", "0", "-5", "001"}}},
         "Un montant de la répartition n'est pas un montant positif de neuf chiffres au plus avant la virgule : "
         "rien n'a été enregistré."},
        {"an amount of ten digits before the comma", {{"BUDGET", kLine, {"Fournitures", "0", "100000000000", "001"}}},
         "Un montant de la répartition n'est pas un montant positif de neuf chiffres au plus avant la virgule : "
         "rien n'a été enregistré."},
        {"no distribution key", {{"BUDGET", kLine, with(3, std::nullopt)}}, "Il est obligatoire de spécifier une clé de répartition."},
        {"an unknown distribution key", {{"BUDGET", kLine, with(3, "999")}},
         "La clé de répartition « 999 » n'existe pas pour l'entité 001 : rien n'a été enregistré."},
        {"a month past the year", {{"BUDGET", kLine, {"Fournitures", joined({"0", "12"}), joined({"1", "2"}), "001"}}},
         "La période « 12 » n'est pas une période de l'exercice, dans l'ordre : rien n'a été enregistré."},
        {"months out of order", {{"BUDGET", kLine, {"Fournitures", joined({"3", "1"}), joined({"1", "2"}), "001"}}},
         "La période « 1 » n'est pas une période de l'exercice, dans l'ordre : rien n'a été enregistré."},
        {"a month twice", {{"BUDGET", kLine, {"Fournitures", joined({"3", "3"}), joined({"1", "2"}), "001"}}},
         "La période « 3 » n'est pas une période de l'exercice, dans l'ordre : rien n'a été enregistré."},
        {"a month that is no number", {{"BUDGET", kLine, {"Fournitures", joined({"0", "x"}), joined({"1", "2"}), "001"}}},
         "La période « x » n'est pas une période de l'exercice, dans l'ordre : rien n'a été enregistré."},
        {"a month written with a leading zero", {{"BUDGET", kLine, {"Fournitures", "011", "1", "001"}}},
         "La période « 011 » n'est pas une période de l'exercice, dans l'ordre : rien n'a été enregistré."},
        {"an amount written with leading zeros", {{"BUDGET", kLine, {"Fournitures", "0", "00000000001", "001"}}},
         "Un montant de la répartition n'est pas un montant positif de neuf chiffres au plus avant la virgule : "
         "rien n'a été enregistré."},
        {"a total past what an amount zone holds", {{"BUDGET", kLine, {"Fournitures", kTwelve, months(12, "99999999999"), "001"}}},
         "Le total de la ligne dépasse 999 999 999,99, ce que l'écran, les exports et le rapport tiennent au plus : "
         "rien n'a été enregistré."},
        {"a new line on an account not in the entity's chart", {{"BUDGET", "N00016065000000", good}},
         "Ce compte n'est ni au plan comptable de l'entité ni un compte de regroupement."},
        {"a new line on a class that does not exist", {{"BUDGET", "N00016990000000", good}},
         "Ce compte n'est ni au plan comptable de l'entité ni un compte de regroupement."},
        {"a year without dates", {{"BUDGET", "N10016064000000", good}},
         "L'exercice N+1 de l'entité 001 n'a pas de dates valides : rien n'a été enregistré."},
        {"the first line refused in the call's order",
         {{"BUDGET", "N00016064000001", good},
          {"BUDGET", "N00016064000002", {"Fournitures", joined({"0", "12"}), joined({"1", "2"}), "001"}},
          {"BUDGET", "N00016064000003", with(0, std::nullopt)}},
         "La période « 12 » n'est pas une période de l'exercice, dans l'ordre : rien n'a été enregistré."},
        {"a forged search text of a key", {{"BUDGET", kLine, good, "loyer"}},
         "Le texte de recherche de l'enregistrement « N00016064000000 » n'est pas le sien : rien n'a été enregistré."},
        {"a forged search text of a field", {{"BUDGET", kLine, good, {}, "loyer"}},
         "Le texte de recherche de l'enregistrement « N00016064000000 » n'est pas le sien : rien n'a été enregistré."},

        {"actuals of either sign", {{"REALISE", kLine, {joined({"0", "1"}), joined({"-100", "250"})}}}, ""},
        {"actuals under a key that is not an account's", {{"REALISE", "N0001", {"0", "1"}}},
         "« N0001 » n'est pas la clé du réalisé d'un compte : rien n'a été enregistré."},
        {"actuals with a comma", {{"REALISE", kLine, {"0", "1,5"}}},
         "Le réalisé N00016064000000 n'est pas une suite de montants d'au plus neuf chiffres avant la virgule : "
         "rien n'a été enregistré."},
        {"actuals past the year", {{"REALISE", kLine, {"12", "100"}}},
         "La période « 12 » n'est pas une période de l'exercice, dans l'ordre : rien n'a été enregistré."},

        {"a profile of the whole year", {{"PROFILS", "001Saison", {"Saison", joined({"6000", "4000"})}}}, ""},
        {"a profile short of the year", {{"PROFILS", "001Saison", {"Saison", joined({"6000", "3000"})}}},
         "Les parts du profil « Saison » ne font pas 100 % de l'année : rien n'a été enregistré."},
        {"a profile named apart from its key", {{"PROFILS", "001Saison", {"Hiver", "10000"}}},
         "« 001Saison » n'est pas la clé d'un profil : rien n'a été enregistré."},
        {"a profile of an unknown entity", {{"PROFILS", "999Saison", {"Saison", "10000"}}},
         "L'entité 999 n'existe pas : rien n'a été enregistré."},

        {"a note", {{"NOTES", kLine, {"Hausse des loyers"}}}, ""},
        {"an empty note", {{"NOTES", kLine, {std::nullopt}}},
         "« N00016064000000 » n'est pas la note d'une ligne de budget : rien n'a été enregistré."},
        {"a note with a tab", {{"NOTES", kLine, {"Hausse\tdes loyers"}}}, noteFault()},

        {"a version", {{"VERSIONS", "N0001.001", {"Budget primitif", "budget", std::nullopt, "lea"}}}, ""},
        {"a version of no kind", {{"VERSIONS", "N0001.001", {"Budget primitif", "brouillon"}}},
         "« N0001.001 » n'est pas une version d'un budget : rien n'a été enregistré."},
        {"a version validated by a budgeter", {{"VERSIONS", "N0001.002", {"Budget primitif", "budget", "validée"}}},
         noValidationRight()},
        {"a version of version 000", {{"VERSIONS", "N0001.000", {"Prudence", "budget"}}},
         "« N0001.000 » n'est pas une version d'un budget : rien n'a été enregistré."},
        {"a version named as another", {{"VERSIONS", "N0001.004", {"BUDGET PRIMITIF", "budget"}}},
         "Une autre version de l'exercice porte déjà le nom « BUDGET PRIMITIF » : rien n'a été enregistré."},
        {"a version and its lines", {{"VERSIONS", "N0001.003", {"Prudence", "budget"}}, {"VERSIONLIGNES", "N0001.0036064000000", goodVersionLine}},
         ""},
        {"a line into a version another transaction made", {{"VERSIONLIGNES", versionLine, goodVersionLine}},
         "« N0001.0016064000000 » n'est pas une ligne d'une version que ce poste enregistre : rien n'a été enregistré."},
        {"a line under a version to come", {{"VERSIONLIGNES", "N0001.0096064000000", goodVersionLine}},
         "« N0001.0096064000000 » n'est pas une ligne d'une version que ce poste enregistre : rien n'a été enregistré."},
        {"a line of a version with a label too long", {{"VERSIONLIGNES", versionLine, {std::string(41, 'x'), "0", "1"}}},
         "« N0001.0016064000000 » n'est pas une ligne de version : rien n'a été enregistré."},
        {"a line of a version with a bad note", {{"VERSIONLIGNES", versionLine, {"Fournitures", "0", "1", "001", "a\x01"}}},
         noteFault()},
        {"a line of a version past the year", {{"VERSIONLIGNES", versionLine, {"Fournitures", "12", "1", "001"}}},
         "La période « 12 » n'est pas une période de l'exercice, dans l'ordre : rien n'a été enregistré."},
        {"a lock by a budgeter", {{"VERROUS", "N0001", {"N0001.001", "Budget primitif"}}},
         "Vos droits sur la base ne permettent pas d'écrire dans le fichier VERROUS : rien n'a été enregistré."},

        {"a group with a flow and thresholds",
         {{"GROUPES", "Réseau", {"Réseau", "001", "Cotisation", "6281000000", "7560000000", joined({"8000", "9500"})}}}, ""},
        {"a group named apart from its key", {{"GROUPES", "Réseau", {"Nord", "001"}}},
         "« Réseau » n'est pas un groupe d'entités : rien n'a été enregistré."},
        {"a group of an unknown entity", {{"GROUPES", "Réseau", {"Réseau", joined({"001", "999"})}}},
         "Les entités du groupe « Réseau » ne sont pas des entités de la base, chacune une fois : rien n'a été enregistré."},
        {"a group naming an entity twice", {{"GROUPES", "Réseau", {"Réseau", joined({"001", "001"})}}},
         "Les entités du groupe « Réseau » ne sont pas des entités de la base, chacune une fois : rien n'a été enregistré."},
        {"a group of two flows",
         {{"GROUPES", "Réseau", {"Réseau", "001", joined({"Cotisation", "Loyer"}), joined({"6281000000", "6132000000"}),
                                 joined({"7560000000", "7520000000"})}}}, ""},
        {"a flow whose account hides a second one behind a look-alike of the separator",
         {{"GROUPES", "Réseau", {"Réseau", "001", "x", "6281000000\u01e6282000000", "7560000000\u01e7560000000"}}},
         "Les flux du groupe « Réseau » ne vont pas chacun d'un compte de charges à un compte de produits : rien n'a été enregistré."},
        {"a group of an empty list of entities", {{"GROUPES", "Réseau", {"Réseau", ""}}},
         "Les entités du groupe « Réseau » ne sont pas des entités de la base, chacune une fois : rien n'a été enregistré."},
        {"a group of no entity", {{"GROUPES", "Réseau", {"Réseau"}}},
         "Les entités du groupe « Réseau » ne sont pas des entités de la base, chacune une fois : rien n'a été enregistré."},
        {"the group of all entities made of some", {{"GROUPES", "Toutes les entités", {"Toutes les entités", "001"}}},
         "Les entités du groupe « Toutes les entités » ne sont pas des entités de la base, chacune une fois : rien n'a été enregistré."},
        {"a flow from a produit", {{"GROUPES", "Réseau", {"Réseau", "001", "Cotisation", "7060000000", "7560000000"}}},
         "Les flux du groupe « Réseau » ne vont pas chacun d'un compte de charges à un compte de produits : rien n'a été enregistré."},
        {"a flow without its produit", {{"GROUPES", "Réseau", {"Réseau", "001", "Cotisation", "6281000000"}}},
         "Les flux du groupe « Réseau » ne vont pas chacun d'un compte de charges à un compte de produits : rien n'a été enregistré."},
        {"group thresholds out of order",
         {{"GROUPES", "Réseau", {"Réseau", "001", std::nullopt, std::nullopt, std::nullopt, joined({"9500", "9000"})}}},
         "Les seuils du groupe « Réseau » ne vont pas de 0 % à 1 000 %, la vigilance avant le dépassement : rien n'a été enregistré."},
        {"thresholds of a line", {{"SEUILS", "0016064", {joined({"8000", "9500"})}}}, ""},
        {"thresholds past 1000 %", {{"SEUILS", "001", {joined({"8000", "100001"})}}},
         "« 001 » n'est pas un seuil d'alerte : rien n'a été enregistré."},
        {"thresholds under trailing zeros", {{"SEUILS", "00160", {joined({"8000", "9000"})}}},
         "« 00160 » n'est pas un seuil d'alerte : rien n'a été enregistré."},
        {"thresholds written with leading zeros", {{"SEUILS", "001", {joined({"008000", "09000"})}}},
         "« 001 » n'est pas un seuil d'alerte : rien n'a été enregistré."},
        {"thresholds that are no numbers", {{"SEUILS", "001", {joined({"huit", "9000"})}}},
         "« 001 » n'est pas un seuil d'alerte : rien n'a été enregistré."},
        {"thresholds of an unknown entity", {{"SEUILS", "999", {joined({"8000", "9000"})}}},
         "L'entité 999 n'existe pas : rien n'a été enregistré."},
    };
}

// An entity with a year of twelve months and a key, and the files of the budget.
void fillBase(test::TempDatabase& t) {
    t.put("ASSOCIATION", "001", {{"Entité"}});
    t.put("PARAMENTITECOMPTA", "001", {{"2027-01-01"}, {"2027-12-31"}, {"2028-01-01"}, {"fin 2028"}});
    t.put("BUDGETCLES", "001001", {{"Unique"}, {"S01"}, {"10000"}, {"10000"}});
    for (const char* account : {"0016064000000", "0016141000000"})
        t.put("PLANCOMPTABLE", account, {{"Compte"}});
    t.put("SSCLASSE", "614", {{"Sous-sous-classe"}});
    for (const char* file :
         {"BUDGET", "REALISE", "PROFILS", "NOTES", "VERSIONS", "VERSIONLIGNES", "VERROUS", "GROUPES", "SEUILS"})
        t.db->createFile(file);
}

const Write kGoodLine{"BUDGET", kLine, {"Fournitures", kTwelve, months(12, "10000"), "001"}};

// The validation of year N as the cycle writes it: the version validated, then the
// lock that names it.
const std::vector<Write> kValidation{{"VERSIONS", "N0001.001", {"Budget primitif", "budget", "validée", "owner"}},
                                     {"VERROUS", "N0001", {"N0001.001", "Budget primitif"}}};

}  // namespace

// What the server refuses to a budgeter who writes with psql, each with the words the
// screen would show, and in a call of several writes the first write refused.
TEST(ServerRefusals, ABudgeterWritesOnlyWhatTheScreenWouldWrite) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_refusals");
    test::TempDatabase& t = *b.base;
    fillBase(t);
    pqxx::connection budgeter(t.path() + "&user=" + b.role);
    for (const Case& c : cases())
        EXPECT_EQ(refusalOf(budgeter, c.writes), c.refusal) << c.what;
}

// Arrays that do not start at 1 would be read by position in the checks and by
// subscript in the writes: a line checked is not the line stored. They are refused.
TEST(ServerRefusals, ArraysNotFromOneAreRefused) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_bounds");
    fillBase(*b.base);
    pqxx::connection budgeter(b.base->path() + "&user=" + b.role);
    const std::string fields = "'{{Fournitures,0,100,001}}'::text[]", folds = "'{{fournitures,0,100,001}}'::text[]";
    for (const std::string& call : std::vector<std::string>{
             "SELECT ondrel_write('[0:0]={BUDGET}'::text[], '[0:0]={N00016064000000}'::text[], '[0:0]={n00016064000000}'::text[], "
          "'[0:0]={-1}'::bigint[], '[0:0][1:4]={{Fournitures,0,100,001}}'::text[], '[0:0][1:4]={{fournitures,0,100,001}}'::text[])",
          "SELECT ondrel_write('{BUDGET}', '{N00016064000000}', '{n00016064000000}', '{-1}', "
          "'[1:1][2:5]={{Fournitures,0,100,001}}'::text[], '[1:1][2:5]={{fournitures,0,100,001}}'::text[])",
          "SELECT ondrel_write('{BUDGET}', '[2:2]={N00016064000000}'::text[], '{n00016064000000}', '{-1}', " + fields + ", " +
              folds + ")"}) {
        pqxx::work tx(budgeter);
        try {
            tx.exec(call);
            ADD_FAILURE() << "written: " << call;
        } catch (const pqxx::sql_error& e) {
            EXPECT_EQ(refusalIn(e), "Les enregistrements à écrire sont mal formés : rien n'a été enregistré.") << call;
        }
    }
    EXPECT_FALSE(b.base->db->read("BUDGET", kLine));
}

// A field left empty is stored empty, whatever the caller's session says of the text
// NULL in arrays: a version whose state is the text "NULL" would be neither a project
// nor validated.
TEST(ServerRefusals, AnEmptyFieldIsStoredEmptyWhateverTheSession) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_nulls");
    fillBase(*b.base);
    pqxx::connection budgeter(b.base->path() + "&user=" + b.role);
    pqxx::nontransaction(budgeter).exec("SET array_nulls = off");
    pqxx::work tx(budgeter);
    tx.exec("SELECT ondrel_write('{VERSIONS}', '{N0001.007}', '{n0001.007}', '{0}', "
            "ARRAY[['Essai', 'budget', NULL, 'note']], ARRAY[['essai', 'budget', NULL, 'note']])");
    tx.commit();
    const auto version = b.base->db->read("VERSIONS", "N0001.007");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->fields(), (std::vector<std::vector<std::string>>{{"Essai"}, {"budget"}, {}, {"note"}}));
    EXPECT_EQ(b.base->db->history("VERSIONS", "N0001.007").back().fields, version->fields());
}

// A write sees a validation committed after its transaction began: a snapshot taken
// before it (REPEATABLE READ, SERIALIZABLE) is refused, and a write that waited for
// the validation in READ COMMITTED finds its lock. Nothing is written either way.
TEST(ServerRefusals, NoWriteCommitsIntoAYearValidatedMeanwhile) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_races");
    test::TempDatabase& t = *b.base;
    fillBase(t);
    pqxx::connection budgeter(t.path() + "&user=" + b.role);
    pqxx::connection owner(t.path());
    for (const char* level : {"REPEATABLE READ", "SERIALIZABLE"}) {
        pqxx::work tx(budgeter);
        tx.exec(std::string("SET TRANSACTION ISOLATION LEVEL ") + level);
        tx.exec("SELECT count(*) FROM record");   // the snapshot is taken
        try {
            tx.exec(writeCall(tx, {kGoodLine}));
            ADD_FAILURE() << "written in " << level;
        } catch (const pqxx::sql_error& e) {
            EXPECT_EQ(refusalIn(e), std::string("La base n'écrit qu'en isolation READ COMMITTED ; en ") + level +
                                        ", une transaction ne verrait pas le verrou d'une validation posé depuis son "
                                        "début : rien n'a été enregistré.");
        }
    }
    // The validation holds its year; the budgeter's save starts and waits for it.
    pqxx::work validation(owner);
    validation.exec(writeCall(validation, kValidation));
    std::string refusal = "not refused";
    std::thread save([&] { refusal = refusalOf(budgeter, {kGoodLine}); });
    pqxx::connection watch(t.path());
    for (bool waiting = false; !waiting;)
        waiting = pqxx::nontransaction(watch)
                      .exec("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted")
                      .at(0).at(0).as<int>() > 0;
    validation.commit();
    save.join();
    EXPECT_EQ(refusal, lockedBudget("N", "001"));
    EXPECT_FALSE(t.db->read("BUDGET", kLine));
}

// The history keeps the time of the write, not that of its transaction's start.
TEST(ServerRefusals, TheHistoryKeepsTheTimeOfTheWrite) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_time");
    fillBase(*b.base);
    pqxx::connection budgeter(b.base->path() + "&user=" + b.role);
    pqxx::work tx(budgeter);
    const std::string began = tx.exec("SELECT to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS')").at(0).at(0).c_str();
    tx.exec("SELECT pg_sleep(1.1)");
    tx.exec(writeCall(tx, {kGoodLine}));
    tx.commit();
    const auto history = b.base->db->history("BUDGET", kLine);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_GT(history[0].at, began);
}

// The deletion of several keys at once passes the checks of one: malformed arrays, and
// a line of a validated year, are refused with nothing deleted.
TEST(ServerRefusals, ARemovalOfSeveralKeysPassesTheChecksOfOne) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_removals");
    test::TempDatabase& t = *b.base;
    fillBase(t);
    pqxx::connection budgeter(t.path() + "&user=" + b.role);
    ASSERT_EQ(refusalOf(budgeter, {kGoodLine}), "");
    const auto removal = [&](const std::string& keys, const std::string& seen) {
        pqxx::work tx(budgeter);
        try {
            tx.exec("SELECT ondrel_remove('BUDGET', " + keys + "::text[], " + seen + "::bigint[])");
            tx.commit();
        } catch (const pqxx::sql_error& e) {
            return refusalIn(e);
        }
        return std::string();
    };
    const std::string malformed = "Les enregistrements à supprimer sont mal formés : rien n'a été supprimé.";
    EXPECT_EQ(removal("'[0:0]={" + kLine + "}'", "'[0:0]={-1}'"), malformed);
    EXPECT_EQ(removal("'{" + kLine + "," + kLine + "}'", "'{-1,-1}'"), malformed) << "one key twice";
    EXPECT_EQ(removal("'{" + kLine + "}'", "'{-1,-1}'"), malformed);
    EXPECT_EQ(removal("'{" + kLine + "}'", "'{7}'"), recordChanged("BUDGET", kLine));
    EXPECT_TRUE(t.db->read("BUDGET", kLine));
    EXPECT_EQ(removal("'{N00016141000000," + kLine + "}'", "'{-1,-1}'"), "") << "an absent key is passed over";
    EXPECT_FALSE(t.db->read("BUDGET", kLine));
    EXPECT_TRUE(t.db->history("BUDGET", kLine).back().deleted);
    // In a validated year, nothing is deleted, whatever the keys.
    pqxx::connection owner(t.path());
    pqxx::work validation(owner);
    validation.exec(writeCall(validation, kValidation));
    validation.commit();
    EXPECT_EQ(removal("'{N00016141000000," + kLine + "}'", "'{-1,-1}'"), lockedBudget("N", "001"));
}

// The rules run with the owner's rights: where another role may create a function
// beside them (array_length for text[] would be called before the server's own), they
// are not installed, and the refusal names the grant to remove.
TEST(ServerRefusals, TheRulesAreNotInstalledWhereOthersMayCreate) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::TempDatabase t(test::Engine::PostgreSQL);
    pqxx::connection owner(t.path());
    const std::string schema = pqxx::nontransaction(owner).exec("SELECT current_schema()").at(0).at(0).c_str();
    pqxx::nontransaction(owner).exec("GRANT CREATE ON SCHEMA " + schema + " TO PUBLIC");
    try {
        pqxx::work tx(owner);
        tx.exec(serverRules());
        ADD_FAILURE() << "installed where others may create";
    } catch (const pqxx::sql_error& e) {
        EXPECT_EQ(refusalIn(e), "Dans le schéma « " + schema + " », PUBLIC peut créer des objets : une fonction créée là "
                                "par un autre rôle pourrait détourner les règles de la base. Retirez ce droit (REVOKE "
                                "CREATE ON SCHEMA " + schema + " FROM PUBLIC;) puis recommencez : rien n'a été installé.");
    }
    pqxx::nontransaction(owner).exec("REVOKE CREATE ON SCHEMA " + schema + " FROM PUBLIC");
    pqxx::work again(owner);
    again.exec(serverRules());
    again.commit();
}

// A grant made after the rules were installed, or an object left by one since revoked:
// the functions refuse to run before they call anything, the rules are not installed
// again, and no program opens the database, until the object is gone. The budgeter's
// functions never run as the owner.
TEST(ServerRefusals, TheRulesDoNotRunWhereOthersMayCreateOrHaveCreated) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_schema");
    test::TempDatabase& t = *b.base;
    fillBase(t);
    pqxx::connection owner(t.path());
    pqxx::connection budgeter(t.path() + "&user=" + b.role);
    const std::string schema = pqxx::nontransaction(owner).exec("SELECT current_schema()").at(0).at(0).c_str();
    const auto removal = [&] {
        pqxx::work tx(budgeter);
        try {
            tx.exec("SELECT ondrel_remove('BUDGET', '" + kLine + "', -1)");
        } catch (const pqxx::sql_error& e) {
            return refusalIn(e);
        }
        return std::string();
    };
    const std::string granted = "Dans le schéma « " + schema + " », PUBLIC peut créer des objets : une fonction créée là "
                                "par un autre rôle pourrait détourner les règles de la base. Retirez ce droit (REVOKE "
                                "CREATE ON SCHEMA " + schema + " FROM PUBLIC;) puis recommencez : ";

    pqxx::nontransaction(owner).exec("GRANT CREATE ON SCHEMA " + schema + " TO PUBLIC");
    pqxx::nontransaction(budgeter).exec("CREATE FUNCTION " + schema + ".cardinality(text[]) RETURNS integer LANGUAGE plpgsql "
                                        "AS $$ BEGIN RAISE EXCEPTION 'détourné'; END $$");
    // One that the programs' own statements would call, in the session of whoever opens.
    pqxx::nontransaction(budgeter).exec("CREATE FUNCTION " + schema + ".obj_description(regprocedure, text) RETURNS text "
                                        "LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION 'détourné'; END $$");
    EXPECT_EQ(refusalOf(budgeter, {kGoodLine}), granted + "rien n'a été enregistré.");
    EXPECT_EQ(removal(), granted + "rien n'a été supprimé.");

    pqxx::nontransaction(owner).exec("REVOKE CREATE ON SCHEMA " + schema + " FROM PUBLIC");
    const std::string left = "Dans le schéma « " + schema + " », le rôle " + b.role + " a créé un objet que les règles de "
                             "la base pourraient appeler à la place d'une fonction du serveur. Supprimez-le (DROP FUNCTION " +
                             schema + ".cardinality(text[]);) puis recommencez : ";
    EXPECT_EQ(refusalOf(budgeter, {kGoodLine}), left + "rien n'a été enregistré.");
    try {
        pqxx::work tx(owner);
        tx.exec(serverRules());
        ADD_FAILURE() << "installed beside the budgeter's function";
    } catch (const pqxx::sql_error& e) {
        EXPECT_EQ(refusalIn(e), left + "rien n'a été installé.");
    }
    EXPECT_FALSE(t.db->read("BUDGET", kLine));
    // The owner's program does not open the database: no statement of its session runs.
    try {
        Database::open(t.path());
        ADD_FAILURE() << "opened beside the budgeter's functions";
    } catch (const DataError& e) {
        const std::string said = e.what();
        EXPECT_NE(said.find("le rôle " + b.role + " a créé un objet"), std::string::npos) << said;
        EXPECT_NE(said.find("puis recommencez : la base n'a pas été ouverte."), std::string::npos) << said;
    }

    pqxx::nontransaction(owner).exec("DROP FUNCTION " + schema + ".obj_description(regprocedure, text)");
    pqxx::nontransaction(owner).exec("DROP FUNCTION " + schema + ".cardinality(text[])");
    EXPECT_NO_THROW(Database::open(t.path()));
    EXPECT_EQ(refusalOf(budgeter, {kGoodLine}), "");
    EXPECT_EQ(removal(), "");
}

// Two desks that create a line each at once, one above the other: the second waits for
// the first and finds its line, as the screen would.
TEST(ServerRefusals, TwoNewLinesThatNestAreNotBothWritten) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_nesting");
    test::TempDatabase& t = *b.base;
    fillBase(t);
    pqxx::connection first(t.path() + "&user=" + b.role), second(t.path() + "&user=" + b.role), watch(t.path());
    const std::vector<Field> line = {"Ligne", "0", "100", "001"};
    pqxx::work held(first);
    held.exec(writeCall(held, {{"BUDGET", "N00016140000000", line}}));
    std::string refusal = "not refused";
    std::thread other([&] { refusal = refusalOf(second, {{"BUDGET", "N00016141000000", line}}); });
    for (bool waiting = false; !waiting;)
        waiting = pqxx::nontransaction(watch)
                      .exec("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted")
                      .at(0).at(0).as<int>() > 0;
    held.commit();
    other.join();
    EXPECT_EQ(refusal, "Un compte de regroupement a déjà été validé - création impossible.");
    EXPECT_FALSE(t.db->read("BUDGET", "N00016141000000"));
}

// The lock of a year holds the validated version's own key and name, which every
// refusal shows, and is laid only while the working budget is that version.
TEST(ServerRefusals, AValidatorLocksOnlyWithTheVersionsOwnTexts) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_lock_texts");
    test::TempDatabase& t = *b.base;
    fillBase(t);
    t.db->setAccessLevel(b.role, "ONDREL_VALIDATION", 1);
    pqxx::connection validator(t.path() + "&user=" + b.role), owner(t.path());
    EXPECT_EQ(refusalOf(validator, {kValidation[0]}), "");
    const std::string forged = "Budget primitif », le 01/01/2027 par directeur\nsigné";
    EXPECT_EQ(refusalOf(validator, {{"VERROUS", "N0001", {"N0001.001", forged}}}),
              "« N0001 » n'est pas le verrou d'un budget validé : rien n'a été enregistré.");
    {
        pqxx::work tx(owner);
        tx.exec(writeCall(tx, {kGoodLine}));
        tx.commit();
    }
    EXPECT_EQ(refusalOf(validator, {kValidation[1]}), versionDiffers("Budget primitif", "6064000000"));
    EXPECT_FALSE(t.db->read("VERROUS", "N0001"));
}

// The group of all the entities always exists: its record, which keeps its flows and
// thresholds, is not deleted by a budgeter's psql either.
TEST(ServerRefusals, TheGroupOfAllTheEntitiesIsNotDeleted) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_all_group");
    test::TempDatabase& t = *b.base;
    fillBase(t);
    pqxx::connection budgeter(t.path() + "&user=" + b.role);
    ASSERT_EQ(refusalOf(budgeter, {{"GROUPES", "Toutes les entités", {"Toutes les entités", std::nullopt, "Cotisation",
                                                                      "6281000000", "7560000000"}}}),
              "");
    pqxx::work tx(budgeter);
    try {
        tx.exec("SELECT ondrel_remove('GROUPES', 'Toutes les entités', -1)");
        ADD_FAILURE() << "deleted";
    } catch (const pqxx::sql_error& e) {
        EXPECT_EQ(refusalIn(e), "« Toutes les entités » ne se supprime pas : rien n'a été supprimé.");
    }
}

// A session that holds a year past a save's wait is named, with its program.
TEST(ServerRefusals, AYearHeldTooLongNamesWhoHoldsIt) {
    if (!test::testServer())
        GTEST_SKIP() << "no test server (scripts/test starts one)";
    test::BudgeterBase b("ondrel_test_holder");
    test::TempDatabase& t = *b.base;
    fillBase(t);
    pqxx::connection holder(t.path() + "&application_name=psql"), budgeter(t.path() + "&user=" + b.role);
    pqxx::nontransaction hold(holder);
    const std::string who = hold.exec("SELECT current_user").at(0).at(0).c_str();
    hold.exec("SELECT pg_advisory_lock(7734, ondrel_lock_key('N0001'))");
    pqxx::nontransaction(budgeter).exec("SET lock_timeout = '200ms'");
    EXPECT_EQ(refusalOf(budgeter, {kGoodLine}),
              "La base de données est occupée : l'exercice N de l'entité 001 est tenu par le rôle « " + who +
                  " » (psql). Réessayez dans un instant, ou demandez à l'administrateur de la base de mettre fin à cette "
                  "session.");
}

}  // namespace ondrel
