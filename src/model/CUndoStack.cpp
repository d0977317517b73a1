#include "model/CUndoStack.h"

CUndoStack::CUndoStack(std::size_t limit)
    : m_limit(limit)
{
}

// Newest first: a later step may own boxes that an earlier one points at.
CUndoStack::~CUndoStack()
{
    while (!m_steps.empty())
        m_steps.pop_back();
}

bool CUndoStack::Push(std::unique_ptr<CUndoCommand> command, CDC* dc)
{
    if (!command || !command->Apply(dc))
        return false;
    DropRedoSteps();
    // A step that ends in the saved state stays whole, so that the clean
    // index keeps meaning exactly that state.
    const bool mergeable = m_open && m_index > 0 && !IsClean();
    if (mergeable && m_steps.back()->MergeWith(*command)) {
        if (m_steps.back()->IsObsolete()) {
            m_steps.pop_back();
            --m_index;
            m_open = false;
        }
        return true;
    }
    m_steps.push_back(std::move(command));
    ++m_index;
    m_open = true;
    TrimToLimit();
    return true;
}

std::string_view CUndoStack::UndoText() const
{
    return CanUndo() ? m_steps[m_index - 1]->Text() : std::string_view {};
}

std::string_view CUndoStack::RedoText() const
{
    return CanRedo() ? m_steps[m_index]->Text() : std::string_view {};
}

CProcessBox* CUndoStack::Undo(CDC* dc)
{
    m_open = false;
    if (!CanUndo())
        return nullptr;
    CUndoCommand& step = *m_steps[m_index - 1];
    step.Revert(dc);
    --m_index;
    return step.SelectionAfterRevert();
}

CProcessBox* CUndoStack::Redo(CDC* dc)
{
    m_open = false;
    if (!CanRedo())
        return nullptr;
    CUndoCommand& step = *m_steps[m_index];
    step.Apply(dc);
    ++m_index;
    return step.SelectionAfterApply();
}

void CUndoStack::SetClean()
{
    m_clean = static_cast<long long>(m_index);
    m_open = false;
}

void CUndoStack::Clear()
{
    while (!m_steps.empty())
        m_steps.pop_back();
    m_index = 0;
    m_clean = 0;
    m_open = false;
}

void CUndoStack::SetLimit(std::size_t limit)
{
    m_limit = limit;
    TrimToLimit();
}

void CUndoStack::DropRedoSteps()
{
    if (m_clean > static_cast<long long>(m_index))
        m_clean = -1;
    while (m_steps.size() > m_index)
        m_steps.pop_back();
}

void CUndoStack::TrimToLimit()
{
    if (m_limit == 0)
        return;
    while (m_steps.size() > m_limit) {
        // The oldest step goes, as long as it is applied. Only a lowered
        // limit can leave nothing but undone steps beyond it; then the
        // newest go, since each undone step needs the ones before it.
        if (m_index == 0) {
            m_steps.pop_back(); // only undone steps remain: drop the newest
            if (m_clean > static_cast<long long>(m_steps.size()))
                m_clean = -1;
            continue;
        }
        m_steps.pop_front();
        --m_index;
        m_clean = m_clean > 0 ? m_clean - 1 : -1;
    }
}
