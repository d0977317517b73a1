#include "interp/CRandom.h"
#include "InterpTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

TEST(Builtins, Values)
{
    const std::pair<const char*, double> cases[] = {
        { "sqrt(16)", 4 },
        { "pow(2, 10)", 1024 },
        { "log10(1000)", 3 },
        { "abs(-2.7)", 2 },
        { "abs(3.9)", 3 },
        { "abs(-2147483648)", 2147483648.0 }, // no negative absolute value
        { "abs(1e20)", 2147483648.0 },
        { "fabs(-2.7)", 2.7 },
        { "floor(-2.5)", -3 },
        { "ceil(-2.5)", -2 },
        { "sin(0)", 0 },
        { "cos(0)", 1 },
        { "tan(0)", 0 },
        { "exp(0)", 1 },
        { "acos(1)", 0 },
        { "asin(0)", 0 },
        { "cosh(0)", 1 },
        { "sinh(0)", 0 },
        { "srand(5)", 0 },
        { "sin(1) + 1", std::sin(1.0) + 1 },
        { "pow(2, 3) * 2", 16 },
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        CInterpreter interp;
        EXPECT_EQ(interp.Evaluate(text), value);
    }
    CInterpreter interp;
    EXPECT_NEAR(interp.Evaluate("atan2(1, 0)"), 1.5708, 1e-4);
    EXPECT_NEAR(interp.Evaluate("atan(1)"), 0.7854, 1e-4);
    EXPECT_NEAR(interp.Evaluate("log(exp(1))"), 1.0, 1e-15);
    EXPECT_TRUE(std::isnan(interp.Evaluate("sqrt(-1)")));
    EXPECT_EQ(interp.Evaluate("log(0)"), -INFINITY);
    EXPECT_TRUE(std::isnan(interp.Evaluate("acos(2)")));
}

TEST(Builtins, ArgumentsAreEvaluatedAsAList)
{
    CInterpreter interp;
    EXPECT_EQ(interp.Evaluate("sin(x = 1)"), std::sin(1.0));
    EXPECT_EQ(interp.Variables().Get("x"), 1.0);
    // Side effects of the arguments happen before the count is checked.
    EvaluateText(interp, "sin(y = 2, 3)");
    EXPECT_EQ(interp.Variables().Get("y"), 2.0);
    // Sin is an identifier, so this is the variable Sin.
    EXPECT_EQ(interp.Evaluate("Sin(1)"), 0.0);
    // srand keeps its argument's kind.
    EXPECT_EQ(interp.Evaluate("srand(z = 4)"), 0.0);
}

TEST(Builtins, RandomSequence)
{
    // The generator of the program: x = x * 214013 + 2531011, (x >> 16) & 0x7FFF.
    std::vector<int> expected;
    std::uint32_t x = 1;
    for (int i = 0; i < 5; ++i) {
        x = x * 214013u + 2531011u;
        expected.push_back(static_cast<int>((x >> 16) & 0x7FFF));
    }
    EXPECT_EQ(expected[0], 41);
    CInterpreter interp;
    interp.Evaluate("srand(1)");
    for (int value : expected)
        EXPECT_EQ(interp.Evaluate("rand()"), value);

    // A fresh interpreter does not reset the generator.
    CInterpreter second;
    second.Evaluate("srand(3.9)");
    const double a = second.Evaluate("rand()");
    CRandom::Seed(3);
    EXPECT_EQ(CRandom::Next(), a);
    // Seeds outside the 32-bit range all seed with -2147483648.
    second.Evaluate("srand(1e300)");
    const double b = second.Evaluate("rand()");
    second.Evaluate("srand(-2147483648)");
    EXPECT_EQ(second.Evaluate("rand()"), b);
}

TEST(Builtins, GaussianDraws)
{
    CInterpreter interp;
    interp.Evaluate("srand(7)");
    const int kDraws = 20000;
    double sum = 0;
    double squares = 0;
    int finite = 0;
    for (int i = 0; i < kDraws; ++i) {
        const double v = interp.Evaluate("gaussianrand(0, 1)");
        if (!std::isfinite(v))
            continue; // u1 = 0, one chance in 32768
        sum += v;
        squares += v * v;
        ++finite;
    }
    const double mean = sum / finite;
    EXPECT_NEAR(mean, 0.0, 0.05);
    EXPECT_NEAR(std::sqrt(squares / finite - mean * mean), 1.0, 0.05);
    // With sd 0 the mean comes back (u1 = 0 aside).
    for (int i = 0; i < 100; ++i) {
        const double v = interp.Evaluate("gaussianrand(10, 0)");
        if (std::isfinite(v)) {
            EXPECT_EQ(v, 10.0);
        }
    }
}

} // namespace
