#include "view/CTavrinView.h"

#include "view/CBoxEdit.h"
#include "view/CBoxText.h"
#include "model/BoxClipboard.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "view/CQPainterDC.h"
#include "model/CTavrinDoc.h"
#include "view/ChartFonts.h"
#include "view/ChartRenderer.h"
#include "model/Geometry.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextCursor>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// The device coordinate of a logical one at a scale, rounded as the chart's
// device context rounds it.
int MapCoordinate(int logical, double scale, double origin)
{
    return static_cast<int>(std::clamp(std::floor(logical * scale + origin + 0.5), -double { 1 << 24 },
        double { 1 << 24 }));
}

// Every box of a sequence and of the sequences inside its boxes, in chart
// order; a template, so that painting calls no function object per box.
template <typename Visit>
void VisitBoxes(const CBoxSequence& sequence, Visit& visit)
{
    for (const std::unique_ptr<CProcessBox>& box : sequence.m_boxes) {
        visit(*box);
        switch (box->Kind()) {
        case BoxKind::Branch: {
            const auto& branch = static_cast<const CBranchBox&>(*box);
            VisitBoxes(branch.m_thenSeq, visit);
            VisitBoxes(branch.m_elseSeq, visit);
            break;
        }
        case BoxKind::PreTestLoop:
        case BoxKind::PostTestLoop:
            VisitBoxes(static_cast<const CPreTestLoopBox&>(*box).m_bodySeq, visit);
            break;
        default:
            break;
        }
    }
}

// The boxes that may show between logical rows `top` and `bottom`. After
// layout the boxes of a sequence stand one below the other and whatever a
// box holds lies below its top and above its GetBottom, so the walk skips
// what lies above and stops below: painting costs what is seen, not the
// size of the chart.
template <typename Visit>
void VisitBoxesBetween(const CBoxSequence& sequence, std::int64_t top, std::int64_t bottom, Visit& visit)
{
    for (const std::unique_ptr<CProcessBox>& box : sequence.m_boxes) {
        if (std::int64_t { box->m_y } - kArmOverhang > bottom)
            break;
        if (std::int64_t { box->GetBottom() } < top)
            continue;
        visit(*box);
        switch (box->Kind()) {
        case BoxKind::Branch: {
            const auto& branch = static_cast<const CBranchBox&>(*box);
            VisitBoxesBetween(branch.m_thenSeq, top, bottom, visit);
            VisitBoxesBetween(branch.m_elseSeq, top, bottom, visit);
            break;
        }
        case BoxKind::PreTestLoop:
        case BoxKind::PostTestLoop:
            VisitBoxesBetween(static_cast<const CPreTestLoopBox&>(*box).m_bodySeq, top, bottom, visit);
            break;
        default:
            break;
        }
    }
}

QString BoxMimeType()
{
    return QString::fromLatin1(kBoxMimeType.data(), static_cast<qsizetype>(kBoxMimeType.size()));
}

// The then-arm of a branch or the body of a loop; null for the others.
CBoxSequence* FirstArm(CProcessBox& box)
{
    switch (box.Kind()) {
    case BoxKind::Branch:
        return &static_cast<CBranchBox&>(box).m_thenSeq;
    case BoxKind::PreTestLoop:
    case BoxKind::PostTestLoop:
        return &static_cast<CPreTestLoopBox&>(box).m_bodySeq;
    default:
        return nullptr;
    }
}

CBoxSequence* ElseArm(CProcessBox& box)
{
    return box.Kind() == BoxKind::Branch ? &static_cast<CBranchBox&>(box).m_elseSeq : nullptr;
}

CProcessBox* FirstOf(const CBoxSequence& sequence)
{
    return sequence.m_boxes.empty() ? nullptr : sequence.m_boxes.front().get();
}

CProcessBox* LastOf(const CBoxSequence& sequence)
{
    return sequence.m_boxes.empty() ? nullptr : sequence.m_boxes.back().get();
}

// The box a navigation key goes to from the box at `place`, or null. Up and
// Down stay in the sequence; as the two arms of a branch stand one above
// the other, they go on from the end of the then-arm to the else-arm and
// back.
CProcessBox* NavigationTarget(CBoxPlace place, int key)
{
    CBoxSequence& sequence = *place.sequence;
    const auto index = static_cast<std::size_t>(place.index);
    CProcessBox& box = *sequence.m_boxes[index];
    CProcessBox* owner = sequence.m_owner;
    switch (key) {
    case Qt::Key_Up:
        if (index > 0)
            return sequence.m_boxes[index - 1].get();
        if (owner && ElseArm(*owner) == &sequence)
            return LastOf(*FirstArm(*owner));
        return nullptr;
    case Qt::Key_Down:
        if (index + 1 < sequence.m_boxes.size())
            return sequence.m_boxes[index + 1].get();
        if (owner && ElseArm(*owner) && FirstArm(*owner) == &sequence)
            return FirstOf(*ElseArm(*owner));
        return nullptr;
    case Qt::Key_Home:
        return FirstOf(sequence);
    case Qt::Key_End:
        return LastOf(sequence);
    case Qt::Key_Right: {
        CBoxSequence* arm = FirstArm(box);
        if (!arm)
            return nullptr;
        if (CProcessBox* first = FirstOf(*arm))
            return first;
        // An empty then-arm leaves the else-arm to go to.
        CBoxSequence* elseArm = ElseArm(box);
        return elseArm ? FirstOf(*elseArm) : nullptr;
    }
    case Qt::Key_Left:
        return owner;
    default:
        return nullptr;
    }
}

// Where gap `index` of a sequence runs along its line, logical.
void GapExtent(const CBoxSequence& sequence, int index, int& top, int& bottom)
{
    const auto at = static_cast<std::size_t>(index);
    top = at == 0 ? sequence.m_top : sequence.m_boxes[at - 1]->m_y + sequence.m_boxes[at - 1]->m_height;
    bottom = at < sequence.m_boxes.size() ? sequence.m_boxes[at]->m_y : sequence.m_bottom;
}

} // namespace

CTavrinView::CTavrinView(CTavrinDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_doc(doc)
    , m_chartSize(doc.m_minWidth, doc.m_minHeight)
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
    auto text = std::make_unique<CBoxText>(*this, box);
    m_lastCreated = text.get();
    return text;
}

QPoint CTavrinView::ToLogical(QPoint viewportPoint) const
{
    const double scale = Scale();
    return QPoint(static_cast<int>(std::floor((viewportPoint.x() + horizontalScrollBar()->value()) / scale)),
        static_cast<int>(std::floor((viewportPoint.y() + verticalScrollBar()->value()) / scale)));
}

QPoint CTavrinView::ToViewport(QPoint logicalPoint) const
{
    const double scale = Scale();
    return QPoint(MapCoordinate(logicalPoint.x(), scale, -horizontalScrollBar()->value()),
        MapCoordinate(logicalPoint.y(), scale, -verticalScrollBar()->value()));
}

void CTavrinView::WithClientDC(const std::function<void(CDC&)>& use)
{
    // Insertion and resizing move boxes through a device context, outside
    // of painting: one over a scratch image, with the scroll origin.
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    CQPainterDC dc(painter, PaintTarget::Screen, ToViewport(QPoint(0, 0)));
    use(dc);
}

void CTavrinView::paintEvent(QPaintEvent* e)
{
    QPainter painter(viewport());
    // Everything is drawn in device pixels, so that lines and texts are
    // sharp at any device pixel ratio and zoom.
    const qreal ratio = viewport()->devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    painter.setFont(chartfonts::BoxTextFont());
    painter.setPen(Qt::black);
    const double scale = Scale() * ratio;
    const QPointF origin(-horizontalScrollBar()->value() * ratio, -verticalScrollBar()->value() * ratio);
    const QRectF exposedF(e->rect().x() * ratio, e->rect().y() * ratio, e->rect().width() * ratio,
        e->rect().height() * ratio);
    const QRect exposed = exposedF.toAlignedRect().adjusted(-1, -1, 1, 1);

    m_lastCreated = nullptr;
    {
        // Texts set while this paint makes editors are painted by it.
        const QScopedValueRollback painting(m_painting, true);
        CQPainterDC dc(painter, origin, scale, exposed);
        m_doc.Draw(&dc, this);
    }
    PaintRunMarks(painter, exposed, scale, origin, true);
    PaintTexts(painter, exposed, scale, origin);
    PaintRunMarks(painter, exposed, scale, origin, false);
    painter.scale(ratio, ratio);
    PaintDropGap(painter);
    painter.end();

    // The scrollable area follows the chart after every paint.
    const QSize chart(std::max(m_doc.m_minWidth, m_doc.m_root.GetRight()),
        std::max(m_doc.m_minHeight, m_doc.m_root.m_bottom + 100));
    if (chart != m_chartSize) {
        m_chartSize = chart;
        UpdateScrollBars();
    }

    // The editor of a box just inserted or pasted takes the focus, as the
    // editor made last always did; a chart just opened leaves it in the view.
    CBoxText* created = m_lastCreated;
    m_lastCreated = nullptr;
    if (m_focusNewEditor && created) {
        m_focusNewEditor = false;
        if (CBoxEdit* editor = EditBox(created->Box()))
            editor->setFocus(Qt::OtherFocusReason);
    }
    if (m_revealSelection) {
        m_revealSelection = false;
        RevealSelected();
    }
    PlaceLiveEditor();
}

void CTavrinView::PaintDropGap(QPainter& painter)
{
    if (!m_dragging || !m_dropGap)
        return;
    int top = 0;
    int bottom = 0;
    GapExtent(*m_dropGap.sequence, m_dropGap.index, top, bottom);
    const int x = m_dropGap.sequence->m_x;
    const QPoint from = ToViewport(QPoint(x, top));
    const QPoint to = ToViewport(QPoint(x, bottom));
    const int middle = (from.y() + to.y()) / 2;
    const int reach = static_cast<int>(std::lround(40 * Scale()));
    painter.save();
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to);
    painter.drawLine(QPoint(from.x() - reach / 4, middle), QPoint(from.x() + reach, middle));
    painter.restore();
}

void CTavrinView::RevealSelected()
{
    const CProcessBox* box = SelectedBox();
    if (!box)
        return;
    const QPoint topLeft = ToViewport(QPoint(box->m_x, box->m_y));
    const QPoint bottomRight = ToViewport(QPoint(box->m_x + box->m_width, box->m_y + box->m_height));
    const int margin = static_cast<int>(std::lround(10 * Scale()));
    const QRect page = viewport()->rect();
    const int dy = verticalScrollBar()->value();
    const int dx = horizontalScrollBar()->value();
    // In content coordinates, so that the first correction does not move
    // the second one's box.
    auto fit = [margin](QScrollBar* bar, int low, int high, int pageSize) {
        int value = bar->value();
        if (high + margin > value + pageSize)
            value = high + margin - pageSize;
        if (low - margin < value)
            value = low - margin;
        bar->setValue(value);
    };
    fit(verticalScrollBar(), topLeft.y() + dy, bottomRight.y() + dy, page.height());
    fit(horizontalScrollBar(), topLeft.x() + dx, bottomRight.x() + dx, page.width());
}

QRect CTavrinView::TextArea(const CProcessBox& box, QRect* deviceEditorRect) const
{
    const QRect logical = chartrender::EditorRect(box);
    if (logical.isEmpty())
        return {};
    const qreal ratio = viewport()->devicePixelRatioF();
    const double scale = Scale() * ratio;
    const double ox = -horizontalScrollBar()->value() * ratio;
    const double oy = -verticalScrollBar()->value() * ratio;
    const QRect device(QPoint(MapCoordinate(logical.left(), scale, ox), MapCoordinate(logical.top(), scale, oy)),
        QPoint(MapCoordinate(logical.right() + 1, scale, ox) - 1, MapCoordinate(logical.bottom() + 1, scale, oy) - 1));
    if (deviceEditorRect)
        *deviceEditorRect = device;
    // Whole widget pixels, where the text widget stands: the painted text
    // starts at the very same point, so that the two look alike at every
    // zoom and device pixel ratio. Ending where the text is cut off, the
    // widget lies strictly inside the box's outline.
    const double inset = chartfonts::kEditorTextInset * scale;
    const int l = static_cast<int>(std::round((device.left() + inset) / ratio));
    const int t = static_cast<int>(std::round((device.top() + inset) / ratio));
    const int r = static_cast<int>(std::floor((device.right() + 1 - inset) / ratio));
    const int b = static_cast<int>(std::floor((device.bottom() + 1 - inset) / ratio));
    return QRect(QPoint(l, t), QSize(std::max(1, r - l), std::max(1, b - t)));
}

void CTavrinView::PaintTexts(QPainter& painter, const QRect& exposed, double scale, QPointF origin)
{
    const qreal ratio = viewport()->devicePixelRatioF();
    const CBoxText* live = m_liveEditor ? m_liveEditor->Attached() : nullptr;
    // Texts are drawn in widget pixels with the font at the zoom, as the
    // text widget draws them; the clip is the editor rectangle in device
    // pixels.
    QFont font = chartfonts::BoxTextFont();
    font.setPointSizeF(font.pointSizeF() * Scale());
    painter.setFont(font);
    painter.setPen(Qt::black);
    constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextExpandTabs;
    auto paint = [&](const CProcessBox& box) {
        const auto* text = dynamic_cast<const CBoxText*>(box.m_editor.get());
        if (text == nullptr || text == live)
            return;
        QRect device;
        const QRect area = TextArea(box, &device);
        if (area.isEmpty() || !device.intersects(exposed) || text->PaintedText().isEmpty())
            return;
        painter.save();
        painter.setClipRect(device, Qt::IntersectClip);
        painter.scale(ratio, ratio);
        painter.drawText(QRect(area.topLeft(), QSize(1 << 24, 1 << 24)), kFlags, text->PaintedText());
        painter.restore();
    };
    const auto top = static_cast<std::int64_t>(std::floor((exposed.top() - origin.y()) / scale)) - 1;
    const auto bottom = static_cast<std::int64_t>(std::ceil((exposed.bottom() + 1 - origin.y()) / scale)) + 1;
    VisitBoxesBetween(m_doc.m_root, top, bottom, paint);
}

void CTavrinView::PlaceLiveEditor()
{
    CBoxText* text = m_liveEditor ? m_liveEditor->Attached() : nullptr;
    if (!text)
        return;
    const QRect rect = TextArea(text->Box());
    if (rect.isEmpty()) {
        m_liveEditor->hide();
        return;
    }
    if (m_liveEditor->geometry() != rect)
        m_liveEditor->setGeometry(rect);
    QFont font = chartfonts::BoxTextFont();
    font.setPointSizeF(font.pointSizeF() * Scale());
    if (m_liveEditor->font() != font)
        m_liveEditor->setFont(font);
    if (!m_liveEditor->isVisible())
        m_liveEditor->show();
}

CBoxEdit* CTavrinView::EditBox(CProcessBox& box)
{
    auto* text = dynamic_cast<CBoxText*>(box.m_editor.get());
    if (!text)
        return nullptr;
    if (!m_liveEditor)
        m_liveEditor = new CBoxEdit(*this);
    if (m_liveEditor->isReadOnly() == IsEditable())
        m_liveEditor->setReadOnly(!IsEditable());
    if (m_liveEditor->Attached() != text) {
        CBoxText* previous = m_liveEditor->Attached();
        // Typing into another box is another step.
        m_doc.CloseStep();
        m_liveEditor->Attach(text);
        // The previous box's text is painted again, this one's no longer.
        if (previous)
            viewport()->update();
        viewport()->update();
    }
    PlaceLiveEditor();
    return m_liveEditor;
}

CBoxEdit* CTavrinView::LiveEditor() const
{
    return m_liveEditor && m_liveEditor->Attached() ? m_liveEditor : nullptr;
}

void CTavrinView::DetachLiveEditor()
{
    if (!m_liveEditor || !m_liveEditor->Attached())
        return;
    const bool hadFocus = m_liveEditor->hasFocus();
    m_liveEditor->Attach(nullptr);
    m_liveEditor->hide();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

void CTavrinView::TextGone(CBoxText& text)
{
    // The box leaves the chart (deleted or cut): nothing may point at it.
    const CProcessBox* box = &text.Box();
    m_breakpoints.erase(box);
    if (m_failedBox == box)
        m_failedBox = nullptr;
    if (m_currentBox == box || std::find(m_enclosing.begin(), m_enclosing.end(), box) != m_enclosing.end()) {
        m_currentBox = nullptr;
        m_enclosing.clear();
    }
    if (m_lastCreated == &text)
        m_lastCreated = nullptr;
    if (m_liveEditor && m_liveEditor->Attached() == &text)
        DetachLiveEditor();
}

void CTavrinView::TextReplaced(CBoxText& text)
{
    if (m_liveEditor && m_liveEditor->Attached() == &text)
        m_liveEditor->Reload();
    if (!m_painting)
        viewport()->update();
}

CBoxText* CTavrinView::TextAt(QPoint logical) const
{
    CBoxText* found = nullptr;
    auto find = [&](const CProcessBox& box) {
        if (!box.m_editor || !chartrender::EditorRect(box).contains(logical))
            return;
        if (auto* text = dynamic_cast<CBoxText*>(box.m_editor.get()))
            found = text; // the last one, as the window made last lay on top
    };
    VisitBoxes(m_doc.m_root, find);
    return found;
}

const std::vector<int>& CTavrinView::ZoomSteps()
{
    static const std::vector<int> steps { 25, 33, 50, 67, 75, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400 };
    return steps;
}

void CTavrinView::SetZoom(int percent, std::optional<QPoint> anchor)
{
    const std::vector<int>& steps = ZoomSteps();
    int nearest = steps.front();
    for (int step : steps) {
        if (std::abs(step - percent) < std::abs(nearest - percent))
            nearest = step;
    }
    if (nearest == m_zoom)
        return;
    const QPoint at = anchor.value_or(QPoint(0, 0));
    const double oldScale = Scale();
    const double logicalX = (at.x() + horizontalScrollBar()->value()) / oldScale;
    const double logicalY = (at.y() + verticalScrollBar()->value()) / oldScale;
    m_zoom = nearest;
    UpdateScrollBars();
    horizontalScrollBar()->setValue(static_cast<int>(std::lround(logicalX * Scale() - at.x())));
    verticalScrollBar()->setValue(static_cast<int>(std::lround(logicalY * Scale() - at.y())));
    PlaceLiveEditor();
    viewport()->update();
    emit ZoomChanged(m_zoom);
}

void CTavrinView::ZoomIn()
{
    for (int step : ZoomSteps()) {
        if (step > m_zoom) {
            SetZoom(step);
            return;
        }
    }
}

void CTavrinView::ZoomOut()
{
    const std::vector<int>& steps = ZoomSteps();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (*it < m_zoom) {
            SetZoom(*it);
            return;
        }
    }
}

void CTavrinView::wheelEvent(QWheelEvent* e)
{
    if (e->modifiers() & Qt::ControlModifier) {
        const int delta = e->angleDelta().y();
        if (delta != 0) {
            const std::vector<int>& steps = ZoomSteps();
            const auto at = std::find(steps.begin(), steps.end(), m_zoom);
            const auto index = at - steps.begin();
            const auto next = std::clamp<std::ptrdiff_t>(index + (delta > 0 ? 1 : -1), 0,
                static_cast<std::ptrdiff_t>(steps.size()) - 1);
            SetZoom(steps[static_cast<std::size_t>(next)], e->position().toPoint());
        }
        e->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(e);
}

void CTavrinView::contextMenuEvent(QContextMenuEvent* e)
{
    // Over a painted text the text widget's own menu opens, as it did over
    // the editor window each box once had.
    CBoxText* text = TextAt(ToLogical(e->pos()));
    CBoxEdit* editor = text ? EditBox(text->Box()) : nullptr;
    if (!editor) {
        QAbstractScrollArea::contextMenuEvent(e);
        return;
    }
    editor->setFocus(Qt::PopupFocusReason);
    const QPoint at = editor->viewport()->mapFrom(viewport(), e->pos());
    QContextMenuEvent forwarded(e->reason(), at, e->globalPos(), e->modifiers());
    QApplication::sendEvent(editor->viewport(), &forwarded);
    e->accept();
}

void CTavrinView::WheelFromEditor(QWheelEvent* e)
{
    QWheelEvent moved(viewport()->mapFrom(m_liveEditor, e->position()), e->globalPosition(), e->pixelDelta(),
        e->angleDelta(), e->buttons(), e->modifiers(), e->phase(), e->inverted(), e->source());
    wheelEvent(&moved);
    e->setAccepted(moved.isAccepted());
}

void CTavrinView::UpdateScrollBars()
{
    m_scrollSize = QSize(static_cast<int>(std::ceil(m_chartSize.width() * Scale())),
        static_cast<int>(std::ceil(m_chartSize.height() * Scale())));
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
    // The next paint lays the chart out again and moves the text widget.
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
        // One drag is one step of the history.
        m_doc.CloseStep();
    }
    m_resizeBox = nullptr;
}

void CTavrinView::EndDrag()
{
    if (m_dragging) {
        viewport()->releaseMouse();
        viewport()->unsetCursor();
        viewport()->update();
    }
    m_dragging = false;
    m_dragBox = nullptr;
    m_dropGap = {};
}

void CTavrinView::CancelGestures()
{
    EndResize();
    EndDrag();
}

void CTavrinView::SetEditable(bool editable)
{
    if (editable == m_editable)
        return;
    CancelGestures();
    m_editable = editable;
    m_doc.CloseStep();
    if (!editable)
        DetachLiveEditor(); // a watched run takes the text out of the user's hands
    if (m_liveEditor)
        m_liveEditor->setReadOnly(!editable);
    viewport()->unsetCursor();
    Refresh();
}

void CTavrinView::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || m_resizing || m_dragging) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    m_dragBox = nullptr;
    const QPoint p = ToLogical(e->position().toPoint());
    m_failedBox = nullptr;
    if (!IsEditable()) {
        // A chart that may not be changed only selects: its boxes can still
        // be looked at, given a breakpoint or copied.
        setFocus(Qt::MouseFocusReason);
        m_doc.DeselectAll();
        if (CProcessBox* box = BoxAt(p))
            box->m_selected = 1;
        Refresh();
        return;
    }
    if (m_doc.HitsResizeHandle(p.x(), p.y())) {
        m_resizeBox = m_doc.FindResizeHandleBox(p.x(), p.y());
        m_resizing = m_resizeBox != nullptr;
        if (m_resizing) {
            m_doc.CloseStep();
            viewport()->setCursor(Qt::SizeFDiagCursor);
            // A release anywhere, even outside the window, ends the drag.
            viewport()->grabMouse();
            return;
        }
    }
    if (CBoxText* text = TextAt(p)) {
        // A click into a box's text, as into the editor window that each
        // box once had: the box is selected and the caret goes to the
        // clicked character, with no text selected.
        m_doc.DeselectAll();
        text->Box().m_selected = 1;
        if (CBoxEdit* editor = EditBox(text->Box())) {
            editor->setFocus(Qt::MouseFocusReason);
            QTextCursor cursor = editor->cursorForPosition(
                editor->viewport()->mapFrom(viewport(), e->position().toPoint()));
            cursor.clearSelection();
            editor->setTextCursor(cursor);
        }
        Refresh();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_doc.DeselectAll();
    if (!IsEditable()) {
        // Selection only: the click inserts nowhere.
        ClickGaps(m_doc.m_root, p.x(), p.y(), Hits::Select);
        Refresh();
        return;
    }
    // The paste tool pastes the box copied last in any window; data of
    // Tavrin's type that is no box is refused before anything changes.
    const bool pasting = m_doc.m_tool == kToolPaste;
    if (pasting && m_doc.GapAt(p.x(), p.y()) && !TakeSystemClipboard()) {
        Refresh();
        return;
    }
    // The paste tool needs something to paste.
    bool inserted = false;
    if (!pasting || m_clipboard) {
        WithClientDC([&](CDC& dc) { inserted = m_doc.ClickAt(p.x(), p.y(), &dc, m_clipboard.get()); });
        // The new box's editor takes the focus when the paint makes it.
        m_focusNewEditor = inserted;
    } else {
        ClickGaps(m_doc.m_root, p.x(), p.y(), Hits::Select);
    }
    // A press on a box's margin may start dragging it.
    if (!inserted) {
        m_dragBox = SelectedBox();
        m_dragStart = e->position().toPoint();
    }
    Refresh();
}

void CTavrinView::UpdateDrop(QPoint logical, Qt::KeyboardModifiers modifiers)
{
    const CBoxPlace gap = m_doc.GapAt(logical.x(), logical.y());
    const CBoxPlace from = FindPlaceOf(m_doc.m_root, *m_dragBox);
    const CBoxPlace drop = CMoveBoxCommand::CanMove(from, gap) ? gap : CBoxPlace {};
    if (drop.sequence != m_dropGap.sequence || drop.index != m_dropGap.index) {
        m_dropGap = drop;
        viewport()->update();
    }
    if (!m_dropGap)
        viewport()->setCursor(Qt::ForbiddenCursor);
    else
        viewport()->setCursor((modifiers & Qt::ControlModifier) ? Qt::DragCopyCursor : Qt::DragMoveCursor);
}

void CTavrinView::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = ToLogical(e->position().toPoint());
    if (m_dragBox && (e->buttons() & Qt::LeftButton) && !m_resizing) {
        if (!m_dragging
            && (e->position().toPoint() - m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragging = true;
            viewport()->grabMouse();
        }
        if (m_dragging) {
            UpdateDrop(p, e->modifiers());
            QAbstractScrollArea::mouseMoveEvent(e);
            return;
        }
    }
    if (m_resizing && m_resizeBox) {
        WithClientDC([&](CDC& dc) { m_doc.ResizeBox(*m_resizeBox, p.x(), p.y(), &dc); });
        // Every move of the drag marks the chart modified, as it always did.
        m_doc.SetModifiedFlag(true);
        Refresh();
    }
    if (!IsEditable())
        viewport()->unsetCursor();
    else if (m_resizing || m_doc.HitsResizeHandle(p.x(), p.y()))
        viewport()->setCursor(Qt::SizeFDiagCursor);
    else if (e->buttons() == Qt::NoButton && TextAt(p))
        viewport()->setCursor(Qt::IBeamCursor); // as over the text widget
    else
        viewport()->unsetCursor();
    QAbstractScrollArea::mouseMoveEvent(e);
}

void CTavrinView::mouseReleaseEvent(QMouseEvent* e)
{
    const QPoint p = ToLogical(e->position().toPoint());
    if (m_dragging && e->button() == Qt::LeftButton) {
        UpdateDrop(p, e->modifiers());
        CProcessBox* box = m_dragBox;
        const CBoxPlace gap = m_dropGap;
        const bool copy = (e->modifiers() & Qt::ControlModifier) != 0;
        EndDrag();
        if (gap) {
            WithClientDC([&](CDC& dc) {
                if (copy)
                    m_doc.CopyBox(*box, gap, &dc);
                else
                    m_doc.MoveBox(*box, gap, &dc);
            });
            m_revealSelection = true;
        }
        Refresh();
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    m_dragBox = nullptr;
    const bool wasResizing = m_resizing;
    EndResize();
    if (IsEditable() && m_doc.HitsResizeHandle(p.x(), p.y()))
        viewport()->setCursor(Qt::SizeFDiagCursor);
    else
        viewport()->unsetCursor();
    if (wasResizing)
        emit Changed();
    QAbstractScrollArea::mouseReleaseEvent(e);
}

CProcessBox* CTavrinView::SelectedBox() const
{
    const CBoxPlace place = FindSelectedPlace(m_doc.m_root);
    return place ? place.sequence->m_boxes[static_cast<std::size_t>(place.index)].get() : nullptr;
}

void CTavrinView::SelectBox(CProcessBox& box)
{
    m_doc.DeselectAll();
    box.m_selected = 1;
    m_revealSelection = true;
    Refresh();
}

bool CTavrinView::NavigateKey(int key)
{
    const CBoxPlace place = FindSelectedPlace(m_doc.m_root);
    CProcessBox* target = nullptr;
    if (place)
        target = NavigationTarget(place, key);
    else if (key == Qt::Key_Up || key == Qt::Key_End)
        target = LastOf(m_doc.m_root);
    else if (key != Qt::Key_Left)
        target = FirstOf(m_doc.m_root);
    if (target)
        SelectBox(*target);
    // A key with nowhere to go still belongs to the selection, not to
    // scrolling; without any box it scrolls.
    return target != nullptr || place;
}

void CTavrinView::EditSelected()
{
    CProcessBox* box = SelectedBox();
    if (!box)
        return;
    // Every painted box has its text; one never painted gets it now.
    WithClientDC([&](CDC& dc) { box->CreateEditor(&dc, this); });
    m_lastCreated = nullptr;
    if (CBoxEdit* editor = EditBox(*box)) {
        editor->setFocus(Qt::OtherFocusReason);
        editor->moveCursor(QTextCursor::End);
    }
    m_revealSelection = true;
    Refresh();
}

void CTavrinView::InsertAfterSelection()
{
    if (!IsEditable())
        return;
    if (m_doc.m_tool == kToolPaste && (!TakeSystemClipboard() || !m_clipboard))
        return;
    CancelGestures();
    CProcessBox* box = nullptr;
    WithClientDC([&](CDC& dc) {
        box = m_doc.InsertAfterSelection(m_clipboard.get(), &dc);
        if (box)
            box->CreateEditor(&dc, this);
    });
    m_lastCreated = nullptr;
    if (!box)
        return;
    if (CBoxEdit* editor = EditBox(*box))
        editor->setFocus(Qt::OtherFocusReason);
    m_revealSelection = true;
    Refresh();
}

void CTavrinView::keyPressEvent(QKeyEvent* e)
{
    // Keys reach the view only while it has the focus itself: in an editor
    // the Delete key and the arrows edit the text.
    if (e->key() == Qt::Key_Delete && hasFocus()) {
        if (!IsEditable())
            return;
        // A drag must not go on with a box that no longer exists.
        CancelGestures();
        if (m_doc.DeleteSelected())
            Refresh();
        return;
    }
    const Qt::KeyboardModifiers modifiers = e->modifiers() & ~Qt::KeypadModifier;
    if (!hasFocus() || (modifiers != Qt::NoModifier && e->key() != Qt::Key_Escape)) {
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    switch (e->key()) {
    case Qt::Key_Escape:
        if (m_dragging)
            EndDrag();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (m_dragging || m_resizing || NavigateKey(e->key()))
            return;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (!m_dragging && !m_resizing)
            EditSelected();
        return;
    case Qt::Key_Insert:
        InsertAfterSelection();
        return;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

bool CTavrinView::CanUndo() const
{
    return IsEditable() && m_doc.History().CanUndo();
}

bool CTavrinView::CanRedo() const
{
    return IsEditable() && m_doc.History().CanRedo();
}

void CTavrinView::OnEditUndo()
{
    if (!CanUndo())
        return;
    CancelGestures();
    WithClientDC([&](CDC& dc) { m_doc.Undo(&dc); });
    m_revealSelection = true;
    Refresh();
}

void CTavrinView::OnEditRedo()
{
    if (!CanRedo())
        return;
    CancelGestures();
    WithClientDC([&](CDC& dc) { m_doc.Redo(&dc); });
    m_revealSelection = true;
    Refresh();
}

void CTavrinView::OnEditCut()
{
    if (!IsEditable())
        return;
    CancelGestures();
    std::unique_ptr<CProcessBox> box = m_doc.Cut();
    if (box)
        PublishBox(*box);
    TakeIntoClipboard(std::move(box));
}

void CTavrinView::OnEditCopy()
{
    // A copy of a root box taken for a box selected inside it must carry the
    // texts as typed, not as they stood at the last save.
    m_doc.m_root.CommitText();
    std::unique_ptr<CProcessBox> box = m_doc.Copy();
    if (box)
        PublishBox(*box);
    TakeIntoClipboard(std::move(box));
}

void CTavrinView::PublishBox(const CProcessBox& box)
{
    auto data = std::make_unique<QMimeData>();
    std::string bytes;
    try {
        // The clipboard box has no editors: its texts are what it holds.
        bytes = BoxToBytes(const_cast<CProcessBox&>(box));
        data->setText(QString::fromStdString(BoxOutline(box)));
    } catch (const std::exception&) {
        // Too deep for a box record: it stays in this view's clipboard.
        m_clipboardBytes.clear();
        return;
    }
    m_clipboardBytes = QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    data->setData(BoxMimeType(), m_clipboardBytes);
    QApplication::clipboard()->setMimeData(data.release());
}

bool CTavrinView::TakeSystemClipboard()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    // Anything else on the clipboard (a text copied elsewhere) leaves the
    // box copied last in this view.
    if (!data || !data->hasFormat(BoxMimeType()))
        return true;
    const QByteArray bytes = data->data(BoxMimeType());
    if (m_clipboard && bytes == m_clipboardBytes)
        return true;
    std::unique_ptr<CProcessBox> box;
    try {
        box = BoxFromBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const std::exception&) {
        // Not a box (or one nested too deeply to read): nothing changes.
        emit PasteRefused();
        return false;
    }
    if (m_clipboard)
        m_clipboard->ReleaseContents();
    m_clipboard = std::move(box);
    m_clipboardBytes = bytes;
    return true;
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
    if (!IsEditable() || !TakeSystemClipboard() || !m_clipboard)
        return;
    m_doc.m_tool = kToolPaste;
    emit Changed();
}

bool CTavrinView::CanCutOrCopy() const
{
    return IsEditable() && m_doc.ContainsSelection();
}

bool CTavrinView::CanPaste() const
{
    if (!IsEditable())
        return false;
    if (m_clipboard)
        return true;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasFormat(BoxMimeType());
}

bool CTavrinView::IsPasteTool() const
{
    return m_doc.m_tool == kToolPaste;
}

void CTavrinView::SetTool(ToolId tool)
{
    if (!IsEditable())
        return;
    m_doc.m_tool = tool;
    emit Changed();
}

void CTavrinView::EditorClicked(CBoxEdit& editor)
{
    m_doc.DeselectAll();
    if (CBoxText* text = editor.Attached())
        text->Box().m_selected = 1;
    Refresh();
}

void CTavrinView::EditorKeyPressed()
{
    if (!IsEditable() || m_doc.IsModified())
        return;
    m_doc.SetModifiedFlag(true);
    emit Changed();
}

void CTavrinView::TextTyped(CBoxText& text)
{
    if (!IsEditable())
        return;
    const std::size_t index = m_doc.History().Index();
    const std::size_t count = m_doc.History().Count();
    m_doc.SetBoxText(text.Box(), text.GetText());
    // Keys that only add to the open step leave the commands as they were.
    if (m_doc.History().Index() != index || m_doc.History().Count() != count)
        emit Changed();
}

void CTavrinView::EditorLeft()
{
    m_doc.CloseStep();
}

void CTavrinView::EditorEscaped(CBoxEdit& editor)
{
    m_doc.CloseStep();
    m_doc.DeselectAll();
    if (CBoxText* text = editor.Attached())
        text->Box().m_selected = 1;
    setFocus(Qt::OtherFocusReason);
    Refresh();
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

std::vector<CBoxText*> CTavrinView::Editors() const
{
    std::vector<CBoxText*> editors;
    ForEachBox(m_doc.m_root, [&](CProcessBox& box) {
        if (auto* editor = dynamic_cast<CBoxText*>(box.m_editor.get()))
            editors.push_back(editor);
    });
    return editors;
}

CBoxText* CTavrinView::FindUnencodable(std::string* badChar) const
{
    for (CBoxText* editor : Editors()) {
        std::string bad = editor->UnencodableChar();
        if (!bad.empty()) {
            if (badChar)
                *badChar = std::move(bad);
            return editor;
        }
    }
    return nullptr;
}

CProcessBox* CTavrinView::BoxAt(QPoint logical) const
{
    CProcessBox* found = nullptr;
    auto find = [&](const CProcessBox& box) {
        if (logical.x() >= box.m_x && logical.x() <= box.m_x + box.m_width && logical.y() >= box.m_y
            && logical.y() <= box.m_y + box.m_height)
            found = const_cast<CProcessBox*>(&box); // the last one is the innermost
    };
    VisitBoxes(m_doc.m_root, find);
    return found;
}

namespace {

bool FindIn(const CBoxSequence& sequence, const CProcessBox& target, std::vector<const CProcessBox*>* path)
{
    for (const std::unique_ptr<CProcessBox>& box : sequence.m_boxes) {
        if (box.get() == &target)
            return true;
        bool found = false;
        switch (box->Kind()) {
        case BoxKind::Branch: {
            const auto& branch = static_cast<const CBranchBox&>(*box);
            found = FindIn(branch.m_thenSeq, target, path) || FindIn(branch.m_elseSeq, target, path);
            break;
        }
        case BoxKind::PreTestLoop:
        case BoxKind::PostTestLoop:
            found = FindIn(static_cast<const CPreTestLoopBox&>(*box).m_bodySeq, target, path);
            break;
        default:
            break;
        }
        if (found) {
            if (path)
                path->insert(path->begin(), box.get());
            return true;
        }
    }
    return false;
}

} // namespace

bool CTavrinView::FindBox(const CProcessBox& box, std::vector<const CProcessBox*>* path) const
{
    if (path)
        path->clear();
    return FindIn(m_doc.m_root, box, path);
}

void CTavrinView::ToggleBreakpoint(const CProcessBox& box)
{
    if (!m_breakpoints.erase(&box) && FindBox(box, nullptr))
        m_breakpoints.insert(&box);
    viewport()->update();
    emit Changed();
}

void CTavrinView::ClearBreakpoints()
{
    m_breakpoints.clear();
    viewport()->update();
    emit Changed();
}

std::vector<const CProcessBox*> CTavrinView::Breakpoints() const
{
    std::vector<const CProcessBox*> marked;
    if (m_breakpoints.empty())
        return marked;
    auto collect = [&](const CProcessBox& box) {
        if (m_breakpoints.count(&box) != 0)
            marked.push_back(&box);
    };
    VisitBoxes(m_doc.m_root, collect);
    return marked;
}

void CTavrinView::SetCurrentBox(const CProcessBox* box)
{
    if (box == m_currentBox)
        return;
    std::vector<const CProcessBox*> path;
    if (box && !FindBox(*box, &path))
        box = nullptr;
    m_currentBox = box;
    m_enclosing = std::move(path);
    if (box)
        EnsureVisible(*box);
    viewport()->update();
}

void CTavrinView::ShowFailedBox(const CProcessBox& box)
{
    if (!FindBox(box, nullptr))
        return;
    m_doc.DeselectAll();
    const_cast<CProcessBox&>(box).m_selected = 1;
    m_failedBox = &box;
    EnsureVisible(box);
    Refresh();
}

void CTavrinView::EnsureVisible(const CProcessBox& box)
{
    // Room for the chart the box stands in, which the next paint would set.
    const QSize chart(std::max(m_doc.m_minWidth, m_doc.m_root.GetRight()),
        std::max(m_doc.m_minHeight, m_doc.m_root.m_bottom + 100));
    if (chart != m_chartSize) {
        m_chartSize = chart;
        UpdateScrollBars();
    }
    constexpr int kMargin = 20;
    const QRect shown = viewport()->rect();
    const QRect at(ToViewport(QPoint(box.m_x, box.m_y)), ToViewport(QPoint(box.m_x + box.m_width, box.m_y + box.m_height)));
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    if (at.top() < 0)
        v->setValue(v->value() + at.top() - kMargin);
    else if (at.bottom() > shown.bottom())
        v->setValue(v->value() + std::min(at.top() - kMargin, at.bottom() - shown.bottom() + kMargin));
    if (at.left() < 0)
        h->setValue(h->value() + at.left() - kMargin);
    else if (at.right() > shown.right())
        h->setValue(h->value() + std::min(at.left() - kMargin, at.right() - shown.right() + kMargin));
}

void CTavrinView::PaintRunMarks(QPainter& painter, const QRect& exposed, double scale, QPointF origin, bool underTexts)
{
    const auto deviceRect = [&](const CProcessBox& box) {
        return QRect(QPoint(MapCoordinate(box.m_x, scale, origin.x()), MapCoordinate(box.m_y, scale, origin.y())),
            QPoint(MapCoordinate(box.m_x + box.m_width, scale, origin.x()),
                MapCoordinate(box.m_y + box.m_height, scale, origin.y())));
    };
    painter.save();
    painter.setPen(Qt::NoPen);
    if (underTexts) {
        // Fills that leave the outlines and texts readable; unlike the blue
        // selection they colour the whole box.
        for (const CProcessBox* box : m_enclosing) {
            if (const QRect r = deviceRect(*box); r.intersects(exposed))
                painter.fillRect(r, QColor(255, 200, 0, 60));
        }
        if (m_currentBox) {
            if (const QRect r = deviceRect(*m_currentBox); r.intersects(exposed))
                painter.fillRect(r, QColor(255, 190, 0, 150));
        }
        if (m_failedBox) {
            if (const QRect r = deviceRect(*m_failedBox); r.intersects(exposed))
                painter.fillRect(r, QColor(255, 60, 60, 120));
        }
    } else if (!m_breakpoints.empty()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(220, 0, 0));
        const double radius = 4.5 * scale;
        auto dot = [&](const CProcessBox& box) {
            if (m_breakpoints.count(&box) == 0)
                return;
            const QPointF centre(box.m_x * scale + origin.x() + 6 * scale, box.m_y * scale + origin.y() + 6 * scale);
            if (exposed.intersects(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius).toAlignedRect()))
                painter.drawEllipse(centre, radius, radius);
        };
        VisitBoxes(m_doc.m_root, dot);
    }
    painter.restore();
}
