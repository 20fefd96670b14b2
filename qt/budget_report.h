#pragma once

#include <string>

#include <QPagedPaintDevice>

#include "store/database.h"

namespace ondrel {

// The printed budget of an entity's year, A4 landscape: a header on every page (the
// entity, the year and its dates, the day of printing, the user), the lines and the
// subtotals of the overview continued over as many pages as they need with their header
// row repeated, page numbers, and the monthly chart on the last page. Raises
// std::runtime_error, in French, for an entity or a year that is not on file.
void printBudgetReport(Database& db, const std::string& entity, const std::string& year, const std::string& user,
                       QPagedPaintDevice& device);
// The same, into a PDF file.
void writeBudgetPdf(Database& db, const std::string& entity, const std::string& year, const std::string& user,
                    const std::string& path);

}  // namespace ondrel
