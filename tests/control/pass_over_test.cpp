#include <stdexcept>

#include <gtest/gtest.h>

#include "control/pass_over.h"

namespace ondrel {

TEST(PassOver, AnyFailureIsPassedOverAndOnlyAnAbsentKeyMeansNoRecord) {
    PassOver step;
    bool next = false;
    step([] { throw std::runtime_error("not a data error"); });
    step([&] { next = true; });
    EXPECT_TRUE(next);
    EXPECT_EQ(step.read([] { throw DataError(kRecordNotFound, "absent"); }), Found::No);
    EXPECT_EQ(step.read([] { throw std::runtime_error("the read failed otherwise"); }), Found::Unknown);
    EXPECT_EQ(step.failure(), "the read failed otherwise");
    EXPECT_EQ(step.read([] { throw DataError(kStoreFailure, "disk"); }), Found::Unknown);
    EXPECT_EQ(step.read([] {}), Found::Yes);
}

TEST(PassOver, AQuestionThatCannotBeAskedAnswersNo) {
    PassOver step;
    EXPECT_TRUE(step.yes([] { return true; }));
    EXPECT_FALSE(step.yes([]() -> bool { throw DataError(kInvalidCall, "no message box"); }));
}

}  // namespace ondrel
