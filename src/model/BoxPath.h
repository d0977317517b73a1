#pragma once
// Where a box stands in its chart, in the words of the outline that
// `tavrin-cli dump` writes: each step names a box by its position in its
// sequence (from 1) and its outline kind, and a branch's arm by "then" or
// "else". "2:pre-loop/1:branch/else/1:output" is the only output box of the
// else-arm of the branch that opens the body of the second box of the root.
// Reports of failed runs and traces of runs point at boxes this way.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CBoxSequence;
class CProcessBox;
enum class BoxKind : std::int16_t;

struct BoxLocation {
    std::string path;
    // The line of the box in the chart's `tavrin-cli dump` outline (from 1).
    int outlineLine { 0 };
};

// Where `box` is below `root`; nothing when it is not in that tree.
std::optional<BoxLocation> LocateBox(const CBoxSequence& root, const CProcessBox& box);

// The box a path names, or nullptr when the path names none.
const CProcessBox* FindBoxByPath(const CBoxSequence& root, std::string_view path);

// The outline's name of a kind ("simple", "pre-loop", ...).
std::string_view OutlineKindName(BoxKind kind);
