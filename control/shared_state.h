#pragma once

#include <array>
#include <memory>
#include <optional>

#include "data/record.h"
#include "data/suite_files.h"
#include "platform/client_context.h"
#include "platform/help.h"
#include "store/database.h"

namespace ondrel {

// What every instance of the control in one thread shares: the service objects,
// the file handles and the records in use. Each instance holds a share of it, and
// it is released when the last instance is torn down, so that the tear-down of one
// never leaves another working on released objects.
struct SharedState {
    ~SharedState();
    // The share of the calling thread, made at the first call.
    static std::shared_ptr<SharedState> ofThisThread();

    ClientContext client;
    std::shared_ptr<Database> database;
    std::array<std::optional<File>, 9> files;
    std::optional<Record> sectionTable;
    std::optional<Record> entityRecord;
    std::optional<Record> fiscalYearRecord;
    std::optional<Record> keyRecord;
    std::optional<Record> budgetRecord;
    std::optional<Record> chartRecord;   // the chart account of the typed number
    std::optional<Record> classRecord;   // the class of a grouping account
    std::shared_ptr<Help> help;
};

}  // namespace ondrel
