#include <stdexcept>

#include <gtest/gtest.h>

#include "control/pass_over.h"

namespace ondrel {

TEST(PassOver, AnyFailureIsPassedOverAndOnlyAnAbsentKeyIsToldApart) {
    PassOver step;
    bool next = false;
    step([] { throw std::runtime_error("not a data error"); });
    step([&] { next = true; });
    EXPECT_TRUE(next);
    EXPECT_TRUE(step.absent([] { throw DataError(kRecordNotFound, "absent"); }));
    EXPECT_FALSE(step.absent([] { throw std::runtime_error("the read failed otherwise"); }));
    EXPECT_FALSE(step.absent([] { throw DataError(kStoreFailure, "disk"); }));
    EXPECT_FALSE(step.absent([] {}));
}

TEST(PassOver, AQuestionThatCannotBeAskedAnswersNo) {
    PassOver step;
    EXPECT_TRUE(step.yes([] { return true; }));
    EXPECT_FALSE(step.yes([]() -> bool { throw DataError(kInvalidCall, "no message box"); }));
}

}  // namespace ondrel
