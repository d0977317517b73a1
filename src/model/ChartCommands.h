#pragma once
// The changes a user makes to a chart, as steps of its history
// (CUndoStack): inserting a box, deleting or cutting one, resizing it,
// typing into it, and moving or copying it to another gap. Each one applies
// and reverts exactly, so that undoing gives back the chart's file bytes.

#include "model/CUndoCommand.h"
#include "model/ToolIds.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CBoxSequence;
class CProcessBox;

// Where a box stands, or a gap between boxes: a sequence and an index into
// it (for a gap, 0 is above the first box and the count below the last).
struct CBoxPlace {
    CBoxSequence* sequence { nullptr };
    int index { -1 };
    explicit operator bool() const { return sequence != nullptr && index >= 0; }
};

// The selected box that Delete and Cut act on: the first selected one from
// the top, the then-arm before the else-arm.
CBoxPlace FindSelectedPlace(CBoxSequence& root);
// Where `box` stands below `root`, or an empty place.
CBoxPlace FindPlaceOf(CBoxSequence& root, const CProcessBox& box);
// The gaps a click at (x, y) inserts into, found as ClickAt finds them: a
// sequence whose line has a gap under the point takes the click; otherwise
// every box of it sees the click, and a box that is not hit passes it on to
// its arms or body. With Hits::Select the boxes hit are selected on the
// way, as a click selects them.
enum class Hits { Ignore, Select };
std::vector<CBoxPlace> ClickGaps(CBoxSequence& root, int x, int y, Hits hits);
// True when `sequence` is an arm or body of `box` or of any box below it.
bool IsInsideBox(const CProcessBox& box, const CBoxSequence& sequence);

// A new box of a tool's kind, or a clone of `source` (the Paste tool, and
// copying by drag), inserted at a gap as a click on the line inserts it.
class CInsertBoxCommand : public CUndoCommand {
public:
    // text: the step's name; by default "貼り付け" for the Paste tool and
    // "挿入" for the others. `source` must stay alive until the first Apply.
    CInsertBoxCommand(CBoxPlace gap, ToolId tool, const CProcessBox* source, std::string_view text = {});
    ~CInsertBoxCommand() override;

    bool Apply(CDC* dc) override;
    void Revert(CDC* dc) override;
    std::string_view Text() const override { return m_text; }
    CProcessBox* SelectionAfterApply() const override { return m_box; }

    // The box inserted (null before the first Apply).
    CProcessBox* Box() const { return m_box; }

private:
    CBoxPlace m_gap;
    ToolId m_tool;
    const CProcessBox* m_source;
    std::string_view m_text;
    CProcessBox* m_box { nullptr };
    std::unique_ptr<CProcessBox> m_removed; // while reverted
    int m_shift { 0 };                      // how far the later boxes moved down
};

// Takes a box with everything inside it out of the chart: Delete, or Cut.
class CRemoveBoxCommand : public CUndoCommand {
public:
    enum class Reason { Delete, Cut };
    CRemoveBoxCommand(CBoxPlace place, Reason reason);
    ~CRemoveBoxCommand() override;

    bool Apply(CDC* dc) override;
    void Revert(CDC* dc) override;
    std::string_view Text() const override;
    CProcessBox* SelectionAfterRevert() const override { return m_box; }

    // The box taken out (null before the first Apply).
    CProcessBox* Box() const { return m_box; }

private:
    CBoxPlace m_place;
    Reason m_reason;
    CProcessBox* m_box { nullptr };
    std::unique_ptr<CProcessBox> m_removed; // while applied
};

// A box's new width and height; the steps of one drag merge into one.
class CResizeBoxCommand : public CUndoCommand {
public:
    CResizeBoxCommand(CProcessBox& box, int oldWidth, int oldHeight, int newWidth, int newHeight);

    bool Apply(CDC* dc) override;
    void Revert(CDC* dc) override;
    std::string_view Text() const override;
    bool MergeWith(const CUndoCommand& next) override;
    bool IsObsolete() const override;
    CProcessBox* SelectionAfterApply() const override { return &m_box; }
    CProcessBox* SelectionAfterRevert() const override { return &m_box; }

private:
    CProcessBox& m_box;
    int m_oldWidth, m_oldHeight, m_newWidth, m_newHeight;
};

// A box's new text (code page 932); consecutive typing into one box merges
// into one step.
class CTextCommand : public CUndoCommand {
public:
    CTextCommand(CProcessBox& box, std::string oldText, std::string newText);

    bool Apply(CDC* dc) override;
    void Revert(CDC* dc) override;
    std::string_view Text() const override;
    bool MergeWith(const CUndoCommand& next) override;
    bool IsObsolete() const override { return m_oldText == m_newText; }
    CProcessBox* SelectionAfterApply() const override { return &m_box; }
    CProcessBox* SelectionAfterRevert() const override { return &m_box; }

private:
    void Show(const std::string& text);

    CProcessBox& m_box;
    std::string m_oldText;
    std::string m_newText;
};

// A box moved, with everything inside it, to a gap of any sequence.
class CMoveBoxCommand : public CUndoCommand {
public:
    // `to` is a gap of the chart as it stands before the move.
    CMoveBoxCommand(CBoxPlace from, CBoxPlace to);

    // Whether the move changes anything and keeps the tree a tree: a box
    // cannot go into itself or below itself, and the gaps right above and
    // below it are its own place.
    static bool CanMove(CBoxPlace from, CBoxPlace to);

    bool Apply(CDC* dc) override;
    void Revert(CDC* dc) override;
    std::string_view Text() const override;
    CProcessBox* SelectionAfterApply() const override { return m_box; }
    CProcessBox* SelectionAfterRevert() const override { return m_box; }

private:
    CBoxPlace m_from;
    CBoxPlace m_to;
    CProcessBox* m_box { nullptr };
    int m_toIndex { 0 }; // the gap's index once the box has left its place
    int m_dx { 0 };
    int m_dy { 0 };
    int m_shift { 0 };
};

// Several steps done and undone as one (a click whose point lies on the
// lines of more than one sequence inserts into each).
class CCompoundCommand : public CUndoCommand {
public:
    explicit CCompoundCommand(std::vector<std::unique_ptr<CUndoCommand>> parts);
    ~CCompoundCommand() override;

    bool Apply(CDC* dc) override;
    void Revert(CDC* dc) override;
    std::string_view Text() const override;
    CProcessBox* SelectionAfterApply() const override;
    CProcessBox* SelectionAfterRevert() const override;

private:
    std::vector<std::unique_ptr<CUndoCommand>> m_parts;
};
