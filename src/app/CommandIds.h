#pragma once
// Command ids of the desktop program's menus, toolbar and accelerators. They
// are the QActions' data(), so that code and tests find an action by id. The
// chart tools and Run/Generate code take their ids from ToolIds.h.

#include "model/ToolIds.h"

namespace cmd {

inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileClose = 57602;
inline constexpr int kFileSave = 57603;
inline constexpr int kFileSaveAs = 57604;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kFileMru1 = 57616; // the four recent files are 57616..57619
inline constexpr int kRecentFileCount = 4;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = static_cast<int>(kToolPaste);
inline constexpr int kEditUndo = 57643;
inline constexpr int kEditRedo = 57644;
inline constexpr int kWindowArrange = 57649;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTileHorz = 57651;
inline constexpr int kAppAbout = 57664;
inline constexpr int kAppExit = 57665;
inline constexpr int kNextPane = 57680;
inline constexpr int kPrevPane = 57681;
inline constexpr int kViewToolBar = 59392;
inline constexpr int kViewStatusBar = 59393;
// The zoom of the chart view.
inline constexpr int kViewZoomIn = 32800;
inline constexpr int kViewZoomOut = 32801;
inline constexpr int kViewZoomReset = 32802;
// The language of the menus and dialogs (View > 言語 / Language).
inline constexpr int kViewLanguageJapanese = 32840;
inline constexpr int kViewLanguageEnglish = 32841;

inline constexpr int kAddSimple = static_cast<int>(kToolSimple);
inline constexpr int kAddBranch = static_cast<int>(kToolBranch);
inline constexpr int kAddPreTestLoop = static_cast<int>(kToolPreTestLoop);
inline constexpr int kAddPostTestLoop = static_cast<int>(kToolPostTestLoop);
inline constexpr int kAddOutput = static_cast<int>(kToolOutput);
inline constexpr int kAddInput = static_cast<int>(kToolInput);
inline constexpr int kRun = static_cast<int>(kCmdRun);
inline constexpr int kGenerateCode = static_cast<int>(kCmdGenerateCode);
inline constexpr int kGenerateExactCode = 32789; // C that does exactly what the run does
// Watching a run.
inline constexpr int kStep = 32820;
inline constexpr int kStepOver = 32821;
inline constexpr int kContinue = 32822;
inline constexpr int kPause = 32823;
inline constexpr int kStop = 32824;
inline constexpr int kToggleBreakpoint = 32825;
inline constexpr int kClearBreakpoints = 32826;
inline constexpr int kSpeedFull = 32827;
inline constexpr int kSpeedFast = 32828;
inline constexpr int kSpeedSlow = 32829;
inline constexpr int kSpeedVerySlow = 32830;

static_assert(kEditPaste == 57637);

} // namespace cmd
