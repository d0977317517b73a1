// Random and mutated texts through every entry point: no crash, no hang, and
// only the interpreter's own messages.

#include "InterpTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

const std::set<std::string>& KnownMessages()
{
    static const std::set<std::string> messages = [] {
        std::set<std::string> m;
        for (auto text : { texts::kSyntaxError, texts::kDivisionByZero, texts::kNoClosingParen, texts::kBadSubscript,
                 texts::kSyntaxErrorEqual, texts::kIncrementError, texts::kDecrementError, texts::kAssignToReserved,
                 texts::kFunctionWithoutArgs, texts::kNoArguments, texts::kWrongArgumentCount, texts::kBadExponent,
                 texts::kNestingTooDeep })
            m.insert(Msg(text));
        return m;
    }();
    return messages;
}

const std::vector<std::string> kFragments {
    "a", "b", "x", "i", "a[", "m[1][", "]", "[", "(", ")", "{", "}", ",", "=", "==", "+=", "-=", "*=", "/=", "%=",
    "&=", "|=", "^=", "<<=", ">>=", "+", "-", "*", "/", "%", "<<", ">>", "<", ">", "<=", ">=", "!=", "!", "&&", "||",
    "&", "|", "^", "++", "--", "0", "1", "2", "-1", "3.5", ".5", "1e3", "1e", "2e+", "1.2.3", "1e400", "2147483648",
    "sin", "cos", "sqrt", "abs", "pow", "rand", "srand", "atan2", "gaussianrand", "log", "break", "continue",
    "\"s\"", "\"%f\"", "\"%5.2f %d %s %n\"", "\"%", "\"", "\\n", " ", ";", "\x82\xa0", "\x95\x5c",
};

std::string RandomText(std::mt19937& rng)
{
    std::uniform_int_distribution<std::size_t> pick(0, kFragments.size() - 1);
    std::uniform_int_distribution<int> length(1, 24);
    std::string text;
    for (int n = length(rng); n > 0; --n)
        text += kFragments[pick(rng)];
    return text;
}

std::string Mutate(std::string text, std::mt19937& rng)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> edits(1, 4);
    for (int n = edits(rng); n > 0; --n) {
        const std::size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
        switch (rng() % 3) {
        case 0: text.insert(at, 1, static_cast<char>(byte(rng))); break;
        case 1: if (at < text.size()) text.erase(at, 1); break;
        default: if (at < text.size()) text[at] = static_cast<char>(byte(rng)); break;
        }
    }
    return text;
}

void Check(const std::string& message, const std::string& text)
{
    EXPECT_TRUE(KnownMessages().count(message)) << "text: " << text << "\nmessage: " << message;
}

void RunAll(CInterpreter& interp, const std::string& text)
{
    CMemoryConsole console({ "1\n", "2\n", "x\n" });
    try {
        interp.EvaluateReport(text, console);
        while (interp.HasPending())
            interp.NextValue();
    } catch (const CEvalError& error) {
        EXPECT_EQ(error.Text(), text);
        std::string line = console.Output();
        ASSERT_FALSE(line.empty());
        line.pop_back();
        Check(line, text);
    }
    try {
        interp.ExecuteInput(text, console);
    } catch (const CEvalError& error) {
        Check(error.Text(), text);
    }
    CMemoryConsole output;
    try {
        interp.ExecuteOutput(text, output);
    } catch (const CEvalError& error) {
        EXPECT_EQ(error.Text(), text);
    }
}

TEST(Corpus, RandomAndMutatedTextsOnlyRaiseKnownMessages)
{
    std::mt19937 rng(12345);
    const std::vector<std::string> seeds {
        "i = 1, 10, 2", "a[2][3] = {1, 2, 3, 4, 5, 6}", "x = sqrt(x * x + 1)", "\"x = %5.2f\", x, y",
        "a[i][j] = a[i - 1][j] + 1", "i <= n && a[i] > 0", "srand(3), rand() % 6 + 1", "b[] = {7, 8, 9}",
        "((((1))))", "x <<= 33, x >>= -1", "gaussianrand(0, 1)", "x++ + ++x - --y",
    };
    CInterpreter interp; // shared, so variables and pending tokens accumulate
    for (int round = 0; round < 20000; ++round) {
        const std::string text = (round % 2 == 0) ? RandomText(rng) : Mutate(seeds[rng() % seeds.size()], rng);
        SCOPED_TRACE(text);
        RunAll(interp, text);
        if (HasFailure())
            return;
    }
    // Deep and long shapes.
    RunAll(interp, std::string(5000, '(') + "1");
    RunAll(interp, std::string(5000, '[') + "1");
    RunAll(interp, "a" + std::string(3000, '['));
    std::string chain;
    for (int i = 0; i < 2000; ++i)
        chain += "x = ";
    RunAll(interp, chain + "1");
    RunAll(interp, std::string(5000, '-') + "1");
    RunAll(interp, std::string(5000, '!') + "1");
    RunAll(interp, "a[] = {" + std::string(5000, ',') + "}");
}

} // namespace
