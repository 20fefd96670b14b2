#include <algorithm>

#include <gtest/gtest.h>

#include "tests/control/control_fixture.h"

namespace ondrel {

using test::ControlTest;

// 10,000 budget lines of one entity, listed whole by the first digit of the account:
// every line once, in the order of their labels' bytes, ties by key.
TEST_F(ControlTest, TenThousandLinesAreListedWholeAndInOrder) {
    std::vector<std::pair<std::string, std::string>> expected;   // label, key
    data.db->inOneTransaction([&] {
        for (int i = 0; i < 10000; ++i) {
            char account[16];
            std::snprintf(account, sizeof account, "6%05d0000", i);
            // Labels repeat and run against the keys' order, so that both the label and the tie count.
            const std::string label = (i % 3 == 0 ? "Éclairage " : i % 3 == 1 ? "achats " : "Achats ") +
                                      std::to_string((10000 - i) % 997);
            const std::string key = std::string("N0002") + account;
            data.put("BUDGET", key, {{label}, {"0"}, {"100"}, {"001"}});
            expected.emplace_back(label, key);
        }
        data.put("BUDGETCLES", "002001", {{"Unique"}, {"S01"}, {"10000"}});
    });
    std::sort(expected.begin(), expected.end());
    auto c = start();
    type(*c, "Txt_CodAssoc", "2\n");
    type(*c, "Txt_Cpte", "6");
    const Zone& list = c->screen().zone("Cbo_Cpte");
    ASSERT_EQ(list.listCount(), 10000);
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(list.list(i), expected[static_cast<std::size_t>(i)].first) << "item " << i;
}

}  // namespace ondrel
