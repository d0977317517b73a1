#include "view/CTavrinView.h"

#include "view/CBoxEdit.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "view/CQPainterDC.h"
#include "model/CTavrinDoc.h"
#include "view/ChartFonts.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

CTavrinView::CTavrinView(CTavrinDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_doc(doc)
    , m_scrollSize(doc.m_minWidth, doc.m_minHeight)
{
    setFocusPolicy(Qt::StrongFocus);
    setFont(chartfonts::BoxTextFont());
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(palette);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    // Moves without a button show the sizing cursor over a resize handle.
    viewport()->setMouseTracking(true);
    UpdateScrollBars();
}

CTavrinView::~CTavrinView()
{
    if (m_clipboard)
        m_clipboard->ReleaseContents();
}

std::unique_ptr<CBoxEditor> CTavrinView::CreateEditor(CProcessBox& box)
{
    auto editor = std::make_unique<CBoxEdit>(*this, box);
    if (m_focusNewEditors)
        editor->setFocus(Qt::OtherFocusReason);
    return editor;
}

QPoint CTavrinView::ToLogical(QPoint viewportPoint) const
{
    return viewportPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QPoint CTavrinView::ToViewport(QPoint logicalPoint) const
{
    return logicalPoint - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CTavrinView::WithClientDC(const std::function<void(CDC&)>& use)
{
    // Insertion and resizing place editor windows through a device context,
    // outside of painting: one over a scratch image, with the scroll origin.
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    CQPainterDC dc(painter, PaintTarget::Screen, ToViewport(QPoint(0, 0)));
    use(dc);
}

void CTavrinView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing, false);
    CQPainterDC dc(painter, PaintTarget::Screen, ToViewport(QPoint(0, 0)));
    m_doc.Draw(&dc, this);
    m_focusNewEditors = false;

    // The scrollable area follows the chart after every paint.
    const QSize size(std::max(m_doc.m_minWidth, m_doc.m_root.GetRight()),
                     std::max(m_doc.m_minHeight, m_doc.m_root.m_bottom + 100));
    if (size != m_scrollSize) {
        m_scrollSize = size;
        UpdateScrollBars();
    }
}

void CTavrinView::UpdateScrollBars()
{
    const QSize page = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, m_scrollSize.width() - page.width()));
    h->setPageStep(std::max(1, page.width()));
    h->setSingleStep(std::max(1, page.width() / 10));
    v->setRange(0, std::max(0, m_scrollSize.height() - page.height()));
    v->setPageStep(std::max(1, page.height()));
    v->setSingleStep(std::max(1, page.height() / 10));
}

void CTavrinView::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void CTavrinView::scrollContentsBy(int, int)
{
    // The next paint lays the chart out again and moves every editor.
    viewport()->update();
}

void CTavrinView::Refresh()
{
    viewport()->update();
    emit Changed();
}

void CTavrinView::EndResize()
{
    if (m_resizing) {
        viewport()->releaseMouse();
        m_resizing = false;
        viewport()->update();
    }
    m_resizeBox = nullptr;
}

void CTavrinView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || m_resizing) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    const QPoint p = ToLogical(e->position().toPoint());
    if (m_doc.HitsResizeHandle(p.x(), p.y())) {
        m_resizeBox = m_doc.FindResizeHandleBox(p.x(), p.y());
        m_resizing = m_resizeBox != nullptr;
        if (m_resizing) {
            viewport()->setCursor(Qt::SizeFDiagCursor);
            // A release anywhere, even outside the window, ends the drag.
            viewport()->grabMouse();
            return;
        }
    }
    setFocus(Qt::MouseFocusReason);
    m_doc.DeselectAll();
    // The paste tool needs something to paste.
    if (m_doc.m_tool != kToolPaste || m_clipboard) {
        m_focusNewEditors = true;
        bool inserted = false;
        WithClientDC([&](CDC& dc) { inserted = m_doc.ClickAt(p.x(), p.y(), &dc, m_clipboard.get()); });
        m_focusNewEditors = inserted;
    }
    Refresh();
}

void CTavrinView::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = ToLogical(e->position().toPoint());
    if (m_resizing && m_resizeBox) {
        WithClientDC([&](CDC& dc) { m_resizeBox->ResizeTo(p.x(), p.y(), &dc); });
        m_doc.SetModifiedFlag(true);
        Refresh();
    }
    if (m_resizing || m_doc.HitsResizeHandle(p.x(), p.y()))
        viewport()->setCursor(Qt::SizeFDiagCursor);
    else
        viewport()->unsetCursor();
    QAbstractScrollArea::mouseMoveEvent(e);
}

void CTavrinView::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint p = ToLogical(e->position().toPoint());
    const bool wasResizing = m_resizing;
    EndResize();
    if (m_doc.HitsResizeHandle(p.x(), p.y()))
        viewport()->setCursor(Qt::SizeFDiagCursor);
    else
        viewport()->unsetCursor();
    if (wasResizing)
        emit Changed();
    QAbstractScrollArea::mouseReleaseEvent(e);
}

void CTavrinView::keyPressEvent(QKeyEvent* e)
{
    // In an editor the Delete key edits the text; only the view's own focus
    // makes it delete the selected box.
    if (e->key() == Qt::Key_Delete && hasFocus()) {
        // A drag must not go on with a box that no longer exists.
        EndResize();
        if (m_doc.DeleteSelected())
            Refresh();
        return;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

void CTavrinView::OnEditCut()
{
    EndResize();
    TakeIntoClipboard(m_doc.Cut());
}

void CTavrinView::OnEditCopy()
{
    // A copy of a root box taken for a box selected inside it must carry the
    // texts as typed, not as they stood at the last save.
    m_doc.m_root.CommitText();
    TakeIntoClipboard(m_doc.Copy());
}

// The old clipboard box is released only when there is a new one: Cut or
// Copy with nothing selected keeps what was there.
void CTavrinView::TakeIntoClipboard(std::unique_ptr<CProcessBox> box)
{
    if (!box)
        return;
    if (m_clipboard)
        m_clipboard->ReleaseContents();
    m_clipboard = std::move(box);
    Refresh();
}

void CTavrinView::OnEditPaste()
{
    if (!m_clipboard)
        return;
    m_doc.m_tool = kToolPaste;
    emit Changed();
}

bool CTavrinView::CanCutOrCopy() const
{
    return m_doc.ContainsSelection();
}

bool CTavrinView::IsPasteTool() const
{
    return m_doc.m_tool == kToolPaste;
}

void CTavrinView::SetTool(ToolId tool)
{
    m_doc.m_tool = tool;
    emit Changed();
}

void CTavrinView::EditorClicked(CBoxEdit& editor)
{
    m_doc.DeselectAll();
    editor.Box().m_selected = 1;
    Refresh();
}

void CTavrinView::EditorKeyPressed()
{
    if (m_doc.IsModified())
        return;
    m_doc.SetModifiedFlag(true);
    emit Changed();
}

void CTavrinView::ForEachBox(CBoxSequence& sequence, const std::function<void(CProcessBox&)>& visit)
{
    for (const std::unique_ptr<CProcessBox>& box : sequence.m_boxes) {
        visit(*box);
        switch (box->Kind()) {
        case BoxKind::Branch: {
            auto& branch = static_cast<CBranchBox&>(*box);
            ForEachBox(branch.m_thenSeq, visit);
            ForEachBox(branch.m_elseSeq, visit);
            break;
        }
        case BoxKind::PreTestLoop:
        case BoxKind::PostTestLoop:
            ForEachBox(static_cast<CPreTestLoopBox&>(*box).m_bodySeq, visit);
            break;
        default:
            break;
        }
    }
}

std::vector<CBoxEdit*> CTavrinView::Editors() const
{
    std::vector<CBoxEdit*> editors;
    ForEachBox(m_doc.m_root, [&](CProcessBox& box) {
        if (auto* editor = dynamic_cast<CBoxEdit*>(box.m_editor.get()))
            editors.push_back(editor);
    });
    return editors;
}

CBoxEdit* CTavrinView::FindUnencodable(std::string* badChar) const
{
    for (CBoxEdit* editor : Editors()) {
        std::string bad = editor->UnencodableChar();
        if (!bad.empty()) {
            if (badChar)
                *badChar = std::move(bad);
            return editor;
        }
    }
    return nullptr;
}
