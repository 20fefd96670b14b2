#include "group/group.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "account/account_number.h"
#include "data/text_fold.h"
#include "entity/code_padding.h"
#include "platform/rights.h"
#include "screen/utf8_text.h"

namespace ondrel {

namespace {

std::vector<std::string> allEntities(Database& db) {
    return db.keys("ASSOCIATION");
}

void requireFullRights(UserRights& rights) {
    if (rights.RightsForKey(kScreenKey)->AccessLevel() != kFullRights)
        throw std::runtime_error("Vos droits ne permettent pas de modifier les groupes d'entités.");
}

void checkName(const std::string& name) {
    if (trimBlanks(name).empty())
        throw std::runtime_error("Donnez un nom au groupe.");
    if (!isValidUtf8(name) || charCount(name) > kGroupNameLength)
        throw std::runtime_error("Le nom d'un groupe tient en " + std::to_string(kGroupNameLength) + " caractères.");
    if (holdsControlChar(name))
        throw std::runtime_error("Le nom d'un groupe ne contient pas de caractère de contrôle.");
}

void checkEntities(Database& db, const Group& group) {
    const bool all = group.name == kAllEntities;
    if (all && !group.entities.empty())
        throw std::runtime_error(std::string("« ") + kAllEntities + " » réunit toujours toutes les entités.");
    if (!all && group.entities.empty())
        throw std::runtime_error("Un groupe réunit au moins une entité.");
    std::set<std::string> seen;
    for (const auto& code : group.entities) {
        if (!db.read("ASSOCIATION", code))
            throw std::runtime_error("L'entité " + excerpt(code) + " n'existe pas.");
        if (!seen.insert(code).second)
            throw std::runtime_error("L'entité " + code + " est nommée deux fois dans le groupe.");
    }
}

bool accountOfClass(const std::string& account, char digit) {
    return account.size() == kAccountLength && allDigits(account) && account[0] == digit;
}

// Accounts typed short ("6281") are kept completed, as the screen completes them.
std::vector<Flow> checkedFlows(const Group& group) {
    std::vector<Flow> flows;
    for (Flow flow : group.flows) {
        flow.name = trimBlanks(flow.name);
        for (auto* account : {&flow.charge, &flow.produit})
            if (allDigits(*account) && !account->empty() && account->size() <= kAccountLength)
                *account = completeWithZeros(*account);
        if (trimBlanks(flow.name).empty() || !isValidUtf8(flow.name) || charCount(flow.name) > kGroupNameLength ||
            holdsControlChar(flow.name))
            throw std::runtime_error("Un flux entre entités porte un nom d'au plus " + std::to_string(kGroupNameLength) +
                                     " caractères, sans caractère de contrôle.");
        if (!accountOfClass(flow.charge, '6'))
            throw std::runtime_error("Le flux « " + flow.name + " » paie sur un compte de charges (classe 6), pas sur « " +
                                     excerpt(flow.charge) + " ».");
        if (!accountOfClass(flow.produit, '7'))
            throw std::runtime_error("Le flux « " + flow.name + " » est reçu sur un compte de produits (classe 7), pas sur « " +
                                     excerpt(flow.produit) + " ».");
        flows.push_back(std::move(flow));
    }
    return flows;
}

std::vector<std::string> thresholdValues(const std::optional<Thresholds>& t) {
    if (!t)
        return {};
    return {std::to_string(t->warning), std::to_string(t->over)};
}

}  // namespace

void checkThresholds(const Thresholds& t) {
    if (t.warning < 0 || t.over > 100000 || t.warning > t.over)
        throw std::runtime_error("Les seuils vont de 0 % à 1 000 %, le seuil de vigilance avant celui de dépassement.");
}

std::optional<Thresholds> storedThresholds(const std::vector<std::string>& values) {
    const auto whole = [](const std::string& v) { return !v.empty() && v.size() <= 6 && allDigits(v); };
    if (values.size() != 2 || !whole(values[0]) || !whole(values[1]))
        return std::nullopt;
    return Thresholds{std::stoll(values[0]), std::stoll(values[1])};
}

std::vector<std::string> groupNames(Database& db) {
    std::vector<std::string> names{kAllEntities};
    if (!db.fileExists(kGroupsFile))
        return names;
    for (auto& key : db.keys(kGroupsFile))
        if (key != kAllEntities)
            names.push_back(std::move(key));
    std::sort(names.begin() + 1, names.end(),
              [](const std::string& a, const std::string& b) { return foldCase(a) < foldCase(b); });
    return names;
}

Group readGroup(Database& db, const std::string& name) {
    const std::optional<Record> record = db.fileExists(kGroupsFile) ? db.read(kGroupsFile, name) : std::nullopt;
    if (!record && name != kAllEntities)
        throw std::runtime_error("Il n'y a pas de groupe « " + excerpt(name) + " ».");
    Group group{name, name == kAllEntities ? allEntities(db) : std::vector<std::string>{}};
    if (!record)
        return group;
    const auto field = [&](std::size_t n) {
        return record->fields().size() >= n ? record->fields()[n - 1] : std::vector<std::string>{};
    };
    if (name != kAllEntities)
        group.entities = field(2);
    const auto names = field(3), charges = field(4), produits = field(5);
    for (std::size_t i = 0; i < names.size() && i < charges.size() && i < produits.size(); ++i)
        group.flows.push_back({names[i], charges[i], produits[i]});
    group.thresholds = storedThresholds(field(6));
    return group;
}

void saveGroup(Database& db, UserRights& rights, const Group& group) {
    requireFullRights(rights);
    checkName(group.name);
    checkEntities(db, group);
    const auto flows = checkedFlows(group);
    if (group.thresholds)
        checkThresholds(*group.thresholds);
    std::vector<std::string> names, charges, produits;
    for (const auto& flow : flows) {
        names.push_back(flow.name);
        charges.push_back(flow.charge);
        produits.push_back(flow.produit);
    }
    db.inOneTransaction([&] {
        db.createFile(kGroupsFile);
        db.write(kGroupsFile, db.makeRecord(kGroupsFile, trimBlanks(group.name),
                                            {{trimBlanks(group.name)}, group.entities, names, charges, produits,
                                             thresholdValues(group.thresholds)}));
    });
}

void deleteGroup(Database& db, UserRights& rights, const std::string& name) {
    requireFullRights(rights);
    if (name == kAllEntities)
        throw std::runtime_error(std::string("« ") + kAllEntities + " » ne se supprime pas.");
    readGroup(db, name);
    db.remove(kGroupsFile, name);
}

std::vector<std::string> entityList(const std::string& text) {
    std::vector<std::string> codes;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string code = trimBlanks(text.substr(start, end - start));
        if (!code.empty())
            codes.push_back(padCode(code));
        start = end + 1;
    }
    return codes;
}

}  // namespace ondrel
