#pragma once
// The history of one chart: the steps done so far, of which the first
// Index() are applied and the rest can be redone. Owns its commands.

#include "model/CUndoCommand.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string_view>

class CProcessBox;

// Steps kept per chart unless the history is given another limit.
inline constexpr std::size_t kDefaultUndoLimit = 1000;

class CUndoStack {
public:
    // limit: how many steps are kept; the oldest go first. 0 keeps all.
    explicit CUndoStack(std::size_t limit = kDefaultUndoLimit);
    ~CUndoStack();
    CUndoStack(const CUndoStack&) = delete;
    CUndoStack& operator=(const CUndoStack&) = delete;

    // Applies the command and records it as the newest step, dropping the
    // steps that could be redone. While the newest step is still open (see
    // CloseStep), a command that it absorbs adds no step of its own, and a
    // step that merging made empty is dropped. Returns false, recording
    // nothing, when the command found nothing to do.
    bool Push(std::unique_ptr<CUndoCommand> command, CDC* dc);

    bool CanUndo() const { return m_index > 0; }
    bool CanRedo() const { return m_index < m_steps.size(); }
    // The names of the steps that Undo and Redo would take back or do again,
    // empty when there is none.
    std::string_view UndoText() const;
    std::string_view RedoText() const;

    // Reverts the newest applied step (Redo: applies the oldest undone one)
    // and returns the box to select afterwards, or null. Nothing happens
    // when there is nothing to undo (redo).
    CProcessBox* Undo(CDC* dc);
    CProcessBox* Redo(CDC* dc);

    // Ends merging: the next command starts a step of its own. Called when
    // the user leaves a box, ends a drag, or undoes, redoes or saves.
    void CloseStep() { m_open = false; }

    // The chart as it stands now is the saved one.
    void SetClean();
    bool IsClean() const { return m_clean == static_cast<long long>(m_index); }
    // The Index() at which the chart is the saved one, or -1 when no state
    // of the history is (the saved state was dropped or overwritten).
    long long CleanIndex() const { return m_clean; }

    // Forgets every step (a chart read from a file starts a new history).
    // The chart as it stands is then the clean state.
    void Clear();

    std::size_t Count() const { return m_steps.size(); }
    std::size_t Index() const { return m_index; }
    std::size_t Limit() const { return m_limit; }
    // Drops the oldest steps beyond the new limit at once.
    void SetLimit(std::size_t limit);

private:
    void DropRedoSteps();
    void TrimToLimit();

    std::deque<std::unique_ptr<CUndoCommand>> m_steps;
    std::size_t m_index { 0 };
    std::size_t m_limit;
    long long m_clean { 0 };
    bool m_open { false };
};
