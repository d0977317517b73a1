// The compiled interpreter against the reference evaluator: the same texts,
// in the same order, through every entry point, must give the same values,
// pending results, console bytes, errors and variables.

#include "InterpTestSupport.h"

#include "interp/CCompiledText.h"
#include "interp/CRandom.h"
#include "interp/CReferenceInterpreter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace {

// Everything one entry point call can show.
struct Observed {
    std::string outcome; // the value (as bits) or the thrown text
    std::string console;
    std::vector<std::string> pending;
    std::vector<std::pair<std::string, double>> variables;
};

using testing_support::ValueBits;

bool SameVariables(const std::vector<std::pair<std::string, double>>& a, const std::vector<std::pair<std::string, double>>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].first != b[i].first || ValueBits(a[i].second) != ValueBits(b[i].second))
            return false;
    }
    return true;
}

enum class Entry { Evaluate, EvaluateReport, Output, Input };

template <typename Interp>
Observed Observe(Interp& interp, Entry entry, const std::string& text, std::uint32_t seed)
{
    CRandom::Seed(seed);
    CMemoryConsole console({ "12\n", "  -3.5e1x\n", "abc\n", "7" });
    Observed seen;
    bool failed = false;
    try {
        switch (entry) {
        case Entry::Evaluate: seen.outcome = ValueBits(interp.Evaluate(text)); break;
        case Entry::EvaluateReport: seen.outcome = ValueBits(interp.EvaluateReport(text, console)); break;
        case Entry::Output: interp.ExecuteOutput(text, console); break;
        case Entry::Input: interp.ExecuteInput(text, console); break;
        }
    } catch (const CEvalError& error) {
        seen.outcome = "error: " + error.Text();
        failed = true;
    }
    // After an error the run ends; what the reference leaves pending then is
    // never read.
    if (!failed) {
        while (interp.HasPending())
            seen.pending.push_back(ValueBits(interp.NextValue()));
        seen.pending.push_back(ValueBits(interp.NextValue())); // past the end: 0
    }
    seen.console = console.Output();
    seen.variables = interp.Variables().Entries();
    seen.variables.emplace_back("(random)", CRandom::Next());
    return seen;
}

class CDifferential {
public:
    // Runs `text` through one entry point of both interpreters; false (with a
    // test failure) when they differ.
    bool Check(Entry entry, const std::string& text)
    {
        const std::uint32_t seed = m_seed++;
        const Observed expected = Observe(m_reference, entry, text, seed);
        const Observed actual = Observe(m_fast, entry, text, seed);
        EXPECT_EQ(actual.outcome, expected.outcome) << Describe(entry, text);
        EXPECT_EQ(actual.console, expected.console) << Describe(entry, text);
        EXPECT_EQ(actual.pending, expected.pending) << Describe(entry, text);
        EXPECT_TRUE(SameVariables(actual.variables, expected.variables)) << Describe(entry, text);
        return !::testing::Test::HasFailure();
    }

    bool CheckAll(const std::string& text)
    {
        for (Entry entry : { Entry::Evaluate, Entry::EvaluateReport, Entry::Output, Entry::Input }) {
            if (!Check(entry, text))
                return false;
        }
        return true;
    }

    std::size_t VariableCount() { return m_fast.Variables().Count(); }

private:
    static std::string Describe(Entry entry, const std::string& text)
    {
        static const char* names[] = { "Evaluate", "EvaluateReport", "ExecuteOutput", "ExecuteInput" };
        return std::string(names[static_cast<int>(entry)]) + " of [" + text + "]";
    }

    CReferenceInterpreter m_reference;
    CInterpreter m_fast;
    std::uint32_t m_seed { 1 };
};

// The texts of every box of the example and benchmark charts.
std::vector<std::string> ChartTexts()
{
    std::vector<std::string> texts;
    for (const char* dir : { "examples", "bench/charts" }) {
        const std::filesystem::path root = testing_support::SourcePath(dir);
        if (!std::filesystem::exists(root))
            continue;
        for (const auto& file : std::filesystem::directory_iterator(root)) {
            if (file.path().extension() != ".outline")
                continue;
            std::ifstream in(file.path());
            for (std::string line; std::getline(in, line);) {
                const std::size_t colon = line.find(": ");
                if (line.find('#') == line.find_first_not_of(' ') || colon == std::string::npos)
                    continue;
                texts.push_back(line.substr(colon + 2));
            }
        }
    }
    return texts;
}

// Texts written for the edge cases of the language, good and bad.
const std::vector<std::string> kHandTexts {
    "2 + 3 * 4", "10 - 4 - 3", "2 * 3 % 4", "1 << 2 + 1", "1 < 2 == 1", "7 / 2", "-7 % 2", "7.9 % 2.5", "5.7 & 3",
    "1 / 0", "1 / (2 - 2)", "x % 0.5", "x = 5", "x = y = 2", "x += 3", "x <<= 1", "x >>= 33", "x = 1, y = 2",
    "x = 1, x = 2", "x = 1, y = x", "x++", "++x", "x--", "--x", "-x", "- -x", "!x", "!!x", "+x", "a b", "x + y = 3",
    "(1 + 2) * 3", "(1, 2)", "(x) = 4", "(x = 3)++", "++x = 7", "a[2] = 5", "a[1 + 1]", "a[2.9]", "a[-1] = 8",
    "a[2][3] = {1, 2, 3, 4, 5, 6}", "a[] = {1, 2}", "a[1][] = 3", "a[] = 3", "a[1] = 2, 3", "a[i] += 2", "a[i]++",
    "a[i = 3] = i", "a[1] = 2 = 3", "b[a[1]] = a[a[2]]", "m[1][2] = 7, m[1][2]", "0 && (x = 1)", "x != 0 && y / x > 1",
    "sqrt(16)", "pow(2, 10)", "atan2(1, 0)", "atan(1)", "log(exp(1))", "abs(-2.7)", "fabs(-2.7)", "floor(-2.5)",
    "rand()", "srand(1), rand()", "srand(x)", "srand(x) = 3", "gaussianrand(10, 0)", "sin = 1", "sin 1", "sin()",
    "sin(1, 2)", "rand(1)", "sin(x = 1)", "pow(x = 2, 3)", "Sin(1)", "\"x = \", x, \"y = %5.2f\", y",
    "\"%f %f\", 1", "\"a\" + 1", "x = \"s\"", "x += \"s\"", "\"no end", "i = 1, 10, 2", "i = 10, 1", "i <= 10.000000",
    "i += 2.000000", "i ++", "break", "continue", "", "   ", "1e5", "2e+x", "1.2.3", ".5", "x = 2147483648 % 3",
    "x = -2147483649, x % 2", "1e300 * 1e300 - 1e300 * 1e300", "-0.0 * 1, a[5] = -0.0", "a[3] = 0.5, a[3]",
    // Assignments of arithmetic, elements and even-tests made as one node.
    "x = 3 * x + 1", "x = x / 2, x % 2 == 0", "y += a[i] * m[1][i + 1]", "a[i - 1] = a[i + 1] * 2", "x -= a[i - 3]",
    "a[i] = x % 4, a[i - 1] = m[i][i - 1]", "x *= m[i][2] + y", "m[i][i + 1] = a[i + 2147483647]",
    "m[i - 2][i] = 4, m[i - 2][i] + m[1][600], m[1][600] = 2, m[1][600] + m[70000][1]",
    "x % 4 == 3", "x % 2 != 0.5", "y % 8 == -0.0", "x % 2 == 1e300", "x = -7, x % 4 == -3, x % 4 != -3", "y = 3 * x + 1",
    "y = x * 3 - 2", "y = x - y * 1", "y = 2 - x + 5", "m[i][i] = m[i][i] + 1, m[i][i - 1] = m[i + 1][i]",
    "a[4] = 1e10, a[4]", "a[100000] = 1, a[7000] = 2", "x = (y = 3) + y", "x = y++ + y", "a[x] = x++",
    "((((1))))", "x = 1, \"%3.0f\", x, y", "++a[1]", "a[1]++ = 2", "x, y, \"z\"", "x = 1,", ", x", "x = (1",
    // Remainders and quotients by constant powers of two, at the edges.
    "x = -7, x % 4", "x = -2147483648, x % 2", "x = -8, x % 8", "x % 1", "x = 2147483647.9, x % 2.9",
    "x = -3, x / 2", "x / -0.25", "x = 1e308, x / 0.5", "x = 5e-324, x / 4", "x / 1e-308", "x = -0.0, x / 2",
    "y = 0 / 0, y % 4, y / 8", "x % 2147483648", "(x + 1) % 16", "(x - 1) / 1024", "x / 0", "x % 0.5",
};

// Random texts from the grammar, mostly well formed; `broken` drops, adds or
// swaps a token to make the near misses that a user types.
class CTextGenerator {
public:
    explicit CTextGenerator(std::uint32_t seed) : m_rng(seed) {}

    std::string List(bool broken)
    {
        std::string text = Item(0, true);
        for (int n = Pick(3); n > 0; --n)
            text += ", " + Item(0, true);
        if (broken)
            text = Break(text);
        return text;
    }

private:
    int Pick(int n) { return static_cast<int>(m_rng() % static_cast<std::uint32_t>(n)); }

    std::string Item(int depth, bool top)
    {
        if (top && Pick(8) == 0)
            return Pick(2) ? "\"v=%4.1f \"" : "\"s\"";
        if (Pick(4) == 0)
            return Lvalue(depth) + " " + Choose({ "=", "+=", "-=", "*=", "/=", "%=", "<<=", "|=" }) + " " + Expr(depth + 1);
        return Expr(depth);
    }

    std::string Lvalue(int depth)
    {
        switch (Pick(depth > 2 ? 2 : 4)) {
        case 0: return Choose({ "x", "y", "i", "n" });
        case 1: return "a[" + Simple() + "]";
        case 2: return "a[" + Expr(depth + 1) + "]";
        default: return "m[" + Simple() + "][" + Simple() + "]";
        }
    }

    std::string Simple()
    {
        switch (Pick(3)) {
        case 0: return Choose({ "0", "1", "2", "3", "-1", "2.5", "1e2", "0.5", "2147483648" });
        case 1: return Choose({ "x", "y", "i", "n" });
        default: return "i + " + Choose({ "0", "1", "2" });
        }
    }

    std::string Expr(int depth)
    {
        if (depth > 3)
            return Simple();
        switch (Pick(9)) {
        case 0:
        case 1: return Simple();
        case 2:
            return Expr(depth + 1) + " "
                + Choose({ "+", "-", "*", "/", "%", "<<", ">>", "&", "|", "^", "==", "!=", "<", ">", "<=", ">=", "&&", "||" })
                + " " + Expr(depth + 1);
        case 3: return Choose({ "-", "+", "!" }) + Simple();
        case 4: return Lvalue(depth) + Choose({ "++", "--" });
        case 5: return Choose({ "++", "--" }) + Choose({ "x", "y", "i" });
        case 6: return "(" + Item(depth + 1, false) + ")";
        case 7: return Lvalue(depth);
        default:
            switch (Pick(4)) {
            case 0: return Choose({ "sin", "sqrt", "abs", "floor", "log", "fabs", "srand" }) + "(" + Expr(depth + 1) + ")";
            case 1: return Choose({ "pow", "atan2", "gaussianrand" }) + "(" + Expr(depth + 1) + ", " + Expr(depth + 1) + ")";
            case 2: return "rand()";
            default: return "rand() % " + Simple();
            }
        }
    }

    std::string Choose(std::initializer_list<const char*> options)
    {
        return *(options.begin() + Pick(static_cast<int>(options.size())));
    }

    std::string Break(std::string text)
    {
        static const char* extras[] = { "(", ")", "[", "]", "=", ",", "+", "{", "}", "\"", "++", "x", "3", "sin", "!" };
        const std::size_t at = text.empty() ? 0 : m_rng() % (text.size() + 1);
        switch (Pick(3)) {
        case 0: text.insert(at, extras[Pick(15)]); break;
        case 1: if (at < text.size()) text.erase(at, 1 + m_rng() % 3); break;
        default: if (at < text.size()) text[at] = *extras[Pick(15)]; break;
        }
        return text;
    }

    std::mt19937 m_rng;
};

TEST(Differential, ChartAndHandWrittenTextsAgree)
{
    CDifferential diff;
    // Some state first, so that names do not all read as 0.
    ASSERT_TRUE(diff.CheckAll("x = 3, y = -2.5, i = 1, n = 4, a[0] = 4, a[1] = 7, a[2] = -1, m[1][2] = 9"));
    std::vector<std::string> texts = ChartTexts();
    ASSERT_GT(texts.size(), 100u);
    texts.insert(texts.end(), kHandTexts.begin(), kHandTexts.end());
    // Nesting on both sides of the depth the compiler takes on.
    for (int depth : { 30, 60, 300 })
        texts.push_back(std::string(depth, '(') + "x = x + 1" + std::string(depth, ')'));
    for (const std::string& text : texts) {
        if (!diff.CheckAll(text))
            return;
    }
}

TEST(Differential, RandomGrammarTextsAgree)
{
    CTextGenerator generator(20240611);
    std::size_t variables = 0;
    // Fresh interpreters now and then keep the values in a range where they
    // stay interesting.
    for (int run = 0; run < 40; ++run) {
        CDifferential diff;
        ASSERT_TRUE(diff.CheckAll("x = 3, y = -2.5, i = 1, n = 4, a[0] = 4, a[1] = 7, a[2] = -1, m[1][2] = 9"));
        for (int round = 0; round < 250; ++round) {
            if (!diff.CheckAll(generator.List(round % 3 == 2)))
                return;
        }
        variables += diff.VariableCount();
    }
    EXPECT_GT(variables, 400u);
}

// Initialiser lists are compiled; the odd ones (no closing brace, empty
// braces, empty brackets elsewhere) stay with the reference evaluator, and
// either way the two agree.
TEST(Differential, InitialiserListsAgree)
{
    static const char* texts[] = {
        "a[3] = {1, 2, 3}", "m[2][3] = {1, 2, 3, 4, 5, 6, 7}", "m[][2] = {1, 2, 3, 4, 5}", "m[2][0] = {1, 2, 3}",
        "m[2][-1] = {1, 2}", "b[2][2][2] = {1, 2, 3, 4, 5, 6, 7, 8, 9}", "a[2] = {x = 1, 2}", "a[2] = {a[1], a[0] = 9}",
        "a[2] = {1, 2}++", "y = a[2] = {4, 5}", "a[2] = {1, 2}, a[0]", "a[2] = {1, 2} + 1", "a[2] = {1, 2} = 5",
        "a[i++] = {i, i}", "\"%f %f\", a[2] = {7, 8}, a[1]", "srand(a[1] = {3})", "a[2] = {sin(1), rand(), x += 2}",
        "a[3] = {1, 2, 3}, a[1] += 1", "a[2] = {(1, 2)}", "a[2] = {1, 2", "a[2] = {}", "a[2] = {\"s\", 1}",
        "a[1][] = {1}", "a[][] = {1}", "a[], 1 = {2}", "a[] = {1}, a[-1]", "a[1 / 0] = {1}", "a[2] = {1 / 0, x = 5}",
        "a[2] = {1, 2}}", "x = {1}", "a[2] = {y = 1, 2, 3}, y",
    };
    CDifferential diff;
    ASSERT_TRUE(diff.CheckAll("x = 3, y = -2.5, i = 1, n = 4, a[0] = 4, a[1] = 7, a[2] = -1, m[1][2] = 9"));
    for (const char* text : texts) {
        if (!diff.CheckAll(text))
            return;
    }
    CVariableTable variables;
    for (const char* text : { "a[3] = {1, 2, 3}", "m[][2] = {1, 2, 3}", "a[2] = {x = 1, 2}", "y = a[2] = {4, 5}" })
        EXPECT_TRUE(CCompiledText::Compile(text, variables)->IsCompiled()) << text;
}

// The differential tests above only mean something if the ordinary texts
// really take the compiled path and the odd ones really do not.
TEST(Differential, OrdinaryTextsAreCompiledAndOddOnesAreNot)
{
    CVariableTable variables;
    struct Case {
        const char* text;
        bool compiled;
    };
    const Case cases[] {
        { "s = s + i", true }, { "i <= 10000000.000000", true }, { "i ++", true }, { "j += 2.000000", true },
        { "a[j] > a[j + 1]", true }, { "a[j + 1] = t", true }, { "x % 2 == 0", true }, { "i = 1, n, 2", true },
        { "\"%4.0f\", i", true }, { "best = start, bestSteps = steps", true }, { "m[i][j] = rand() % 6", true },
        { "x = sqrt(x * x + 1)", true }, { "a[] = {1, 2}", true }, { "m[2][3] = {1, 2, 3, 4, 5, 6}", true },
        { "a b", false }, { "x + y = 3", false }, { "(1, 2)", false }, { "a[] = 3", false }, { "- -x", false },
        { "sin 1", false }, { "rand(1)", false }, { "2e+x", false }, { "", false }, { "x = \"s\"", false },
        { "3 + )", false }, { "break", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CCompiledText::Compile(c.text, variables)->IsCompiled(), c.compiled);
    }
}

TEST(Differential, CountingLoopTextsKeepTheirReportedText)
{
    CInterpreter interp;
    const auto condition = interp.Compile("i <= 1 / 0");
    try {
        interp.Evaluate(*condition);
        FAIL() << "no error";
    } catch (const CEvalError& error) {
        EXPECT_EQ(error.Text(), "i <= 1 / 0");
    }
    CMemoryConsole console;
    EXPECT_THROW(interp.EvaluateReport(*condition, console), CEvalError);
    EXPECT_EQ(console.Output(), Msg(texts::kDivisionByZero) + "\n");
}

} // namespace
