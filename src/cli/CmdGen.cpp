// tavrin-cli gen FILE.pad [-o OUT.c] [--raw | --exact]: the chart translated into C.
#include "cli/Commands.h"

#include "model/CArchive.h"
#include "model/CTavrinDoc.h"
#include "codegen/CodeGenerator.h"
#include "codegen/ExactGenerator.h"
#include "base/Codec.h"
#include "model/FileIO.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

namespace {

constexpr const char* kGenUsage =
    "usage: tavrin-cli gen FILE.pad [-o OUT.c] [--raw | --exact]\n"
    "\n"
    "Translates the chart into a C program, written to standard output or,\n"
    "with -o, to OUT.c (replaced only once it is complete; -o - is standard\n"
    "output). The program is UTF-8; --raw keeps the chart's code page 932.\n"
    "\n"
    "  --exact  a C99 program that prints byte for byte what tavrin-cli run\n"
    "           prints, with the same exit status (cc -std=c99 OUT.c -lm); a box\n"
    "           whose text C cannot reproduce exactly is named and nothing is\n"
    "           written (exit status 1)\n";

int UsageError(const char* problem, const std::string& detail = {})
{
    if (problem)
        std::fprintf(stderr, "tavrin-cli gen: %s%s\n", problem, detail.c_str());
    std::fputs(kGenUsage, stderr);
    return kExitUsage;
}

} // namespace

int CmdGen(const CliArgs& args)
{
    std::optional<std::string> input;
    std::optional<std::string> output;
    bool raw = false;
    bool exact = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(kGenUsage, stdout);
            return 0;
        }
        if (!optionsEnded && arg == "--raw") {
            raw = true;
        } else if (!optionsEnded && arg == "--exact") {
            exact = true;
        } else if (!optionsEnded && arg == "-o") {
            if (i + 1 >= args.size())
                return UsageError("-o needs a file name");
            if (output)
                return UsageError("-o given twice");
            output = args[++i];
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option ", arg);
        } else {
            if (input)
                return UsageError("more than one chart: ", arg);
            input = arg;
        }
    }
    if (!input || input->empty())
        return UsageError("no chart given");
    if (output && output->empty())
        return UsageError("-o needs a file name");
    if (raw && exact)
        return UsageError("--raw and --exact cannot be combined (the exact program prints UTF-8, as tavrin-cli run does)");

    CTavrinDoc doc;
    try {
        doc.Load(*input);
    } catch (const CFileError& e) {
        std::fprintf(stderr, "tavrin-cli: %s\n", e.what());
        return kExitUsage;
    } catch (const CFileFormatError& e) {
        std::fprintf(stderr, "tavrin-cli: %s: %s\n", input->c_str(), e.what());
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavrin-cli: %s: %s\n", input->c_str(), e.what());
        return kExitUsage;
    }

    std::string program;
    if (exact) {
        try {
            program = GenerateExactC(doc.m_root);
        } catch (const CExactRefusal& refusal) {
            std::fprintf(stderr, "tavrin-cli gen: %s: cannot translate exactly: %s\n", input->c_str(), refusal.what());
            return 1;
        }
    } else {
        program = GenerateCodeText(doc.m_root);
        if (!raw)
            program = codec::Cp932ToUtf8(program);
    }

    if (output && *output != "-") {
        try {
            WriteFileAtomically(*output, program);
        } catch (const CFileError& e) {
            std::fprintf(stderr, "tavrin-cli: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (std::fwrite(program.data(), 1, program.size(), stdout) != program.size() || std::fflush(stdout) != 0) {
        std::perror("tavrin-cli: standard output");
        return 1;
    }
    return 0;
}
