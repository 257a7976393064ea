// Group breaks: which level a row opens, from a table of key sequences.
#include <gtest/gtest.h>

#include <vector>

#include "reportengine/group_breaks.h"

namespace tabel::reportengine {
namespace {

struct BreakCase {
    const char* name;
    int levels;
    std::vector<QList<QVariant>> keys;
    std::vector<int> expected;
};

TEST(GroupBreaksTest, OutermostChangedLevel) {
    const BreakCase cases[] = {
        {"first row opens every level", 2, {{"Иванов", "КР-1"}}, {0}},
        {"same keys continue", 2, {{"Иванов", "КР-1"}, {"Иванов", "КР-1"}}, {0, 2}},
        {"inner change", 2, {{"Иванов", "КР-1"}, {"Иванов", "ПР-1"}}, {0, 1}},
        {"outer change with the same inner key",
         2,
         {{"Иванов", "ПР-1"}, {"Петров", "ПР-1"}},
         {0, 0}},
        {"numbers compare by value", 1, {{qint64(3)}, {3.0}, {4}}, {0, 1, 0}},
        {"nulls are one group", 1, {{QVariant()}, {QVariant()}, {""}}, {0, 1, 0}},
        {"no levels", 0, {{}, {}}, {0, 0}},
    };
    for (const BreakCase& c : cases) {
        GroupBreaks breaks(c.levels);
        std::vector<int> actual;
        for (const auto& keys : c.keys) {
            actual.push_back(breaks.next(keys));
        }
        EXPECT_EQ(actual, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace tabel::reportengine
