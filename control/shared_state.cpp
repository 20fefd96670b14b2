#include "control/shared_state.h"

namespace ondrel {

std::shared_ptr<SharedState> SharedState::ofThisThread() {
    thread_local std::weak_ptr<SharedState> current;
    auto state = current.lock();
    if (!state) {
        state = std::make_shared<SharedState>();
        current = state;
    }
    return state;
}

// The records first, then the file handles in the order of opening, then the database.
SharedState::~SharedState() {
    entityRecord.reset();
    budgetRecord.reset();
    keyRecord.reset();
    fiscalYearRecord.reset();
    sectionTable.reset();
    chartRecord.reset();
    classRecord.reset();
    for (auto& f : files)
        f.reset();
    database.reset();
}

}  // namespace ondrel
