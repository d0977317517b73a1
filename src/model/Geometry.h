#pragma once
// Fixed sizes of chart geometry, in logical units (screen pixels, or printer
// dots multiplied by the print scale).

inline constexpr int kNewBoxWidth = 150;   // also the smallest width a resize allows
inline constexpr int kNewBoxHeight = 25;   // also the smallest height
inline constexpr int kSequenceGap = 25;    // m_gap of every sequence
inline constexpr int kRootX = 50;
inline constexpr int kRootTop = 50;
inline constexpr int kRootBottom = 75;
inline constexpr int kArmIndent = 20;      // nested line stands this far right of its owner
inline constexpr int kArmOverhang = 7;     // nested line reaches this far above/below its owner
inline constexpr int kBoxClearance = 7;    // GetBottom of a plain box is y + height + 7
inline constexpr int kElseArmDistance = 20;
inline constexpr int kRightMargin = 30;
inline constexpr int kEditorInsetX = 11;
inline constexpr int kEditorInsetY = 1;
inline constexpr int kHitTolerance = 3;
inline constexpr int kPrintScale = 5;
inline constexpr int kPrintShift = 150;    // root moves down this far while printing
inline constexpr int kMinScrollWidth = 600;
inline constexpr int kMinScrollHeight = 400;
