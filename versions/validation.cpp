#include "versions/validation.h"

#include <map>
#include <optional>
#include <stdexcept>

#include "budget/budget_key.h"
#include "budget/budget_lock.h"
#include "data/suite_files.h"
#include "store/store_error.h"

namespace ondrel {

namespace {

// Fields 1 to 4 of a line, an absent field read as an empty one: what a version keeps
// of a line of the working budget.
std::vector<std::vector<std::string>> lineFields(const Record& r) {
    auto fields = r.fields();
    fields.resize(4);
    for (auto& field : fields)
        if (field.size() == 1 && field[0].empty())
            field.clear();
    return fields;
}

// The first account whose line differs between the version and the working budget.
std::optional<std::string> firstDifference(Database& db, const std::string& prefix, const Version& version) {
    std::map<std::string, std::vector<std::vector<std::string>>> working, frozen;
    db.forEachRecord("BUDGET", [&](const Record& r) { working[r.key().substr(prefix.size())] = lineFields(r); }, prefix);
    db.forEachRecord(kVersionLinesFile, [&](const Record& r) {
        frozen[r.key().substr(version.key.size())] = lineFields(r);
    }, version.key);
    auto w = working.begin();
    auto f = frozen.begin();
    while (w != working.end() || f != frozen.end()) {
        if (w == working.end() || (f != frozen.end() && f->first < w->first))
            return f->first;
        if (f == frozen.end() || w->first < f->first || w->second != f->second)
            return w->first;
        ++w;
        ++f;
    }
    return std::nullopt;
}

void requireValidationRight(UserRights& rights) {
    if (!mayValidate(rights))
        throw std::runtime_error(noValidationRight());
}

}  // namespace

Version validateVersion(Database& db, UserRights& rights, const std::string& entity, const std::string& year,
                        const std::string& name) {
    requireValidationRight(rights);
    const std::string yearCode = yearCodeFor(year);
    const std::string prefix = yearCode + entity;
    db.inOneTransaction([&] {
        if (const auto lock = budgetLock(db, yearCode, entity))
            throw std::runtime_error(lockRefusal(*lock));
        auto version = findVersion(db, entity, year, name);
        if (!version)
            version = saveVersion(db, entity, year, name);
        if (version->kind == VersionKind::Landing)
            throw std::runtime_error("Un atterrissage est une prévision : il ne se valide pas.");
        if (version->validated)
            throw std::runtime_error("La version « " + version->name + " » est déjà validée.");
        if (const auto account = firstDifference(db, prefix, *version))
            throw std::runtime_error(versionDiffers(version->name, *account));
        auto head = db.read(kVersionsFile, version->key);
        head->setValue(3, 1, "validée");
        db.write(kVersionsFile, *head);
        auto lock = db.newRecord(kLocksFile, lockKey(yearCode, entity));
        lock.setValue(1, 1, version->key);
        lock.setValue(2, 1, version->name);
        db.createFile(kLocksFile);
        db.write(kLocksFile, lock);
    });
    return versionNamed(db, entity, year, name);
}

void reviseYear(Database& db, UserRights& rights, const std::string& entity, const std::string& year) {
    requireValidationRight(rights);
    const std::string yearCode = yearCodeFor(year);
    db.inOneTransaction([&] {
        const auto lock = budgetLock(db, yearCode, entity);
        if (!lock)
            throw std::runtime_error("Le budget de l'exercice " + year + " de l'entité " + entity +
                                     " n'est pas validé : il n'y a pas de révision à ouvrir.");
        db.remove(kLocksFile, lockKey(yearCode, entity));
    });
}

}  // namespace ondrel
