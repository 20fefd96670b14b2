#include "account/account_number.h"

#include <stdexcept>

#include "screen/utf8_text.h"

namespace ondrel {

std::string significantPrefix(const std::string& number) {
    // Leading zeros go too, as when the text is read as a whole number.
    auto first = number.find_first_not_of('0');
    if (first == std::string::npos)
        return "0";
    auto last = number.find_last_not_of('0');
    return number.substr(first, last - first + 1);
}

bool isGroupingAccount(const std::string& number) {
    return significantPrefix(number).size() <= 3;
}

bool hasGroupingZeros(const std::string& number) {
    return number.size() >= kAccountLength && number.compare(3, 7, "0000000") == 0;
}

std::string completeWithZeros(const std::string& text) {
    return padRight(text, kAccountLength, '0');
}

std::vector<std::string> accountsAbove(const std::string& number) {
    std::vector<std::string> above;
    for (std::size_t i = kAccountLength - 1; i >= 1; --i)
        above.push_back(completeWithZeros(number.substr(0, i)));
    return above;
}

SuiteFile classFileFor(const std::string& prefix) {
    switch (prefix.size()) {
    case 1: return SuiteFile::Classe;
    case 2: return SuiteFile::SClasse;
    case 3: return SuiteFile::SSClasse;
    default: throw std::invalid_argument("Aucun fichier de classes ne tient le préfixe « " + prefix + " ».");
    }
}

std::string chartKey(const std::string& entity, const std::string& account) {
    return entity + account;
}

std::string accountOfKey(const std::string& key) {
    bool budgetKey = !key.empty() && key[0] == 'N';
    std::size_t start = budgetKey ? 5 : 3;
    return start < key.size() ? key.substr(start, kAccountLength) : std::string();
}

}  // namespace ondrel
