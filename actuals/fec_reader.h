#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace ondrel {

// One line of a FEC (Fichier des Écritures Comptables) as the actuals need it.
struct Posting {
    int line = 0;
    std::string account;            // CompteNum, as written
    int year = 0, month = 0;        // of EcritureDate
    std::int64_t debitMinusCredit;  // in hundredths
};

// Reads a FEC a line at a time: its columns found by their names in the header, tab or
// "|" between them, UTF-8 or ISO 8859-15, amounts with a decimal comma and a sign before
// or after, dates AAAAMMJJ, the debit and credit in two columns or as Montant and Sens.
// Each good line goes to the visitor; each malformed one to refuse, as "ligne N : why".
void readFec(std::istream& in, const std::function<void(const Posting&)>& visit,
             const std::function<void(const std::string&)>& refuse);

}  // namespace ondrel
