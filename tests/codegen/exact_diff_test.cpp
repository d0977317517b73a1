// Differential check of gen --exact: random charts of every box kind (nested
// loops and branches, arrays, every built-in, errors, input that runs out)
// are translated, compiled and run, and each program must print what the run
// prints and end with its status. TAVRIN_EXACT_CHARTS and TAVRIN_EXACT_SEED
// change the number of charts and the first seed (scripts/exact-diff.sh runs
// thousands).
#include "ExactSupport.h"
#include "TestSupport.h"

#include "model/CTavrinDoc.h"
#include "codegen/ExactGenerator.h"
#include "model/Outline.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace testing_support;
using namespace exact_test;

namespace {

// Charts from a small grammar of the box texts a student writes, with the
// odd corners mixed in.
class CChartMaker {
public:
    explicit CChartMaker(std::uint32_t seed) : m_rng(seed) {}

    std::string Chart()
    {
        std::string out = "simple: n = " + Pick({ "2", "3", "4" }) + "\n";
        const int boxes = 3 + R(5);
        for (int b = 0; b < boxes; ++b)
            Box(out, 0, 0);
        return out;
    }

    std::string Input()
    {
        static const char* const lines[] = { "3\n", "-7 2\n", "1.5\n", "abc\n", "0\n", "  12e1\n", "\n", "99999999999\n", "2" };
        std::string input;
        const int count = R(4) == 0 ? R(3) : 9;
        for (int i = 0; i < count; ++i)
            input += lines[i];
        return input;
    }

private:
    int R(int n) { return static_cast<int>(m_rng() % static_cast<std::uint32_t>(n)); }
    std::string Pick(std::initializer_list<const char*> options)
    {
        auto it = options.begin();
        std::advance(it, R(static_cast<int>(options.size())));
        return *it;
    }

    std::string Num() { return Pick({ "0", "1", "2", "3", "5", "10", "0.5", "2.5", "1e2", "7.25", "32768" }); }
    std::string Assignable() { return Pick({ "a", "b", "c", "x", "y" }); }
    std::string Scalar() { return Pick({ "a", "b", "c", "x", "y", "i", "j", "n", "never" }); }
    std::string Sub() { return Pick({ "0", "1", "2", "3", "i", "j", "a", "i + 1", "-1", "2.7", "x % 3" }); }
    std::string Element() { return R(3) ? "t[" + Sub() + "]" : "m[" + Sub() + "][" + Sub() + "]"; }

    std::string Primary(int depth)
    {
        const int pick = depth <= 0 ? R(3) : R(10);
        switch (pick) {
        case 0: return Num();
        case 1: return Scalar();
        case 2: return Element();
        case 3: return "(" + Expr(depth - 1) + ")";
        case 4: return Pick({ "sin", "cos", "tan", "sqrt", "fabs", "floor", "ceil", "abs", "exp", "log", "log10", "atan", "asin", "acos", "sinh", "cosh" }) + "(" + Expr(depth - 1) + ")";
        case 5: return Pick({ "pow", "atan2" }) + std::string("(") + Expr(depth - 1) + ", " + Expr(depth - 1) + ")";
        case 6:
        case 7:
            // One draw per text: C does not fix the order of two.
            if (m_drawn)
                return Num();
            m_drawn = true;
            return R(2) ? "rand()" : "gaussianrand(" + Num() + ", " + Num() + ")";
        default: return Scalar();
        }
    }

    std::string Unary(int depth)
    {
        switch (R(100)) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5: return "-" + Primary(depth);
        case 6:
        case 7: return "!" + Primary(depth);
        case 8: return "++" + Assignable();
        case 9: return Assignable() + "--";
        default: return Primary(depth);
        }
    }

    std::string Expr(int depth)
    {
        std::string e = Unary(depth);
        const int ops = R(3);
        for (int i = 0; i < ops; ++i)
            e += " " + Pick({ "+", "-", "*", "/", "%", "<", ">", "<=", ">=", "==", "!=", "&&", "||", "&", "|", "^", "<<", ">>", "+", "*" }) + " " + Unary(depth);
        return e;
    }

    std::string Assign(bool scalar = false)
    {
        const std::string target = R(4) || scalar ? Assignable() : Element();
        return target + " " + Pick({ "=", "=", "=", "+=", "-=", "*=", "/=", "%=", "&=", "<<=" }) + " " + Expr(2);
    }

    std::string Simple()
    {
        switch (R(12)) {
        case 0: return Assign(true) + ", " + Assign();
        case 1: return "srand(" + Num() + ")";
        case 2: return Assignable() + "++";
        case 3: return R(2) ? "t[] = {3, -1, 4.5}" : "m[2][2] = {1, 2, 3, 4}";
        default: return Assign();
        }
    }

    std::string Output()
    {
        std::string text;
        const int items = 1 + R(4);
        for (int i = 0; i < items; ++i) {
            if (i)
                text += ", ";
            if (R(3) == 0)
                text += Pick({ "\"v=\"", "\"%5.2f|\"", "\"%.3f \"", "\"日本 \"", "\"%-6.1f%%\"", "\"\\t%f\\n\"", "\"%+.0f\"" });
            else
                text += R(2) ? Scalar() : Expr(1);
        }
        return text;
    }

    std::string Input1() { return Pick({ "a", "b", "x", "a, b", "t[1]", "m[1][i]", "y" }); }

    void Line(std::string& out, int indent, const std::string& text)
    {
        m_drawn = false;
        out.append(static_cast<std::size_t>(indent) * 2, ' ');
        out += text + "\n";
    }

    void Body(std::string& out, int indent, int depth, int loops)
    {
        const int boxes = 1 + R(3);
        for (int b = 0; b < boxes; ++b)
            Box(out, indent, depth + 1, loops);
    }

    void Box(std::string& out, int indent, int depth, int loops = 0)
    {
        const int pick = depth >= 3 ? R(4) : R(10);
        static const char* const loopVars[] = { "i", "j", "k" };
        switch (pick) {
        case 0:
        case 1: Line(out, indent, "simple: " + Simple()); break;
        case 2: Line(out, indent, "output: " + Output()); break;
        case 3:
            if (loops > 0 && R(3) == 0)
                Line(out, indent, std::string("simple: ") + (R(2) ? "break" : "continue"));
            else if (R(3) == 0)
                Line(out, indent, "input: " + Input1());
            else
                Line(out, indent, "output: " + Output());
            break;
        case 4:
        case 5:
            Line(out, indent, "branch: " + Expr(1));
            Line(out, indent + 1, "then");
            Body(out, indent + 2, depth, loops);
            if (R(2)) {
                Line(out, indent + 1, "else");
                Body(out, indent + 2, depth, loops);
            }
            break;
        case 6:
        case 7: {
            const std::string v = loopVars[std::min(loops, 2)];
            std::string header = v + " = " + Pick({ "0", "1", "3", "5" }) + ", " + Pick({ "3", "n", "0", "4.5", "n - 1" });
            if (R(2))
                header += ", " + Pick({ "1", "2", "-1", "0.5", "-2" });
            if (R(5) == 0)
                header = Pick({ "x < 3", "a != b", "c <= 2" });
            Line(out, indent, "pre-loop: " + header);
            Body(out, indent + 1, depth, loops + 1);
            break;
        }
        case 8: {
            const std::string v = loopVars[std::min(loops, 2)];
            const std::string header = R(4) ? v + " = " + Pick({ "0", "1", "2" }) + ", " + Pick({ "3", "n", "2.5" }) : Pick({ "x < 3", "a == b", "0" });
            Line(out, indent, "post-loop: " + header);
            Body(out, indent + 1, depth, loops + 1);
            break;
        }
        default: Line(out, indent, "simple: " + Simple()); break;
        }
    }

    std::mt19937 m_rng;
    bool m_drawn { false };
};

int EnvNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

} // namespace

TEST(ExactDiff, GeneratedChartsPrintWhatTheirRunsPrint)
{
    if (!HaveCompiler("gcc"))
        GTEST_SKIP() << "gcc is not installed";
    const int charts = EnvNumber("TAVRIN_EXACT_CHARTS", 200);
    const int firstSeed = EnvNumber("TAVRIN_EXACT_SEED", 1);
    const std::string dir = TempDir("exact-diff-" + std::to_string(firstSeed) + "-" + std::to_string(charts));
    int compared = 0, refused = 0, unbounded = 0, differed = 0;
    std::map<std::string, int> reasons;
    for (int n = 0; n < charts; ++n) {
        const std::uint32_t seed = static_cast<std::uint32_t>(firstSeed + n);
        CChartMaker maker(seed);
        const std::string outline = maker.Chart();
        const std::string input = maker.Input();
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + outline);
        CTavrinDoc doc;
        BuildOutline(outline, doc.m_root);
        std::string program;
        try {
            program = GenerateExactC(doc.m_root);
        } catch (const CExactRefusal& refusal) {
            ++refused;
            ++reasons[refusal.Reason()];
            if (std::getenv("TAVRIN_EXACT_VERBOSE"))
                std::printf("refused: %s\n", refusal.what());
            continue;
        }
        const std::string chart = dir + "/chart.pad";
        doc.Save(chart);
        const Outcome run = RunChart(chart, input, { "--max-steps", "20000" });
        if (run.status == 125 || run.out.size() > 200000) {
            ++unbounded; // a loop without end: the program would not end either
            continue;
        }
        bool ok = false;
        // Every tenth program also goes through clang's full warning set.
        const bool clang = n % 10 == 0 && HaveCompiler("clang");
        const std::string log = Compile(clang ? "clang" : "gcc", clang ? ClangFlags() : GccFlags(), program, dir, "program", ok);
        ASSERT_TRUE(ok) << log << "\n" << program;
        const Outcome c = RunProgram(dir + "/program", input, dir);
        ++compared;
        if (c.status != run.status || c.out != run.out) {
            ++differed;
            ADD_FAILURE() << "status run " << run.status << " program " << c.status << "\n--- run:\n"
                          << run.out.substr(0, 2000) << "\n--- program:\n" << c.out.substr(0, 2000) << "\n--- C:\n" << program;
            WriteFileBytes(dir + "/differs-" + std::to_string(seed) + ".outline", outline);
            if (differed > 5)
                break;
        }
    }
    std::printf("exact differential: %d charts, %d compared, %d refused, %d without end, %d different\n", charts, compared,
        refused, unbounded, differed);
    for (const auto& [reason, count] : reasons)
        std::printf("  refused %d: %s\n", count, reason.c_str());
    EXPECT_GE(compared * 3, charts) << "too few charts were translated to compare";
}
