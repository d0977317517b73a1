#pragma once
// One step of a chart's history: a change that can be applied and reverted
// again, any number of times, in the order the history dictates.
//
// A command refers to boxes and sequences by plain pointers. They stay
// valid because the history is linear and every change to the chart's
// structure goes through it: a box a command points at is either in the
// chart or owned by a later command that took it out (and gives it back
// before this command runs again). Commands own what they took out of the
// chart, so a step costs memory in proportion to what it changed.

#include <memory>
#include <string_view>

class CDC;
class CProcessBox;

class CUndoCommand {
public:
    virtual ~CUndoCommand() = default;
    CUndoCommand(const CUndoCommand&) = delete;
    CUndoCommand& operator=(const CUndoCommand&) = delete;

    // Carries out the change (again). The first call may find that there is
    // nothing to do and return false; the command is then dropped. Once it
    // returned true, every later call after a Revert does the same change.
    // dc is the view's device context for moving edit windows, or null.
    virtual bool Apply(CDC* dc) = 0;
    // Undoes what the last Apply did.
    virtual void Revert(CDC* dc) = 0;

    // The name of the step ("削除", "入力", ...), UTF-8.
    virtual std::string_view Text() const = 0;

    // Absorbs `next`, a step that has just been applied after this one, when
    // both are one user action (typing into the same box, one resize drag).
    virtual bool MergeWith(const CUndoCommand& next)
    {
        (void)next;
        return false;
    }
    // True when the step, after merging, changes nothing any more.
    virtual bool IsObsolete() const { return false; }

    // The box to select after Apply or Revert, or null for none.
    virtual CProcessBox* SelectionAfterApply() const { return nullptr; }
    virtual CProcessBox* SelectionAfterRevert() const { return nullptr; }

protected:
    CUndoCommand() = default;
};
