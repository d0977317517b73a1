#include "InterpTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

struct ErrorCase {
    const char* text;
    std::string_view message;
};

TEST(Evaluator, ReportsEachMessageAndThrowsTheText)
{
    const ErrorCase cases[] = {
        { "3 + )", texts::kSyntaxError },
        { "3 *", texts::kSyntaxError },
        { "x += )", texts::kSyntaxError },
        { "1 / 0", texts::kDivisionByZero },
        { "1 / (2 - 2)", texts::kDivisionByZero },
        { "x = 4, x /= 0", texts::kDivisionByZero },
        { "x != 0 && 1 / x > 1", texts::kDivisionByZero }, // no short-circuit
        { "(1, 2)", texts::kNoClosingParen },
        { "(1 + 2", texts::kNoClosingParen },
        { "a[1][] = 3", texts::kBadSubscript },
        { "a[] = 3", texts::kBadSubscript },
        { "a[1][]", texts::kBadSubscript },
        { "2e+x", texts::kBadExponent },
        { "1e", texts::kBadExponent },
        { "sin = 1", texts::kAssignToReserved },
        { "sin 1", texts::kFunctionWithoutArgs },
        { "sin()", texts::kNoArguments },
        { "sin(1, 2)", texts::kWrongArgumentCount },
        { "rand(1)", texts::kWrongArgumentCount },
        { "pow(2)", texts::kWrongArgumentCount },
        // Remainders by zero are reported instead of trapping.
        { "7 % 0", texts::kDivisionByZero },
        { "7 % 0.5", texts::kDivisionByZero },
        { "x = 7, x %= 0.9", texts::kDivisionByZero },
        // More than ten subscripts.
        { "a[1][2][3][4][5][6][7][8][9][10][11]", texts::kBadSubscript },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CInterpreter interp;
        const EvalOutcome outcome = EvaluateText(interp, c.text);
        EXPECT_FALSE(outcome.value.has_value());
        EXPECT_EQ(outcome.message, Msg(c.message));
        EXPECT_EQ(outcome.thrown, c.text);
    }
}

TEST(Evaluator, EvaluateDropsTheMessageAndThrowsTheText)
{
    CInterpreter interp;
    try {
        interp.Evaluate("1 / 0");
        FAIL() << "no error";
    } catch (const CEvalError& error) {
        EXPECT_EQ(error.Text(), "1 / 0");
    }
}

TEST(Evaluator, ErrorsKeepEarlierAssignments)
{
    CInterpreter interp;
    EvaluateText(interp, "y = (x = 3) / 0");
    EXPECT_EQ(interp.Variables().Get("y"), 0.0);
    EXPECT_EQ(interp.Variables().Get("x"), 3.0);
}

struct ValueCase {
    const char* text;
    double value;
};

TEST(Evaluator, ComputesValues)
{
    const ValueCase cases[] = {
        { "2 + 3 * 4", 14 },
        { "10 - 4 - 3", 3 },
        { "2 * 3 % 4", 2 },
        { "1 << 2 + 1", 8 },
        { "1 < 2 == 1", 1 },
        { "7 / 2", 3.5 },
        { "7 % 2", 1 },
        { "-7 % 2", -1 },
        { "7.9 % 2.5", 1 },
        { "5.7 & 3", 1 },
        { "6 | 3", 7 },
        { "6 ^ 3", 5 },
        { "(1 + 2) * 3", 9 },
        { "", 0 },
        { "undefinedName", 0 },
        { "3 > 2", 1 },
        { "2 >= 2", 1 },
        { "3 < 2", 0 },
        { "2 <= 1", 0 },
        { "2 != 2", 0 },
        { "2 && 0", 0 },
        { "2 || 0", 1 },
        { "0 || 0", 0 },
        { "-3", -3 },
        { "+3", 3 },
        { "- -3", -0.0 }, // the operand of a sign is a primary
        { ".5", 0.5 },
        { ".5 + 1.", 1.5 },
        { "1.2.3", 1.2 },
        { "1e5", 100000 },
        { "1e-3", 0.001 },
        { "1e400", std::numeric_limits<double>::infinity() },
        { "!0", 1 },
        { "!5", 0 },
        { "!x", 1 },
        { "!(2 - 2)", 1 },
        { "a b", 0 },
        { "3 4", 3 },
        { "break", 0 },
        { "\"text\" + 1", 1 }, // a left operand's kind is never checked
        // Shifts: the count is taken modulo 32; signed results.
        { "1 << 33", 2 },
        { "1 << -1", -2147483648.0 },
        { "-8 >> 1", -4 },
        { "-1 << 4", -16 },
        { "1 << 31", -2147483648.0 },
        { "-2147483648 % -1", 0 },
        { "-7.9 % 2", -1 },
        // Values outside the 32-bit range convert to -2147483648.
        { "3000000000 & -1", -2147483648.0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CInterpreter interp;
        const EvalOutcome outcome = EvaluateText(interp, c.text);
        ASSERT_TRUE(outcome.value.has_value()) << outcome.message;
        EXPECT_EQ(*outcome.value, c.value);
        EXPECT_EQ(std::signbit(*outcome.value), std::signbit(c.value));
    }
}

TEST(Evaluator, NotANumberCompares)
{
    CInterpreter interp;
    interp.Variables().Set("n", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(interp.Evaluate("n == n"), 0.0);
    EXPECT_EQ(interp.Evaluate("n != n"), 1.0);
    EXPECT_EQ(interp.Evaluate("!n"), 0.0);
    EXPECT_EQ(interp.Evaluate("n & 1"), 0.0); // NaN converts to -2147483648
    EXPECT_EQ(interp.Evaluate("n | 0"), -2147483648.0);
}

TEST(Evaluator, Assignments)
{
    CInterpreter interp;
    auto& vars = interp.Variables();
    EXPECT_EQ(interp.Evaluate("x = 5"), 5.0);
    EXPECT_EQ(vars.Get("x"), 5.0);
    EXPECT_EQ(interp.Evaluate("x = y = 2"), 2.0);
    EXPECT_EQ(vars.Get("x"), 2.0);
    EXPECT_EQ(vars.Get("y"), 2.0);
    EXPECT_EQ(interp.Evaluate("x += 3"), 5.0);
    EXPECT_EQ(interp.Evaluate("x -= 1"), 4.0);
    EXPECT_EQ(interp.Evaluate("x *= 3"), 12.0);
    EXPECT_EQ(interp.Evaluate("x /= 8"), 1.5);
    // The right side of = is a whole list, evaluated before the assignment.
    EXPECT_EQ(interp.Evaluate("x = 13, x %= 5"), 13.0);
    EXPECT_EQ(vars.Get("x"), 13.0);
    EXPECT_EQ(interp.Evaluate("x %= 5"), 3.0);
    EXPECT_EQ(interp.Evaluate("x <<= 1"), 6.0);
    EXPECT_EQ(interp.Evaluate("x >>= 2"), 1.0);
    EXPECT_EQ(interp.Evaluate("x |= 6"), 7.0);
    EXPECT_EQ(interp.Evaluate("x &= 5"), 5.0);
    EXPECT_EQ(interp.Evaluate("x ^= 1"), 4.0);
    EXPECT_EQ(interp.Evaluate("(x) = 9"), 9.0); // a parenthesised name stays assignable
    EXPECT_EQ(vars.Get("x"), 9.0);
    interp.Evaluate("0 && (z = 1)");
    EXPECT_EQ(vars.Get("z"), 1.0);
    // In x + y = 3 the sum is the result; the rest is left unread.
    vars.Set("y", 2);
    EXPECT_EQ(interp.Evaluate("x + y = 3"), 11.0);
    EXPECT_EQ(vars.Get("y"), 2.0);
    EXPECT_EQ(vars.Get("Count"), 0.0);
    interp.Evaluate("Count = 1, count = 2");
    EXPECT_EQ(vars.Get("Count"), 1.0);
    EXPECT_EQ(vars.Get("count"), 2.0);
}

TEST(Evaluator, PendingResultsOfAList)
{
    CInterpreter interp;
    EXPECT_EQ(interp.Evaluate("x = 1, y = 2"), 1.0);
    EXPECT_EQ(interp.Variables().Get("y"), 2.0);
    EXPECT_TRUE(interp.HasPending());
    EXPECT_EQ(interp.NextValue(), 2.0);
    EXPECT_FALSE(interp.HasPending());
    EXPECT_EQ(interp.NextValue(), 0.0);

    // A loop header.
    EXPECT_EQ(interp.Evaluate("i = 1, 10, 2"), 1.0);
    EXPECT_EQ(interp.NextValue(), 10.0);
    EXPECT_EQ(interp.NextValue(), 2.0);
    EXPECT_FALSE(interp.HasPending());

    // The next evaluation starts from an empty list.
    interp.Evaluate("1, 2, 3");
    interp.Evaluate("4");
    EXPECT_FALSE(interp.HasPending());
}

TEST(Evaluator, IncrementAndDecrement)
{
    CInterpreter interp;
    auto& vars = interp.Variables();
    vars.Set("x", 5);
    EXPECT_EQ(interp.Evaluate("x++"), 5.0);
    EXPECT_EQ(vars.Get("x"), 6.0);
    EXPECT_EQ(interp.Evaluate("++x"), 7.0);
    EXPECT_EQ(vars.Get("x"), 7.0);
    EXPECT_EQ(interp.Evaluate("x--"), 7.0);
    EXPECT_EQ(interp.Evaluate("--x"), 5.0);
    EXPECT_EQ(interp.Evaluate("-x"), -5.0);
    // A prefix ++ result is still assignable.
    EXPECT_EQ(interp.Evaluate("++x += 10"), 16.0);
    EXPECT_EQ(vars.Get("x"), 16.0);
    // Postfix on an element.
    interp.Evaluate("a[2] = 1");
    EXPECT_EQ(interp.Evaluate("a[2]++"), 1.0);
    EXPECT_EQ(vars.Get("a[2]"), 2.0);
    // Prefix applies to the bare name that follows, not to an element.
    interp.Evaluate("++a[2]");
    EXPECT_EQ(vars.Get("a"), 1.0);
    EXPECT_EQ(vars.Get("a[2]"), 2.0);
    // ++ before a non-name is passed up.
    EXPECT_EQ(interp.Evaluate("++3"), 0.0);
}

TEST(Evaluator, ArrayElements)
{
    CInterpreter interp;
    auto& vars = interp.Variables();
    EXPECT_EQ(interp.Evaluate("a[2] = 5"), 5.0);
    EXPECT_EQ(interp.Evaluate("a[2]"), 5.0);
    EXPECT_EQ(interp.Evaluate("a[1 + 1]"), 5.0);
    EXPECT_EQ(interp.Evaluate("a[2.9]"), 5.0);
    interp.Evaluate("a[-1] = 7");
    EXPECT_EQ(vars.Get("a[-1]"), 7.0);
    interp.Evaluate("a[i = 3] = 4");
    EXPECT_EQ(vars.Get("i"), 3.0);
    EXPECT_EQ(vars.Get("a[3]"), 4.0);
    EXPECT_EQ(interp.Evaluate("a[3] += 2"), 6.0);
    EXPECT_EQ(vars.Get("a[3]"), 6.0);
    EXPECT_EQ(interp.Evaluate("a[3] == 6"), 1.0);
    interp.Evaluate("m[1][2] = 8");
    EXPECT_EQ(vars.Get("m[1][2]"), 8.0);
    EXPECT_EQ(interp.Evaluate("m[1][2] * 2"), 16.0);
    // Ten subscripts are allowed.
    interp.Evaluate("t[1][2][3][4][5][6][7][8][9][10] = 1");
    EXPECT_EQ(vars.Get("t[1][2][3][4][5][6][7][8][9][10]"), 1.0);
    // Out-of-range subscripts name the element -2147483648.
    interp.Evaluate("b[1e10] = 3");
    EXPECT_EQ(vars.Get("b[-2147483648]"), 3.0);
}

TEST(Evaluator, InitialiserLists)
{
    CInterpreter interp;
    auto& vars = interp.Variables();
    interp.Evaluate("a[2][3] = {1, 2, 3, 4, 5, 6}");
    EXPECT_EQ(vars.Get("a[0][0]"), 1.0);
    EXPECT_EQ(vars.Get("a[0][2]"), 3.0);
    EXPECT_EQ(vars.Get("a[1][0]"), 4.0);
    EXPECT_EQ(vars.Get("a[1][2]"), 6.0);
    interp.Evaluate("b[] = {7, 8, 9}");
    EXPECT_EQ(vars.Get("b[0]"), 7.0);
    EXPECT_EQ(vars.Get("b[2]"), 9.0);
    // The first dimension is not bounded.
    interp.Evaluate("c[][2] = {1, 2, 3, 4, 5}");
    EXPECT_EQ(vars.Get("c[2][0]"), 5.0);
    // Three dimensions wrap from the last toward the second.
    interp.Evaluate("d[2][2][2] = {1, 2, 3, 4, 5}");
    EXPECT_EQ(vars.Get("d[0][1][1]"), 4.0);
    EXPECT_EQ(vars.Get("d[1][0][0]"), 5.0);
    // Without its closing brace the list ends with the text.
    interp.Evaluate("e[] = {1, 2");
    EXPECT_EQ(vars.Get("e[1]"), 2.0);
}

TEST(Evaluator, LongTextsAreNotCut)
{
    std::string text = "x = 0";
    for (int i = 0; i < 2000; ++i)
        text += " + 1";
    CInterpreter interp;
    EXPECT_EQ(interp.Evaluate(text), 2000.0);
    const std::string name(1000, 'v');
    interp.Evaluate(name + " = 4");
    EXPECT_EQ(interp.Variables().Get(name), 4.0);
}

TEST(Evaluator, NestingIsBounded)
{
    auto nested = [](int depth) {
        return std::string(depth, '(') + "1" + std::string(depth, ')');
    };
    CInterpreter interp;
    EXPECT_EQ(interp.Evaluate(nested(CInterpreter::kMaxNesting)), 1.0);
    EXPECT_EQ(EvaluateText(interp, nested(CInterpreter::kMaxNesting + 1)).message, Msg(texts::kNestingTooDeep));
    EXPECT_EQ(EvaluateText(interp, nested(100000)).message, Msg(texts::kNestingTooDeep));

    std::string calls;
    for (int i = 0; i < 5000; ++i)
        calls += "sin(";
    EXPECT_EQ(EvaluateText(interp, calls + "1").message, Msg(texts::kNestingTooDeep));
    std::string chain;
    for (int i = 0; i < 5000; ++i)
        chain += "a[";
    EXPECT_EQ(EvaluateText(interp, chain).message, Msg(texts::kNestingTooDeep));
    // The guard unwinds: the interpreter stays usable.
    EXPECT_EQ(interp.Evaluate("2 + 2"), 4.0);
    // A long flat list is no nesting.
    std::string list = "1";
    for (int i = 0; i < 10000; ++i)
        list += ", 1";
    EXPECT_EQ(interp.Evaluate(list), 1.0);
}

} // namespace
