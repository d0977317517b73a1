#pragma once
// The one place that chooses how box texts look: the font of the in-place
// editors, of box texts in rendered and printed charts, and of the terminal
// labels, and how far an editor's text stands inside the editor rectangle.

#include <QFont>

namespace chartfonts {

// A font that shows Japanese: Noto Sans CJK JP (installed with the set-up)
// at 10 pt, falling back to other Japanese-capable families.
QFont BoxTextFont();

// Distance of an editor's text from each edge of the editor rectangle
// (the text widget's document margin), in device pixels.
inline constexpr int kEditorTextInset = 1;

} // namespace chartfonts
