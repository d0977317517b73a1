#pragma once
// The in-place editor of a displayed box. The box owns it; the desktop program
// implements it with a text widget, tests with a plain string.

#include <memory>
#include <string>

class CProcessBox;

class CBoxEditor {
public:
    virtual ~CBoxEditor() = default;
    // The live text, as code page 932 bytes.
    virtual std::string GetText() const = 0;
    virtual void SetText(const std::string& text) = 0;
    // Device (client) coordinates.
    virtual void MoveWindow(int left, int top, int width, int height) = 0;
    // False for an editor without a window of its own, which layout need
    // not place (the view paints its text where the box stands).
    virtual bool HasWindow() const { return true; }
};

// The window that editors are children of (the chart view). Layout asks it
// for a new editor whenever a shown box has none.
class CEditorHost {
public:
    virtual ~CEditorHost() = default;
    virtual std::unique_ptr<CBoxEditor> CreateEditor(CProcessBox& box) = 0;
};
