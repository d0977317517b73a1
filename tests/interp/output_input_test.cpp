#include "InterpTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

TEST(Output, PrintsLists)
{
    struct Case {
        const char* setup;
        const char* text;
        std::string printed;
    };
    const Case cases[] = {
        { "x = 1.5, y = 2", "\"x =\", x, \"y = %5.2f\", y", "x =1.5y =  2.00" },
        // Without commas only the first item is evaluated: the rest is printed
        // from the raw tokens, names by their value at print time.
        { "x = 1.5, y = 2", "\"x =\" x \"y = %5.2f\" y", "x =1.5y =  0.00" },
        { "x = 1.5", "\"x = \", x", "x = 1.5" },
        { "", "1, 2, 3", "1 2 3" },
        { "x = 2", "x, x * 2, \"|\", x", "2 4|2" },
        { "", "\"a\\nb\\tc\"", "a\nb\tc" },
        { "", "\"%f\"", "0.000000" },                  // a missing value gives 0
        { "", "\"%d %s %n %%f %x f\", 7", "%d %s %n %7.000000 %x f" }, // only % ... f conversions are filled
        { "", "\"%-8.3f|%+f|% f|%08.2f|%lf\", 1.5, 2, 3, -4, 5",
            "1.500   |+2.000000| 3.000000|-0004.00|5.000000" },
        { "", "\"%1234f\", 1", "%1234f1" },             // widths of four digits are not conversions
        { "", "\"%.1234f\", 1", "%.1234f1" },
        { "", "\"100%\"", "100%" },
        { "", "\"tail %\"", "tail %" },
        { "x = 3", "x++, x", "3 4" },
        { "", "1 / 2", "0.5" },
        { "", "\"\"", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CInterpreter interp;
        interp.Evaluate(c.setup);
        EXPECT_EQ(OutputOf(interp, c.text), c.printed);
    }
    CInterpreter interp;
    const std::string wide = OutputOf(interp, "\"%999.999f\", 1");
    EXPECT_EQ(wide.size(), 1001u);
    EXPECT_EQ(wide.substr(0, 4), "1.00");
}

TEST(Output, ErrorsAreReported)
{
    CInterpreter interp;
    CMemoryConsole console;
    try {
        interp.ExecuteOutput("\"a\", 1 / 0", console);
        FAIL() << "no error";
    } catch (const CEvalError& error) {
        EXPECT_EQ(error.Text(), "\"a\", 1 / 0");
    }
    EXPECT_EQ(console.Output(), Msg(texts::kDivisionByZero) + "\n");
}

TEST(Output, IgnoresTheProcessLocale)
{
    // A locale with a decimal comma, when the machine has one.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    bool found = false;
    for (const char* name : { "de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8", "pt_BR.UTF-8", "de_DE", "fr_FR" })
        found = found || std::setlocale(LC_ALL, name) != nullptr;
    if (!found)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    CInterpreter interp;
    const std::string printed = OutputOf(interp, "2.5, \"%.2f\", 0.25");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(printed, "2.50.25");
}

TEST(Input, ReadsOneLinePerName)
{
    CInterpreter interp;
    CMemoryConsole console({ "12.5\n", "  -3e2xyz\n", "abc\n", "0x10\n" });
    interp.ExecuteInput("a, b, c[i = 2], \"skip\" 5, d", console);
    auto& vars = interp.Variables();
    EXPECT_EQ(vars.Get("a"), 12.5);
    EXPECT_EQ(vars.Get("b"), -300.0);
    EXPECT_EQ(vars.Get("c[2]"), 0.0);
    EXPECT_EQ(vars.Get("d"), 16.0); // read as the C library reads numbers
    EXPECT_EQ(console.LinesRead(), 4u);
    EXPECT_FALSE(console.InputExhausted());

    // When the input is used up, the name gets 0.
    vars.Set("e", 9);
    interp.ExecuteInput("e", console);
    EXPECT_TRUE(console.InputExhausted());
    EXPECT_EQ(vars.Get("e"), 0.0);
}

TEST(Input, ErrorsPropagateWithTheirMessage)
{
    CInterpreter interp;
    CMemoryConsole console({ "1\n" });
    try {
        interp.ExecuteInput("a[1][]", console);
        FAIL() << "no error";
    } catch (const CEvalError& error) {
        EXPECT_EQ(error.Text(), Msg(texts::kBadSubscript));
    }
    EXPECT_EQ(console.Output(), "");
    EXPECT_EQ(console.LinesRead(), 0u);
}

} // namespace
