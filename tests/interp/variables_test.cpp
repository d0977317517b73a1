#include "interp/CVariableTable.h"

#include <gtest/gtest.h>

#include <string>

TEST(VariableTable, StoresReadsAndForgets)
{
    CVariableTable table;
    table.Init();
    EXPECT_EQ(table.Get("never"), 0.0);
    EXPECT_EQ(table.Count(), 0u); // reading creates nothing
    table.Set("x", 1);
    table.Set("x", 2);
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Get("x"), 2.0);
    table.Set("X", 3);
    EXPECT_EQ(table.Get("x"), 2.0);
    table.Set("ab", 4);
    table.Set("ba", 5); // same byte sum
    EXPECT_EQ(table.Get("ab"), 4.0);
    EXPECT_EQ(table.Get("ba"), 5.0);
    EXPECT_EQ(table.Get("a[01]"), 0.0);
    table.Destroy();
    EXPECT_EQ(table.Get("x"), 0.0);
    EXPECT_EQ(table.Count(), 0u);
}

TEST(VariableTable, ManyElements)
{
    CVariableTable table;
    table.Init();
    for (int i = 0; i < 100000; ++i)
        table.Set("a[" + std::to_string(i) + "]", i);
    EXPECT_EQ(table.Count(), 100000u);
    EXPECT_EQ(table.Get("a[99999]"), 99999.0);
    EXPECT_EQ(table.Get("a[100000]"), 0.0);
    table.Destroy();
}
