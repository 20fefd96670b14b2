#include "admin/suite_database.h"

#include "data/suite_files.h"

namespace ondrel {

void createSuiteFiles(Database& db) {
    db.inOneTransaction([&] {
        for (const char* file : kSuiteFiles)
            db.createFile(file);
    });
}

}  // namespace ondrel
