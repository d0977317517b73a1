#include "cli/Commands.h"
#include "base/TavrinVersion.h"

#include "model/FileIO.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "usage: tavrin-cli COMMAND [ARGS]\n"
    "       tavrin-cli --help | --version\n"
    "\n"
    "commands:\n"
    "  run FILE.pad [--pause] [--raw] [--timeout SECONDS] [--max-steps N]\n"
    "                                                       run a chart in the terminal\n"
    "  gen FILE.pad [-o OUT.c] [--raw]                      translate a chart into C\n"
    "  render FILE.pad -o OUT.png|OUT.svg|OUT.pdf [--print] draw a chart\n"
    "  dump FILE.pad                                        print a chart as an outline\n"
    "  build OUTLINE -o FILE.pad                            make a chart from an outline\n"
    "  test CHARTS... --cases DIR [OPTIONS]                 grade charts against cases\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::fputs("tavrin-cli " TAVRIN_VERSION "\n", stdout);
        return 0;
    }
    CliArgs args(argv + 2, argv + argc);
    if (command != "run")
        RemoveTemporaryFilesOnSignals(); // run keeps its own handlers and writes no file
    if (command == "run")
        return CmdRun(args);
    if (command == "gen")
        return CmdGen(args);
    if (command == "render")
        return CmdRender(args);
    if (command == "dump")
        return CmdDump(args);
    if (command == "build")
        return CmdBuild(args);
    if (command == "test")
        return CmdTest(args);
    std::fprintf(stderr, "tavrin-cli: unknown command '%s'\n\n%s", argv[1], kUsage);
    return kExitUsage;
}
