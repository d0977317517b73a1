#include "ExactSupport.h"

#include "model/CTavrinDoc.h"
#include "model/Outline.h"
#include "TestSupport.h"

#include <cstdlib>
#include <sys/wait.h>

using namespace testing_support;

namespace exact_test {

namespace {

std::string Quote(const std::string& text)
{
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    if (status == -1)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

} // namespace

const std::vector<std::string>& GccFlags()
{
    static const std::vector<std::string> flags = { "-std=c99", "-Wall", "-Wextra", "-pedantic", "-Werror" };
    return flags;
}

const std::vector<std::string>& ClangFlags()
{
    // Style-only warnings the program does not follow: == on doubles is the
    // chart's own comparison, and C99 has no way to mark a function that
    // never returns. The last three exist in newer clangs only.
    static const std::vector<std::string> flags = { "-std=c99", "-Weverything", "-Werror", "-Wno-float-equal",
        "-Wno-missing-noreturn", "-Wno-unknown-warning-option", "-Wno-unsafe-buffer-usage",
        "-Wno-declaration-after-statement" };
    return flags;
}

bool HaveCompiler(const std::string& name)
{
    return Shell("command -v " + name + " >/dev/null 2>&1") == 0;
}

std::string Compile(const std::string& compiler, const std::vector<std::string>& flags, const std::string& source,
    const std::string& dir, const std::string& name, bool& ok)
{
    const std::string c = dir + "/" + name + ".c";
    WriteFileBytes(c, source);
    std::string command = compiler;
    for (const auto& flag : flags)
        command += " " + flag;
    const std::string log = dir + "/" + name + ".log";
    command += " -o " + Quote(dir + "/" + name) + " " + Quote(c) + " -lm > " + Quote(log) + " 2>&1";
    ok = Shell(command) == 0;
    return ReadFileBytes(log);
}

Outcome RunProgram(const std::string& exe, const std::string& input, const std::string& dir, int seconds)
{
    WriteFileBytes(dir + "/stdin", input);
    const std::string out = dir + "/stdout";
    Outcome outcome;
    outcome.status = Shell("timeout " + std::to_string(seconds) + " " + Quote(exe) + " < " + Quote(dir + "/stdin") + " > "
        + Quote(out) + " 2>/dev/null");
    outcome.out = ReadFileBytes(out);
    return outcome;
}

Outcome RunChart(const std::string& chart, const std::string& input, const std::vector<std::string>& extra)
{
    std::vector<std::string> args = { "run", chart };
    args.insert(args.end(), extra.begin(), extra.end());
    const ProcessResult result = RunCli(args, input);
    return { result.status, result.out };
}

std::string ChartFromOutline(const std::string& outline, const std::string& dir, const std::string& name)
{
    CTavrinDoc doc;
    BuildOutline(outline, doc.m_root);
    const std::string path = dir + "/" + name + ".pad";
    doc.Save(path);
    return path;
}

} // namespace exact_test
