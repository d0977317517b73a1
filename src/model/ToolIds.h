#pragma once
// Command ids of the insertion tools. They double as the values of the
// document's current tool, and the desktop program's commands use the same
// numbers, so keep them in sync with the toolbar.

#include <cstdint>

using ToolId = std::uint32_t;

inline constexpr ToolId kToolPreTestLoop = 0x8004;  // 32772
inline constexpr ToolId kToolBranch = 0x8006;       // 32774
inline constexpr ToolId kToolPostTestLoop = 0x8007; // 32775
inline constexpr ToolId kToolSimple = 0x800D;       // 32781
inline constexpr ToolId kToolOutput = 0x800E;       // 32782
inline constexpr ToolId kToolInput = 0x800F;        // 32783
inline constexpr ToolId kToolPaste = 0xE125;        // 57637, the standard Paste command

inline constexpr ToolId kCmdRun = 0x8009;           // 32777
inline constexpr ToolId kCmdGenerateCode = 0x8014;  // 32788
