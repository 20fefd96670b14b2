#pragma once

#include <optional>
#include <string>

#include <QPagedPaintDevice>

#include "store/database.h"

namespace ondrel {

// What a report shows: the working budget of the year (no version named) or one of its
// versions, alone or compared with the working budget (an empty name) or another version.
struct ReportSubject {
    std::string entity;
    std::string year = "N";
    std::string version{};
    std::optional<std::string> against{};
};

// The printed budget of an entity's year, A4 landscape: a header on every page (the
// entity, the year and its dates, its validation or the version shown, the day of
// printing, the user), the lines and the subtotals of the overview continued over as
// many pages as they need with their header row repeated, the notes of the lines as
// footnotes, page numbers, and the monthly chart on the last page. Compared, each row
// has both totals, their difference and its percentage, and the months' differences.
// Raises std::runtime_error, in French, for an entity, a year or a version that is not
// on file.
void printBudgetReport(Database& db, const ReportSubject& subject, const std::string& user, QPagedPaintDevice& device);
// The same, into a PDF file.
void writeBudgetPdf(Database& db, const ReportSubject& subject, const std::string& user, const std::string& path);

}  // namespace ondrel
