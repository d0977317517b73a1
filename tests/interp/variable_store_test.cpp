// The slot and array storage behind the variable names: names and slots must
// reach the same cells, and compact array storage must give back exactly the
// doubles that were stored.

#include "interp/CVariableTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(VariableStore, NonCanonicalElementNamesAreOtherVariables)
{
    CVariableTable table;
    table.Set("a[1]", 5.0);
    const char* others[] = { "a[01]", "a[+1]", "a[1 ]", "a[-0]", "a[1", "a[]", "[1]", "a[2147483648]", "a[1]x" };
    for (const char* name : others) {
        SCOPED_TRACE(name);
        EXPECT_EQ(table.Get(name), 0.0);
        table.Set(name, 9.0);
        EXPECT_EQ(table.Get(name), 9.0);
        EXPECT_EQ(table.Get("a[1]"), 5.0);
    }
    EXPECT_EQ(table.Count(), 1u + std::size(others));
}

TEST(VariableStore, NamesAndSlotsReachTheSameCells)
{
    CVariableTable table;
    const std::uint32_t x = table.ScalarSlot("x");
    EXPECT_EQ(table.Count(), 0u); // a slot alone stores nothing
    EXPECT_TRUE(table.Entries().empty());
    table.Set("x", 2.5);
    EXPECT_EQ(table.Scalar(x), 2.5);
    table.SetScalar(x, 4.0);
    EXPECT_EQ(table.Get("x"), 4.0);
    EXPECT_EQ(table.Get("X"), 0.0);

    const std::uint32_t m = table.ArraySlot("m", 2);
    const std::int32_t at[] = { -3, 7 };
    table.SetElement(m, at, 1.5);
    EXPECT_EQ(table.Get("m[-3][7]"), 1.5);
    EXPECT_EQ(table.Get("m[-3]"), 0.0); // one subscript: another array
    table.Set("m[-3][7]", 2.5);
    EXPECT_EQ(table.Element(m, at), 2.5);
    EXPECT_EQ(table.Count(), 2u);
    const auto entries = table.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].first, "m[-3][7]");
    EXPECT_EQ(entries[1].first, "x");
}

TEST(VariableStore, ArraysGiveBackEveryDoubleExactly)
{
    const double values[] = { 0.0, 1.0, -128.0, 127.0, 128.0, -129.0, 2147483647.0, -2147483648.0, 2147483648.0, 0.5,
        -0.0, 1e300, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), 3.0 };
    CVariableTable table;
    const std::uint32_t a = table.ArraySlot("a", 1);
    // Each value widens the storage as needed; earlier ones must survive it.
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(values)); ++i) {
        table.SetElement(a, &i, values[i]);
        for (std::int32_t k = 0; k <= i; ++k) {
            SCOPED_TRACE(std::to_string(i) + " " + std::to_string(k));
            EXPECT_TRUE(SameBits(table.Element(a, &k), values[k]) || (std::isnan(values[k]) && std::isnan(table.Element(a, &k))));
        }
    }
}

TEST(VariableStore, FarAndNegativeIndicesJoinTheDenseRangeIntact)
{
    CVariableTable table;
    // Stored ahead of the dense range, then reached by it as it grows.
    for (std::int32_t i : { 9000, -1, -2147483647 - 1, 2147483647, 5000 })
        table.Set("a[" + std::to_string(i) + "]", i / 2.0);
    for (std::int32_t i = 0; i < 20000; ++i) {
        if (i != 9000 && i != 5000)
            table.Set("a[" + std::to_string(i) + "]", i % 7);
    }
    EXPECT_EQ(table.Get("a[9000]"), 4500.0);
    EXPECT_EQ(table.Get("a[5000]"), 2500.0);
    EXPECT_EQ(table.Get("a[-1]"), -0.5);
    EXPECT_EQ(table.Get("a[2147483647]"), 2147483647 / 2.0);
    EXPECT_EQ(table.Get("a[19999]"), 19999 % 7);
    EXPECT_EQ(table.Get("a[20000]"), 0.0);
    EXPECT_EQ(table.Count(), 20003u);
    EXPECT_EQ(table.Entries().size(), 20003u);
    table.Destroy();
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.Get("a[9000]"), 0.0);
}

} // namespace
