#pragma once
// The subcommands of tavrin-cli. Each takes the arguments after its name and
// returns the process exit status.

#include <string>
#include <vector>

using CliArgs = std::vector<std::string>;

int CmdDump(const CliArgs& args);
int CmdBuild(const CliArgs& args);
int CmdRun(const CliArgs& args);
int CmdGen(const CliArgs& args);
int CmdRender(const CliArgs& args);
int CmdTest(const CliArgs& args);

// Exit status of a usage error or an unreadable file.
inline constexpr int kExitUsage = 2;
