#pragma once
// The scrolling window in which one chart is shown and edited. It paints the
// chart with the layout-and-draw pass, keeps the scrollable area as large as
// the chart, turns mouse input into selection, insertion and resizing,
// handles the Delete key and Cut, Copy and Paste with a one-box clipboard of
// its own, and is the parent of every box editor (CEditorHost).
//
// The view does not own the document; the child frame owns both and
// destroys the document (and with it every editor) before the view.

#include "model/CBoxEditor.h"
#include "model/ToolIds.h"

#include <QAbstractScrollArea>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CBoxEdit;
class CBoxSequence;
class CDC;
class CProcessBox;
class CTavrinDoc;
class QPainter;

class CTavrinView : public QAbstractScrollArea, public CEditorHost {
    Q_OBJECT

public:
    explicit CTavrinView(CTavrinDoc& doc, QWidget* parent = nullptr);
    ~CTavrinView() override;

    CTavrinDoc& GetDocument() const { return m_doc; }

    std::unique_ptr<CBoxEditor> CreateEditor(CProcessBox& box) override;

    // Edit commands and their enabling.
    void OnEditCut();
    void OnEditCopy();
    // Paste is a tool: the next click on a gap inserts a copy of the clipboard.
    void OnEditPaste();
    bool CanCutOrCopy() const;
    bool CanPaste() const { return m_clipboard != nullptr; }
    bool IsPasteTool() const;
    // One of the six insertion tools (or the paste tool).
    void SetTool(ToolId tool);
    const CProcessBox* Clipboard() const { return m_clipboard.get(); }

    // Called by the box editors.
    void EditorClicked(CBoxEdit& editor);
    void EditorKeyPressed();

    // The scrollable size the last paint set: max(600, chart right) x
    // max(400, chart bottom + 100).
    QSize ScrollSize() const { return m_scrollSize; }
    // Logical chart coordinates of a point in the viewport.
    QPoint ToLogical(QPoint viewportPoint) const;
    // Viewport coordinates of a logical chart point.
    QPoint ToViewport(QPoint logicalPoint) const;
    bool IsResizing() const { return m_resizing; }

    // Every box editor, in chart order (then arm before else arm).
    std::vector<CBoxEdit*> Editors() const;
    // The first editor whose text code page 932 cannot hold, and the
    // character (UTF-8); null when every text can be stored.
    CBoxEdit* FindUnencodable(std::string* badChar = nullptr) const;

    // Visits every box of a sequence and of the sequences inside its boxes.
    static void ForEachBox(CBoxSequence& sequence, const std::function<void(CProcessBox&)>& visit);

signals:
    // The selection, the tool, the clipboard or the modified flag may have
    // changed: command states and titles need a refresh.
    void Changed();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void TakeIntoClipboard(std::unique_ptr<CProcessBox> box);
    // Runs `use` with a device context for the view outside painting (for
    // insertion, which places editors), scroll origin applied.
    void WithClientDC(const std::function<void(CDC&)>& use);
    void UpdateScrollBars();
    void EndResize();
    void Refresh();

    CTavrinDoc& m_doc;
    bool m_resizing { false };
    CProcessBox* m_resizeBox { nullptr }; // not owned
    std::unique_ptr<CProcessBox> m_clipboard;
    QSize m_scrollSize;
    // Editors made for boxes the user has just inserted take the focus; those
    // of a chart being opened do not, as they may be anywhere off screen.
    bool m_focusNewEditors { false };
};
