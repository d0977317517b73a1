// tavrin-cli dump FILE.pad: the chart as an outline on standard output.
#include "cli/Commands.h"

#include "model/CArchive.h"
#include "model/CTavrinDoc.h"
#include "model/FileIO.h"
#include "model/Outline.h"

#include <cstdio>
#include <exception>

int CmdDump(const CliArgs& args)
{
    if (args.size() != 1 || args[0].empty() || (args[0].size() > 1 && args[0][0] == '-')) {
        std::fputs("usage: tavrin-cli dump FILE.pad\n", stderr);
        return kExitUsage;
    }
    const std::string& path = args[0];
    CTavrinDoc doc;
    try {
        doc.Load(path);
    } catch (const CFileError& e) {
        std::fprintf(stderr, "tavrin-cli: %s\n", e.what());
        return kExitUsage;
    } catch (const CFileFormatError& e) {
        std::fprintf(stderr, "tavrin-cli: %s: %s\n", path.c_str(), e.what());
        return kExitUsage;
    }
    const std::string outline = DumpOutline(doc.m_root);
    if (std::fwrite(outline.data(), 1, outline.size(), stdout) != outline.size() || std::fflush(stdout) != 0) {
        std::perror("tavrin-cli: standard output");
        return 1;
    }
    return 0;
}
