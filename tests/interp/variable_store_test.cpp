// The slot and array storage behind the variable names: names and slots must
// reach the same cells, and compact array storage must give back exactly the
// doubles that were stored.

#include "interp/CVariableTable.h"
#include "interp/RunMemory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>
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
    // In this order, and starting with -2^31, with -0.0 and with NaN; each
    // in the map before a page is made, and on a page of narrow integers
    // filled first (read through its window too).
    std::vector<std::vector<double>> orders;
    for (const std::size_t start : { 0, 7, 10, 13 }) {
        orders.emplace_back(std::begin(values) + static_cast<std::ptrdiff_t>(start), std::end(values));
        orders.back().insert(orders.back().end(), std::begin(values), std::begin(values) + static_cast<std::ptrdiff_t>(start));
    }
    // The same for a row of a two-dimensional array, m[1][...].
    for (const int subscripts : { 1, 2 }) {
        for (const std::vector<double>& order : orders) {
            for (const std::int32_t first : { 0, 300 }) {
                CVariableTable table;
                const std::uint32_t a = table.ArraySlot("a", subscripts);
                auto set = [&](std::int32_t i, double value) {
                    subscripts == 1 ? table.SetElement1(a, i, value) : table.SetElement2(a, 1, i, value);
                };
                auto get = [&](std::int32_t i) { return subscripts == 1 ? table.Element1(a, i) : table.Element2(a, 1, i); };
                for (std::int32_t i = 0; i < first; ++i)
                    set(i, 1.0);
                // Each value widens the storage as needed; earlier ones must survive it.
                for (std::int32_t i = 0; i < static_cast<std::int32_t>(order.size()); ++i) {
                    set(first + i, order[static_cast<std::size_t>(i)]);
                    set(first + i, order[static_cast<std::size_t>(i)]); // stored again: no new name
                    for (std::int32_t k = 0; k <= i; ++k) {
                        SCOPED_TRACE(std::to_string(subscripts) + " " + std::to_string(first) + " " + std::to_string(i) + " "
                            + std::to_string(k));
                        const std::int32_t at[] = { subscripts == 1 ? first + k : 1, first + k };
                        const double want = order[static_cast<std::size_t>(k)];
                        for (const double got : { table.Element(a, at), get(first + k) })
                            EXPECT_TRUE(SameBits(got, want) || (std::isnan(want) && std::isnan(got)));
                    }
                }
                EXPECT_EQ(table.Count(), static_cast<std::size_t>(first) + order.size());
            }
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

namespace {

// Stores the same elements into a table and a plain map and checks that
// every read, the count and the listing agree.
void ExpectSameAsReference(const std::vector<std::pair<std::int32_t, double>>& stores)
{
    CVariableTable table;
    std::map<std::int32_t, double> reference;
    const std::uint32_t a = table.ArraySlot("a", 1);
    for (const auto& [index, value] : stores) {
        table.SetElement(a, &index, value);
        reference[index] = value;
    }
    EXPECT_EQ(table.Count(), reference.size());
    for (const auto& [index, value] : reference) {
        ASSERT_TRUE(SameBits(table.Element(a, &index), value)) << index;
        ASSERT_TRUE(SameBits(table.Get("a[" + std::to_string(index) + "]"), value)) << index;
        for (const std::int64_t wide : { std::int64_t { index } - 1, std::int64_t { index } + 1 }) {
            const auto near = static_cast<std::int32_t>(wide);
            if (wide == near && !reference.count(near)) {
                ASSERT_EQ(table.Element(a, &near), 0.0) << near;
            }
        }
    }
    std::map<std::string, double> listed;
    for (const auto& [index, value] : reference)
        listed["a[" + std::to_string(index) + "]"] = value;
    const auto entries = table.Entries();
    ASSERT_EQ(entries.size(), listed.size());
    for (const auto& [name, value] : entries)
        EXPECT_TRUE(SameBits(listed.at(name), value)) << name;
}

} // namespace

// Dense runs, scattered elements, pages that fill after their first elements
// were held apart, values that widen a page, and the ends of the index range.
TEST(VariableStore, PagedArraysKeepEveryElement)
{
    std::vector<std::pair<std::int32_t, double>> stores;
    for (std::int32_t i = 0; i < 20000; ++i)
        stores.emplace_back(i, i % 7);
    for (int k = 0; k <= 30; ++k)
        stores.emplace_back(std::int32_t { 1 } << k, (std::int32_t { 1 } << k) + 0.5);
    for (std::int32_t i : { -1, -4096, -2147483647 - 1, 2147483647, 2147483646 })
        stores.emplace_back(i, -static_cast<double>(i) / 3.0);
    std::mt19937 random(7);
    for (int k = 0; k < 20000; ++k) {
        // Clustered in a few pages far out, so that they fill up as they go.
        const auto index = static_cast<std::int32_t>(1000000 + (random() % 5) * 100000 + random() % 4096);
        const double value = k % 3 == 0 ? static_cast<double>(k) : k % 3 == 1 ? -0.0 : 1e9 + k;
        stores.emplace_back(index, value);
    }
    ExpectSameAsReference(stores);
}

// What an array costs follows what it stores, and goes back when the table
// goes; past the run's limit a store throws and leaves the table usable.
TEST(VariableStore, StorageIsChargedToTheRunsMemory)
{
    const std::size_t before = RunMemoryInUse();
    {
        CVariableTable table;
        const std::uint32_t a = table.ArraySlot("a", 1);
        for (std::int32_t i = 0; i < 1000; ++i) {
            const std::int32_t index = i * 1000003;
            table.SetElement(a, &index, 1.5);
        }
        EXPECT_LT(RunMemoryInUse() - before, 1000u * 1024); // 1,000 scattered elements, not pages for all of them
        const std::size_t scattered = RunMemoryInUse();
        for (std::int32_t i = 0; i < 1000000; ++i)
            table.SetElement(a, &i, 1.0);
        EXPECT_LT(RunMemoryInUse() - scattered, 2u << 20); // a byte and a bit per dense element
    }
    EXPECT_EQ(RunMemoryInUse(), before);
    {
        // Short ascending runs here and there stay in the map (100 pages
        // would take 460 KB); the values are all there.
        CVariableTable table;
        const std::uint32_t a = table.ArraySlot("a", 1);
        for (std::int32_t k = 0; k < 100; ++k) {
            for (std::int32_t j = 0; j < 10; ++j)
                table.SetElement1(a, k * 100000 + j, j + 0.5);
        }
        EXPECT_LT(RunMemoryInUse() - before, 100u * 1024);
        EXPECT_EQ(table.Count(), 1000u);
        EXPECT_EQ(table.Element1(a, 99 * 100000 + 9), 9.5);
    }

    const std::size_t limit = RunMemoryLimit();
    SetRunMemoryLimit(before + (1 << 20));
    {
        CVariableTable table;
        table.Set("x", 1.0);
        bool stopped = false;
        try {
            for (std::int32_t i = 0; i < 10000000; ++i)
                table.Set("m[" + std::to_string(i) + "][1]", i);
        } catch (const CRunMemoryExhausted&) {
            stopped = true;
        }
        EXPECT_TRUE(stopped);
        EXPECT_LE(RunMemoryInUse(), before + (1 << 20));
        EXPECT_EQ(table.Get("x"), 1.0);
        EXPECT_EQ(table.Get("m[5][1]"), 5.0);
    }
    SetRunMemoryLimit(limit);
    EXPECT_EQ(RunMemoryInUse(), before);
}

// Arrays of two and more subscripts, stored by rows: every element comes
// back exactly, by name and by slot, with negative, huge and far subscripts
// beside dense rows, and the table lists each element under its own name.
TEST(VariableStore, ArraysOfSeveralSubscriptsKeepEveryElement)
{
    CVariableTable table;
    std::map<std::string, double> expected;
    auto name = [](const char* base, std::initializer_list<std::int32_t> indices) {
        std::string text = base;
        for (const std::int32_t index : indices)
            text += "[" + std::to_string(index) + "]";
        return text;
    };
    const std::uint32_t m = table.ArraySlot("m", 2);
    const std::uint32_t t = table.ArraySlot("t", 3);
    std::mt19937 random(11);
    const std::int32_t edges[] = { 0, 1, -1, 65535, 65536, 2147483647, -2147483647 - 1, 4095, 4096 };
    for (int k = 0; k < 30000; ++k) {
        std::int32_t i, j;
        if (k % 3 == 0) {
            i = edges[random() % std::size(edges)];
            j = edges[random() % std::size(edges)];
        } else {
            i = static_cast<std::int32_t>(random() % 300);
            j = static_cast<std::int32_t>(random() % 300) - 20;
        }
        const double value = k % 4 == 0 ? -0.0 : k % 4 == 1 ? k * 0.25 : k % 4 == 2 ? 1e300 : k;
        const std::int32_t pair[] = { i, j };
        table.SetElement(m, pair, value);
        expected[name("m", { i, j })] = value;
        const std::int32_t triple[] = { j, i, static_cast<std::int32_t>(k % 5) };
        table.Set(name("t", { j, i, k % 5 }), value + 1);
        expected[name("t", { j, i, k % 5 })] = value + 1;
        EXPECT_TRUE(SameBits(table.Element(t, triple), value + 1));
    }
    for (const auto& [text, value] : expected) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(SameBits(table.Get(text), value));
    }
    // One subscript fewer or more is another array; never stored reads 0.
    EXPECT_EQ(table.Get("m[0]"), 0.0);
    EXPECT_EQ(table.Get("m[0][0][0]"), 0.0);
    EXPECT_EQ(table.Get("m[299][-21]"), 0.0);
    const auto entries = table.Entries();
    ASSERT_EQ(entries.size(), expected.size());
    EXPECT_EQ(table.Count(), expected.size());
    auto at = expected.begin();
    for (const auto& [text, value] : entries) {
        EXPECT_EQ(text, at->first);
        EXPECT_TRUE(SameBits(value, at->second));
        ++at;
    }
}

// A dense table costs about a page slot per element; scattered elements,
// however far apart their subscripts, cost what they store.
TEST(VariableStore, TablesAreChargedByWhatTheyStore)
{
    const std::size_t before = RunMemoryInUse();
    {
        CVariableTable table;
        const std::uint32_t m = table.ArraySlot("m", 2);
        for (std::int32_t i = 0; i < 1000; ++i) {
            const std::int32_t pair[] = { i * 1000003, i * 7919 };
            table.SetElement(m, pair, 2.0);
        }
        EXPECT_LT(RunMemoryInUse() - before, 1000u * 1024);
        const std::uint32_t l = table.ArraySlot("L", 2);
        const std::size_t scattered = RunMemoryInUse();
        for (std::int32_t i = 0; i < 1000; ++i) {
            for (std::int32_t j = 0; j < 1000; ++j) {
                const std::int32_t pair[] = { i, j };
                table.SetElement(l, pair, i + j);
            }
        }
        // Four bytes a value, rows of 1,000 in pages of 512.
        EXPECT_LT(RunMemoryInUse() - scattered, 8u << 20);
    }
    EXPECT_EQ(RunMemoryInUse(), before);
}

// Reads between stores that widen a page (8-bit, 32-bit, double values)
// see every value, in a one-dimensional array and in a row.
TEST(VariableStore, ReadsFollowPagesAsTheyWiden)
{
    CVariableTable table;
    const std::uint32_t a = table.ArraySlot("a", 1);
    const std::uint32_t m = table.ArraySlot("m", 2);
    std::map<std::int32_t, double> stored;
    const double widening[] = { 5.0, 1000.0, -0.0, 0.25, 1e12 };
    for (std::int32_t i = 0; i < 600; ++i) {
        const double value = i < 300 ? i % 100 : widening[i % 5] + i;
        table.SetElement(a, &i, value);
        const std::int32_t pair[] = { 3, i };
        table.SetElement(m, pair, -value);
        stored[i] = value;
        for (const std::int32_t k : { i, i / 2, i / 3, std::int32_t { 0 } }) {
            SCOPED_TRACE(std::to_string(i) + " " + std::to_string(k));
            const std::int32_t at[] = { 3, k };
            ASSERT_TRUE(SameBits(table.Element(a, &k), stored[k]));
            ASSERT_TRUE(SameBits(table.Element(m, at), -stored[k]));
        }
    }
}
