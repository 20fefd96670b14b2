#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/connection.h"

namespace ondrel {

// How a file stores revisions: a statement a row, in the writer's own transaction.
// Each write claims its revision in the statement that checks it, so that a writer
// that waited for another finds the record changed and claims nothing.
std::vector<std::int64_t> writeRowByRow(Connection& connection, const std::vector<RecordWrite>& writes,
                                        const std::string& author);
void removeRowByRow(Connection& connection, const std::string& file, const std::string& key, std::int64_t seen,
                    const std::string& author);

}  // namespace ondrel
