#include "exec/CMemoryConsole.h"
#include "exec/CTerminalConsole.h"
#include "base/Codec.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <unistd.h>

namespace {

TEST(ConsoleNumber, TrimsTrailingZeros)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, const char*> cases[] = {
        { 3.0, "3" }, { 2.5, "2.5" }, { 0.0, "0" }, { -0.25, "-0.25" }, { 100.0, "100" },
        { 1.23456789, "1.234568" }, { 0.0000001, "0" }, { -0.0000001, "-0" }, { 2.0000004, "2" },
        { -0.0, "-0" }, { 1e6, "1000000" }, { 0.1, "0.1" }, { 123456789012.5, "123456789012.5" },
        { 2.0000005, "2.000001" }, // glibc rounds the exact binary value
        { inf, "inf" }, { -inf, "-inf" }, { nan, "nan" }, { -nan, "-nan" },
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(FormatNumber(value), text);
        CMemoryConsole console;
        console.WriteNumber(value);
        EXPECT_EQ(console.Output(), text);
    }
    // The largest values are written in full, not cut at a buffer's end.
    const std::string largest = FormatNumber(std::numeric_limits<double>::max());
    EXPECT_EQ(largest.size(), 309u);
    EXPECT_EQ(largest.substr(0, 6), "179769");
    EXPECT_EQ(FormatNumber(1e300).size(), 301u);
}

TEST(ConsoleWrite, ConvertsEscapes)
{
    const std::pair<std::string, std::string> cases[] = {
        { "a\\nb", "a\nb" },
        { "a\\x", "a\\x" },
        { "\\", "\\" },
        { "\\n", "\n" },
        { "\\t\\t", "\t\t" },
        { "\\\\n", "\\\n" }, // no escape for the backslash itself
        { "end\\", "end\\" },
        { "\x95\x5Cn", "\x95\n" }, // a trail byte equal to a backslash converts too
        { "", "" },
    };
    for (const auto& [text, written] : cases) {
        SCOPED_TRACE(text);
        CMemoryConsole console;
        console.Write(text);
        EXPECT_EQ(console.Output(), written);
    }
    CMemoryConsole console;
    const std::string longText(100000, 'x');
    console.Write(longText + "\\n");
    EXPECT_EQ(console.Output(), longText + "\n");
    console.ClearOutput();
    console.WriteRaw("a\\nb");
    EXPECT_EQ(console.Output(), "a\\nb");
}

TEST(ConsoleWrite, IndentAndNewLine)
{
    for (const auto& [level, spaces] : { std::pair { 0, 0 }, { 2, 8 }, { -1, 0 } }) {
        CMemoryConsole console;
        console.Indent(level);
        EXPECT_EQ(console.Output(), std::string(spaces, ' '));
    }
    CMemoryConsole console;
    console.NewLine();
    EXPECT_EQ(console.Output(), "\n");
}

TEST(MemoryConsole, ScriptedInputAndFinish)
{
    CMemoryConsole console({ "1\n", "two" });
    EXPECT_EQ(console.ReadLine(), "1\n");
    EXPECT_EQ(console.ReadLine(), "two");
    EXPECT_FALSE(console.InputExhausted());
    EXPECT_EQ(console.ReadLine(), "");
    EXPECT_TRUE(console.InputExhausted());
    EXPECT_EQ(console.LinesRead(), 2u);
    EXPECT_FALSE(console.Finished());
    console.Finish();
    EXPECT_TRUE(console.Finished());
    EXPECT_EQ(console.Output(), "press ENTER key to exit");
}

// A terminal console on two pipes.
class TerminalConsoleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(pipe(m_in), 0);
        ASSERT_EQ(pipe(m_out), 0);
        g_running = 1;
    }
    void TearDown() override
    {
        for (int fd : { m_in[0], m_in[1], m_out[0], m_out[1] })
            if (fd >= 0)
                close(fd);
        g_running = 0;
    }
    void Feed(std::string_view bytes) { ASSERT_EQ(write(m_in[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
    void EndInput()
    {
        close(m_in[1]);
        m_in[1] = -1;
    }
    std::string Written()
    {
        close(m_out[1]);
        m_out[1] = -1;
        std::string all;
        char buffer[4096];
        for (ssize_t n; (n = read(m_out[0], buffer, sizeof buffer)) > 0;)
            all.append(buffer, static_cast<std::size_t>(n));
        return all;
    }

    int m_in[2] { -1, -1 };
    int m_out[2] { -1, -1 };
};

TEST_F(TerminalConsoleTest, ConvertsOutputEvenWhenACharacterIsSplit)
{
    {
        CTerminalConsole console(TerminalEncoding::Utf8, ExitPause::None, m_in[0], m_out[1]);
        // "結果" in code page 932 is 0x8C 0x8B 0x89 0xCA; write it cut inside
        // the second character.
        console.WriteRaw("\x8C\x8B\x89");
        console.WriteRaw("\xCA");
        console.NewLine();
        console.Finish();
    }
    EXPECT_EQ(Written(), "結果\n");
}

TEST_F(TerminalConsoleTest, RawPassesBytesThrough)
{
    Feed("\x95\x5C\n");
    {
        CTerminalConsole console(TerminalEncoding::Raw, ExitPause::None, m_in[0], m_out[1]);
        console.WriteRaw("\x8C\x8B");
        EXPECT_EQ(console.ReadLine(), "\x95\x5C\n");
    }
    EXPECT_EQ(Written(), "\x8C\x8B");
}

TEST_F(TerminalConsoleTest, ReadsWholeLinesAndConvertsThem)
{
    const std::string longLine(10000, '7');
    Feed("12\n" + longLine + "\n表\xF0\x9F\x98\x80\nlast");
    EndInput();
    CTerminalConsole console(TerminalEncoding::Utf8, ExitPause::None, m_in[0], m_out[1]);
    EXPECT_EQ(console.ReadLine(), "12\n");
    EXPECT_EQ(console.ReadLine(), longLine + "\n");
    EXPECT_EQ(console.ReadLine(), "\x95\x5C?\n"); // an emoji has no code page 932 form
    EXPECT_EQ(console.ReadLine(), "last");
    EXPECT_FALSE(console.InputEnded());
    EXPECT_EQ(console.ReadLine(), "");
    EXPECT_TRUE(console.InputEnded());
}

TEST_F(TerminalConsoleTest, ClearingTheRunFlagEndsAWaitingRead)
{
    CTerminalConsole console(TerminalEncoding::Utf8, ExitPause::None, m_in[0], m_out[1]);
    std::thread interrupter([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        g_running = 0;
    });
    EXPECT_EQ(console.ReadLine(), ""); // would wait forever without the flag
    interrupter.join();
    EXPECT_FALSE(console.InputEnded());
    // Once the flag is down, further reads give up at once, even with input.
    Feed("5\n");
    EXPECT_EQ(console.ReadLine(), "");
}

TEST_F(TerminalConsoleTest, FinishWaitsOnlyWithPause)
{
    {
        CTerminalConsole console(TerminalEncoding::Utf8, ExitPause::None, m_in[0], m_out[1]);
        console.WriteRaw("x");
        console.Finish();
    }
    {
        Feed("\n");
        CTerminalConsole console(TerminalEncoding::Utf8, ExitPause::WaitForEnter, m_in[0], m_out[1]);
        console.Finish();
    }
    EndInput();
    {
        // The end of input ends the wait too.
        CTerminalConsole console(TerminalEncoding::Utf8, ExitPause::WaitForEnter, m_in[0], m_out[1]);
        console.Finish();
    }
    EXPECT_EQ(Written(), "xpress ENTER key to exitpress ENTER key to exit");
}

TEST_F(TerminalConsoleTest, OutputIsVisibleBeforeARead)
{
    Feed("1\n");
    CTerminalConsole console(TerminalEncoding::Utf8, ExitPause::None, m_in[0], m_out[1]);
    console.WriteRaw("prompt ");
    console.ReadLine();
    char buffer[16] {};
    ASSERT_EQ(read(m_out[0], buffer, sizeof buffer), 7);
    EXPECT_STREQ(buffer, "prompt ");
}

} // namespace
