#pragma once
// The document of one open chart, without any window system: it owns the
// chart (the root sequence and, through it, every box), the current
// insertion tool and the modified flag, offers the view its chart
// operations, and loads and saves .pad files. The desktop program wraps it.

#include "model/CBoxSequence.h"
#include "model/CProcessBox.h"
#include "model/ToolIds.h"

#include <memory>
#include <string>
#include <string_view>

class CArchive;
class CDC;

class CTavrinDoc {
public:
    CTavrinDoc() = default;
    ~CTavrinDoc();
    CTavrinDoc(const CTavrinDoc&) = delete;
    CTavrinDoc& operator=(const CTavrinDoc&) = delete;

    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    // The root sequence in either direction, nothing else.
    void Serialize(CArchive& ar);

    // Replaces the chart with the file's. Throws CFileError when the file
    // cannot be read and CFileFormatError when it is not a chart; the chart
    // in use is untouched by a failure. Clears the modified flag.
    void Load(const std::string& path);
    // The same from bytes already read.
    void LoadFromBytes(std::string_view bytes);
    // Commits every editor's text and writes the chart atomically. Throws
    // CFileError (the old file intact) or CChartTooDeepError. Clears the
    // modified flag on success.
    void Save(const std::string& path);
    // The file bytes of the chart (commits every editor's text).
    std::string SaveToBytes();

    // Chart operations offered to the view.
    void Draw(CDC* dc, CEditorHost* view);
    void DeselectAll();
    bool ClickAt(int x, int y, CDC* dc, const CProcessBox* clipboard);
    bool DeleteSelected();
    bool HitsResizeHandle(int x, int y) const;
    CProcessBox* FindResizeHandleBox(int x, int y);
    bool ContainsSelection() const;
    std::unique_ptr<CProcessBox> Cut();
    std::unique_ptr<CProcessBox> Copy();

    int m_minWidth { 600 };
    int m_minHeight { 400 };
    ToolId m_tool { kToolSimple };
    CRootSequence m_root;

private:
    bool m_modified { false };
};
