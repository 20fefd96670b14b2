#include "group/thresholds.h"

#include <stdexcept>

#include "account/account_number.h"
#include "platform/rights.h"
#include "screen/utf8_text.h"

namespace ondrel {

void setThresholds(Database& db, UserRights& rights, const std::string& entity, const std::string& prefix,
                   const std::optional<Thresholds>& thresholds) {
    if (rights.RightsForKey(kScreenKey)->AccessLevel() != kFullRights)
        throw std::runtime_error("Vos droits ne permettent pas de modifier les seuils d'alerte.");
    if (!db.read("ASSOCIATION", entity))
        throw std::runtime_error("L'entité " + excerpt(entity) + " n'existe pas.");
    const std::string digits = prefix.empty() ? std::string() : significantPrefix(completeWithZeros(prefix));
    // An account of zeros names no line and no class.
    if (!allDigits(prefix) || prefix.size() > kAccountLength ||
        (!prefix.empty() && digits.find_first_not_of('0') == std::string::npos))
        throw std::runtime_error("« " + excerpt(prefix) + " » n'est ni un compte ni une classe.");
    const std::string key = entity + digits;
    db.inOneTransaction([&] {
        db.createFile(kThresholdsFile);
        if (!thresholds) {
            if (db.read(kThresholdsFile, key))
                db.remove(kThresholdsFile, key);
            return;
        }
        checkThresholds(*thresholds);
        db.write(kThresholdsFile, db.makeRecord(kThresholdsFile, key,
                                                {{std::to_string(thresholds->warning), std::to_string(thresholds->over)}}));
    });
}

EntityThresholds readThresholds(Database& db, const std::string& entity) {
    EntityThresholds thresholds;
    if (!db.fileExists(kThresholdsFile))
        return thresholds;
    for (const auto& key : db.keys(kThresholdsFile)) {
        if (!key.starts_with(entity))
            continue;
        const auto record = db.read(kThresholdsFile, key);
        if (const auto t = record && !record->fields().empty() ? storedThresholds(record->fields()[0]) : std::nullopt)
            thresholds.emplace(key.substr(entity.size()), *t);
    }
    return thresholds;
}

Thresholds thresholdsOf(const EntityThresholds& entity, const std::string& account, const Group& group) {
    const std::string digits = significantPrefix(account);
    for (std::size_t length = digits.size(); length >= 1; --length)
        if (const auto it = entity.find(digits.substr(0, length)); it != entity.end())
            return it->second;
    if (const auto it = entity.find(""); it != entity.end())
        return it->second;
    return group.thresholds.value_or(Thresholds{});
}

}  // namespace ondrel
