#include "model/CMemoryEditor.h"

void CMemoryEditor::MoveWindow(int left, int top, int width, int height)
{
    m_rect = { left, top, width, height };
    ++m_moveCount;
}

std::unique_ptr<CBoxEditor> CMemoryEditorHost::CreateEditor(CProcessBox& box)
{
    auto editor = std::make_unique<CMemoryEditor>();
    m_lastEditor = editor.get();
    m_lastBox = &box;
    ++m_createdCount;
    return editor;
}
