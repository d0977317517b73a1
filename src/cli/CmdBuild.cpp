// tavrin-cli build OUTLINE -o FILE.pad: makes a chart file from an outline.
#include "cli/Commands.h"

#include "model/CArchive.h"
#include "model/CTavrinDoc.h"
#include "model/FileIO.h"
#include "model/Outline.h"

#include <cstdio>

namespace {

constexpr const char* kBuildUsage = "usage: tavrin-cli build OUTLINE -o FILE.pad\n";

} // namespace

int CmdBuild(const CliArgs& args)
{
    std::string input;
    std::string output;
    bool haveInput = false;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size() && !haveOutput) {
            output = args[++i];
            haveOutput = true;
        } else if (!haveInput && !args[i].empty() && args[i][0] != '-') {
            input = args[i];
            haveInput = true;
        } else {
            std::fputs(kBuildUsage, stderr);
            return kExitUsage;
        }
    }
    if (!haveInput || !haveOutput || output.empty()) {
        std::fputs(kBuildUsage, stderr);
        return kExitUsage;
    }

    std::string outline;
    try {
        outline = ReadWholeFile(input);
    } catch (const CFileError& e) {
        std::fprintf(stderr, "tavrin-cli: %s\n", e.what());
        return kExitUsage;
    } catch (const CFileFormatError& e) {
        std::fprintf(stderr, "tavrin-cli: %s: %s\n", input.c_str(), e.what());
        return kExitUsage;
    }
    CTavrinDoc doc;
    try {
        BuildOutline(outline, doc.m_root);
    } catch (const COutlineError& e) {
        std::fprintf(stderr, "%s:%d: %s\n", input.c_str(), e.Line(), e.Message().c_str());
        return kExitUsage;
    }
    try {
        doc.Save(output);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavrin-cli: %s\n", e.what());
        return 1;
    }
    return 0;
}
