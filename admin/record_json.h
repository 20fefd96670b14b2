#pragma once

#include <string>
#include <vector>

#include "data/record.h"

namespace ondrel {

// One record of one file, as a line of JSON:
// {"file":"BUDGET","key":"N00016061000000","fields":[["LOYER"],["0","1"],["8333","8337"],["001"]]}
struct FileRecord {
    std::string file;
    std::string key;
    std::vector<std::vector<std::string>> fields;   // field 1 first
};

// Raises std::invalid_argument saying what is wrong with the line.
FileRecord parseRecordLine(const std::string& line);
std::string recordLine(const std::string& file, const Record& record);

}  // namespace ondrel
