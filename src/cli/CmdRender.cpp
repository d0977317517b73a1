// Placeholder until the command lands.
#include "Commands.h"

#include <cstdio>

int CmdRender(const CliArgs&)
{
    std::fputs("tavrin-cli: not available yet\n", stderr);
    return kExitUsage;
}
