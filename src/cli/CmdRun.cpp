// Placeholder until the command lands.
#include "Commands.h"

#include <cstdio>

int CmdRun(const CliArgs&)
{
    std::fputs("tavrin-cli: not available yet\n", stderr);
    return kExitUsage;
}
