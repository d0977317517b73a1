// tavrin-cli render: handed to tavrin-render, installed beside tavrin-cli.
// Drawing needs Qt, and loading Qt would add more to every run of a chart
// than the run itself uses, so only this command pays for it.
#include "cli/Commands.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string SiblingProgram(const char* name)
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return name; // fall back to a search of PATH
    std::string path(self, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return path.substr(0, slash + 1) + name;
}

} // namespace

int CmdRender(const CliArgs& args)
{
    const std::string program = SiblingProgram("tavrin-render");
    std::vector<std::string> words { "tavrin-render" };
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    if (program.find('/') != std::string::npos)
        execv(program.c_str(), argv.data());
    else
        execvp(program.c_str(), argv.data());
    std::fprintf(stderr, "tavrin-cli: render needs %s (%s); this build may have been made without Qt\n",
        program.c_str(), std::strerror(errno));
    return kExitUsage;
}
