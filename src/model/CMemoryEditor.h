#pragma once
// In-memory box editors for tests and for programs without windows: the text
// is a plain string, and the last placement is recorded.

#include "model/CBoxEditor.h"

#include <memory>
#include <string>

class CMemoryEditor : public CBoxEditor {
public:
    struct Rect {
        int left { 0 };
        int top { 0 };
        int width { 0 };
        int height { 0 };
        friend bool operator==(const Rect&, const Rect&) = default;
    };

    std::string GetText() const override { return m_text; }
    void SetText(const std::string& text) override { m_text = text; }
    void MoveWindow(int left, int top, int width, int height) override;

    std::string m_text;  // what the user has "typed"
    Rect m_rect;         // the last MoveWindow
    int m_moveCount { 0 };
};

// Makes CMemoryEditors and remembers the last one it made (owned by its box).
class CMemoryEditorHost : public CEditorHost {
public:
    std::unique_ptr<CBoxEditor> CreateEditor(CProcessBox& box) override;

    CMemoryEditor* m_lastEditor { nullptr };
    CProcessBox* m_lastBox { nullptr };
    int m_createdCount { 0 };
};
