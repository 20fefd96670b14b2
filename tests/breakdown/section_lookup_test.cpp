#include <gtest/gtest.h>

#include "breakdown/section_lookup.h"

namespace ondrel {

TEST(SectionLookup, StopsAtTheFirstEmptyCodeAndMatchesExactly) {
    Record table("SECTANAL", {{}, {"S01", "S02", "", "S04"}, {"Direction", "Admin", "", "Ventes"}});
    EXPECT_EQ(sectionLabel(table, "S02"), "Admin");
    EXPECT_EQ(sectionLabel(table, "s02"), std::nullopt);
    EXPECT_EQ(sectionLabel(table, "S04"), std::nullopt);
    EXPECT_EQ(sectionLabel(table, "S09"), std::nullopt);
}

}  // namespace ondrel
