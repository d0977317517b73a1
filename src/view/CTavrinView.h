#pragma once
// The scrolling window in which one chart is shown and edited. It paints the
// chart with the layout-and-draw pass, keeps the scrollable area as large as
// the chart, turns mouse input into selection, insertion, resizing and
// moving boxes by dragging, and keys into moving the selection, editing and
// inserting; it handles Delete, Undo and Redo, and Cut, Copy and Paste with a
// clipboard box of its own that it shares through the system clipboard, and
// makes every box's editor (CEditorHost).
//
// Every change goes through the document's history. Whether the chart may
// be changed at all is decided in one place, IsEditable.
//
// Box texts are painted by the view; one text widget (CBoxEdit) lies over
// the box being edited. The view is drawn at a zoom (25 % to 400 %) that
// only the screen knows: layout, files and printing stay in logical units.
//
// The view does not own the document; the child frame owns both and
// destroys the document (and with it every editor) before the view.

#include "model/CBoxEditor.h"
#include "model/ChartCommands.h"
#include "model/ToolIds.h"

#include <QAbstractScrollArea>
#include <QByteArray>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

class CBoxEdit;
class CBoxText;
class CBoxSequence;
class CDC;
class CProcessBox;
class CTavrinDoc;
class QPainter;
class QWheelEvent;

class CTavrinView : public QAbstractScrollArea, public CEditorHost {
    Q_OBJECT

public:
    explicit CTavrinView(CTavrinDoc& doc, QWidget* parent = nullptr);
    ~CTavrinView() override;

    CTavrinDoc& GetDocument() const { return m_doc; }

    std::unique_ptr<CBoxEditor> CreateEditor(CProcessBox& box) override;

    // Whether the chart may be changed from this view: every edit (mouse,
    // keys, typing, commands) asks here. A chart that may not be changed (a
    // watched run reads it) can still be looked at, scrolled, zoomed and
    // selected; a click only selects a box.
    bool IsEditable() const { return m_editable; }
    void SetEditable(bool editable);

    // Edit commands and their enabling.
    void OnEditUndo();
    void OnEditRedo();
    bool CanUndo() const;
    bool CanRedo() const;
    void OnEditCut();
    void OnEditCopy();
    // Paste is a tool: the next click on a gap inserts a copy of the
    // clipboard box, which is the box copied last in any Tavrin window.
    void OnEditPaste();
    bool CanCutOrCopy() const;
    bool CanPaste() const;
    bool IsPasteTool() const;
    // One of the six insertion tools (or the paste tool).
    void SetTool(ToolId tool);
    const CProcessBox* Clipboard() const { return m_clipboard.get(); }

    // The selected box that keys and Enter act on (the first from the top),
    // or null.
    CProcessBox* SelectedBox() const;
    // Selects `box` alone and scrolls it into sight at the next paint.
    void SelectBox(CProcessBox& box);
    // Enter and F2: the caret goes to the end of the selected box's text.
    void EditSelected();
    // Insert: a box of the current tool below the selected one (at the head
    // of the chart when none is), selected, its editor taking the focus.
    void InsertAfterSelection();

    // While a box is being dragged: the gap it would be dropped into, or an
    // empty place where a drop would do nothing.
    bool IsDraggingBox() const { return m_dragging; }
    CBoxPlace DropGap() const { return m_dropGap; }

    // Called by the box editors.
    void EditorClicked(CBoxEdit& editor);
    void EditorKeyPressed();
    // The user typed into the text: a step of the chart's history.
    void TextTyped(CBoxText& text);
    // The focus left the editor for somewhere else in the program.
    void EditorLeft();
    // Escape in the editor: back to the view, the box selected.
    void EditorEscaped(CBoxEdit& editor);
    void WheelFromEditor(QWheelEvent* e);
    void TextGone(CBoxText& text);
    void TextReplaced(CBoxText& text);

    // Makes the text widget edit `box` (which must have been painted) and
    // returns it; the focus stays where it is. Null for a box without editor.
    CBoxEdit* EditBox(CProcessBox& box);
    // The text widget, while it edits a box (else null).
    CBoxEdit* LiveEditor() const;

    // The zoom in percent, one of ZoomSteps().
    int Zoom() const { return m_zoom; }
    // Sets the zoom (the nearest step), keeping the chart point under
    // `anchor` (viewport coordinates; default: the top-left corner) in place.
    void SetZoom(int percent, std::optional<QPoint> anchor = std::nullopt);
    void ZoomIn();
    void ZoomOut();
    static const std::vector<int>& ZoomSteps();

    // The scrollable size the last paint set: max(600, chart right) x
    // max(400, chart bottom + 100).
    QSize ScrollSize() const { return m_scrollSize; }
    // Logical chart coordinates of a point in the viewport.
    QPoint ToLogical(QPoint viewportPoint) const;
    // Viewport coordinates of a logical chart point.
    QPoint ToViewport(QPoint logicalPoint) const;
    bool IsResizing() const { return m_resizing; }

    // Every box editor, in chart order (then arm before else arm).
    std::vector<CBoxText*> Editors() const;
    // The first editor whose text code page 932 cannot hold, and the
    // character (UTF-8); null when every text can be stored.
    CBoxText* FindUnencodable(std::string* badChar = nullptr) const;

    // Breakpoints belong to this window's chart, not to its file. A box
    // that leaves the chart takes its breakpoint with it.
    void ToggleBreakpoint(const CProcessBox& box);
    void ClearBreakpoints();
    bool HasBreakpoint(const CProcessBox& box) const { return m_breakpoints.count(&box) != 0; }
    // In chart order, only boxes that are in the chart.
    std::vector<const CProcessBox*> Breakpoints() const;

    // The box a watched run is about to execute (null: none), shown filled,
    // with the loops and branches around it marked as in progress, and
    // scrolled into sight.
    void SetCurrentBox(const CProcessBox* box);
    const CProcessBox* CurrentBox() const { return m_currentBox; }
    // The containers around the current box, outermost first.
    const std::vector<const CProcessBox*>& EnclosingBoxes() const { return m_enclosing; }
    // The box whose text failed at the end of a run: selected and shown in
    // the error colour until the user clicks or a run starts.
    void ShowFailedBox(const CProcessBox& box);
    const CProcessBox* FailedBox() const { return m_failedBox; }
    // Scrolls as little as needed for the box to be in sight.
    void EnsureVisible(const CProcessBox& box);

    // Visits every box of a sequence and of the sequences inside its boxes.
    static void ForEachBox(CBoxSequence& sequence, const std::function<void(CProcessBox&)>& visit);

signals:
    // The selection, the tool, the clipboard or the modified flag may have
    // changed: command states and titles need a refresh.
    void Changed();
    void ZoomChanged(int percent);
    // The system clipboard holds data of Tavrin's type that is not a box:
    // nothing was pasted.
    void PasteRefused();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void TakeIntoClipboard(std::unique_ptr<CProcessBox> box);
    // Puts the box on the system clipboard, for every Tavrin window and
    // program and, as its outline, for other programs.
    void PublishBox(const CProcessBox& box);
    // Takes a box that another window or program put on the system clipboard
    // as the clipboard box. False, with a PasteRefused, when it is not a box.
    bool TakeSystemClipboard();
    // Ends a resize or a drag under way (before a change they must not
    // outlive).
    void CancelGestures();
    void EndDrag();
    void UpdateDrop(QPoint logical, Qt::KeyboardModifiers modifiers);
    void PaintDropGap(QPainter& painter);
    // Keeps the selected box in sight (after the layout of a paint).
    void RevealSelected();
    bool NavigateKey(int key);
    // Runs `use` with a device context for the view outside painting (for
    // insertion, which places editors), scroll origin applied.
    void WithClientDC(const std::function<void(CDC&)>& use);
    void UpdateScrollBars();
    void EndResize();
    void Refresh();
    double Scale() const { return m_zoom / 100.0; }
    // The box whose editor rectangle holds the logical point, if any.
    CBoxText* TextAt(QPoint logical) const;
    void PaintTexts(QPainter& painter, const QRect& exposed, double scale, QPointF origin);
    // Where a box's text starts and is cut off, in viewport coordinates (the
    // text widget's geometry); also its editor rectangle in device pixels.
    QRect TextArea(const CProcessBox& box, QRect* deviceEditorRect = nullptr) const;
    void PlaceLiveEditor();
    void DetachLiveEditor();
    void PaintRunMarks(QPainter& painter, const QRect& exposed, double scale, QPointF origin, bool underTexts);
    // The innermost box whose outline holds the logical point, if any.
    CProcessBox* BoxAt(QPoint logical) const;
    // Whether `box` is in the chart; `path` gets the containers around it.
    bool FindBox(const CProcessBox& box, std::vector<const CProcessBox*>* path) const;

    CTavrinDoc& m_doc;
    bool m_editable { true };
    bool m_resizing { false };
    CProcessBox* m_resizeBox { nullptr }; // not owned
    std::unique_ptr<CProcessBox> m_clipboard;
    // The system clipboard's bytes that m_clipboard was made from or put
    // there as, so that a paste parses only what is new.
    QByteArray m_clipboardBytes;
    // A press on a box's margin may become a drag of the box.
    CProcessBox* m_dragBox { nullptr }; // not owned
    QPoint m_dragStart;                 // viewport
    bool m_dragging { false };
    CBoxPlace m_dropGap;
    // The next paint scrolls the selected box into sight.
    bool m_revealSelection { false };
    QSize m_chartSize; // logical
    QSize m_scrollSize;
    int m_zoom { 100 };
    CBoxEdit* m_liveEditor { nullptr }; // a child of the viewport, made on first use
    // The editor made last by a paint, and whether it takes the focus (the
    // paint after an insertion or a paste).
    CBoxText* m_lastCreated { nullptr };
    bool m_focusNewEditor { false };
    bool m_painting { false };
    std::unordered_set<const CProcessBox*> m_breakpoints;
    const CProcessBox* m_currentBox { nullptr };
    std::vector<const CProcessBox*> m_enclosing;
    const CProcessBox* m_failedBox { nullptr };
};
