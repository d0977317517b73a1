// tavrin-render: the drawing half of "tavrin-cli render FILE.pad -o
// OUT.png|OUT.svg|OUT.pdf [--print]", which draws a chart as the editor shows
// it, or as its printed page, into a file. It is a program of its own so that
// tavrin-cli, which graders start once per chart, does not load Qt.
#include "cli/Commands.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kRenderUsage =
    "usage: tavrin-cli render FILE.pad -o OUT.png|OUT.svg|OUT.pdf [--print]\n"
    "  --print   draw the printed page (every size times 5, at 600 dots per inch)\n";

} // namespace

#include "model/CArchive.h"
#include "model/CTavrinDoc.h"
#include "view/ChartRenderer.h"
#include "model/FileIO.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <exception>
#include <memory>

int main(int argc, char** argv)
{
    const CliArgs args(argv + 1, argv + argc);
    std::string input;
    std::string output;
    bool print = false;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsDone && (arg == "-h" || arg == "--help")) {
            std::fputs(kRenderUsage, stdout);
            return 0;
        }
        if (!optionsDone && arg == "--print") {
            print = true;
        } else if (!optionsDone && (arg == "-o" || arg == "--output")) {
            if (i + 1 >= args.size() || !output.empty()) {
                std::fputs(kRenderUsage, stderr);
                return kExitUsage;
            }
            output = args[++i];
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "tavrin-cli: render: unknown option '%s'\n%s", arg.c_str(), kRenderUsage);
            return kExitUsage;
        } else if (input.empty()) {
            input = arg;
        } else {
            std::fputs(kRenderUsage, stderr);
            return kExitUsage;
        }
    }
    if (input.empty() || output.empty()) {
        std::fputs(kRenderUsage, stderr);
        return kExitUsage;
    }
    const auto format = chartrender::FormatForPath(output);
    if (!format) {
        std::fprintf(stderr, "tavrin-cli: render: %s: unknown output format (use .png, .svg or .pdf)\n",
            output.c_str());
        return kExitUsage;
    }

    // An interrupted render leaves no hidden temporary file beside OUT.
    RemoveTemporaryFilesOnSignals();
    CTavrinDoc doc;
    try {
        doc.Load(input);
    } catch (const CFileError& e) {
        std::fprintf(stderr, "tavrin-cli: %s\n", e.what());
        return kExitUsage;
    } catch (const CFileFormatError& e) {
        std::fprintf(stderr, "tavrin-cli: %s: %s\n", input.c_str(), e.what());
        return kExitUsage;
    }

    // Fonts and painting need a GUI application, but never a display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int appArgc = 1;
    static char name[] = "tavrin-cli";
    static char* appArgv[] = { name, nullptr };
    std::unique_ptr<QGuiApplication> app;
    if (QCoreApplication::instance() == nullptr)
        app = std::make_unique<QGuiApplication>(appArgc, appArgv);

    std::string warning;
    try {
        chartrender::RenderChartToFile(doc.m_root, output, *format,
            print ? chartrender::ChartPass::Print : chartrender::ChartPass::Screen, &warning);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavrin-cli: %s\n", e.what());
        return 1;
    }
    if (!warning.empty())
        std::fprintf(stderr, "tavrin-cli: warning: %s: %s\n", output.c_str(), warning.c_str());
    return 0;
}
