// Layout and drawing of sequences: a nested arm or body, and the root with
// the start and end terminals. Every box is moved to its place right before
// it is drawn, and a container is measured only after it was drawn, so one
// pass from the root down both lays out and paints the chart.
#include "model/CBoxSequence.h"
#include "layout/DrawSupport.h"
#include "base/Texts.h"

using namespace chartdraw;

namespace {

constexpr int kSequencePenWidth = 3; // times the print scale
constexpr int kTickHalf = 3;
constexpr int kFirstBoxDrop = 7;     // a nested line starts this far above its first box
constexpr int kEmptyArmExtra = 14;   // an empty arm is gap + 14 long

// Screen terminals: an 80 x 30 ellipse each.
constexpr int kTerminalHalfWidth = 40;
constexpr int kTerminalHeight = 30;
constexpr int kLabelX = -24;
constexpr int kStartLabelY = -27;
constexpr int kEndLabelY = 3;

// Printed terminals, in printer dots. The proportions are those of the
// screen ellipse scaled to a 150-dot height budget.
constexpr double kPrintTerminalBase = 150.0;
constexpr double kPrintHalfWidthRatio = 0.3846153846153846;
constexpr double kPrintHeightRatio = 0.8333333333333334;
constexpr int kPrintStartLabelX = -27;
constexpr int kPrintStartLabelY = -105;
constexpr int kPrintEndLabelX = -30;
constexpr int kPrintEndLabelY = 20;

// Truncation toward zero, as the printed terminals are measured.
int Truncate(double value)
{
    if (!(value > -2147483648.0))
        return INT_MIN;
    if (value >= 2147483647.0)
        return INT_MAX;
    return static_cast<int>(value);
}

void DrawSequenceLine(CDC& dc, int x, int top, int bottom, int tickHalf, int scale)
{
    PenScope pen(dc, CPen { kSequencePenWidth * scale, kColorBlack });
    Line(dc, AddClamped(x, -tickHalf), top, AddClamped(x, tickHalf), top);
    Line(dc, x, top, x, bottom);
    Line(dc, AddClamped(x, -tickHalf), bottom, AddClamped(x, tickHalf), bottom);
}

// Where the root line ends below box b, which is also where the next box
// starts. The first box compares its bottom against its scaled height plus
// clearance, later boxes against their scaled height alone; on the screen
// both give the box's GetBottom + 18.
enum class RootBox { First, Later };

std::int64_t RootBottomAfter(const CProcessBox& b, int gap, int s, RootBox which)
{
    const std::int64_t bottom = b.GetBottom();
    const std::int64_t extra = which == RootBox::First ? kBoxClearance : 0;
    if (bottom > b.m_y + (std::int64_t { b.m_height } + extra) * s)
        return bottom + (std::int64_t { gap } - kBoxClearance) * s;
    return b.m_y + (std::int64_t { gap } + b.m_height) * s;
}

// Restores a field changed for the duration of a print pass, also if the
// pass is left by an exception.
class RestoreOnExit {
public:
    explicit RestoreOnExit(int& field)
        : m_field(field), m_saved(field)
    {
    }
    ~RestoreOnExit() { m_field = m_saved; }
    RestoreOnExit(const RestoreOnExit&) = delete;
    RestoreOnExit& operator=(const RestoreOnExit&) = delete;

private:
    int& m_field;
    int m_saved;
};

} // namespace

void CBoxSequence::Draw(CDC* dc, CEditorHost* view)
{
    const int s = PrintScale(*dc);
    const bool printing = dc->IsPrinting();
    CDC* editorDc = EditorDC(dc);
    dc->SetBkMode(BkMode::Transparent);
    RestoreOnExit gapGuard(m_gap);
    if (printing)
        m_gap = ClampToInt(std::int64_t { m_gap } * kPrintScale);

    const CProcessBox* owner = m_owner;
    if (owner != nullptr)
        m_x = ClampToInt(owner->m_x + (std::int64_t { owner->m_width } + kArmIndent) * s);
    m_bottom = ClampToInt(m_top + std::int64_t { kEmptyArmExtra } * s + m_gap);

    // The line always reaches below the owner's (scaled) bottom edge, so an
    // arm of a tall box is as tall as the box.
    const auto reachBelowOwner = [&] {
        if (owner != nullptr && m_bottom < owner->m_y + std::int64_t { owner->m_height } * s)
            m_bottom = ClampToInt(owner->m_y + (std::int64_t { owner->m_height } + kBoxClearance) * s);
    };

    if (m_boxes.empty()) {
        reachBelowOwner();
    } else {
        const CProcessBox* previous = nullptr;
        for (auto& box : m_boxes) {
            CProcessBox& b = *box;
            b.RelinkArms();
            std::int64_t target;
            if (previous == nullptr) {
                target = m_top + std::int64_t { kFirstBoxDrop } * s;
            } else {
                const std::int64_t pBottom = previous->GetBottom();
                const std::int64_t pEdge = previous->m_y + std::int64_t { previous->m_height } * s;
                target = pBottom > pEdge ? pBottom + m_gap - std::int64_t { kBoxClearance } * s
                                         : pEdge + m_gap;
            }
            MoveBoxTo(b, target, editorDc);
            MoveBoxToX(b, m_x, editorDc);
            b.Draw(dc, view);

            const std::int64_t padded = b.m_y + (std::int64_t { b.m_height } + kBoxClearance) * s;
            const std::int64_t threshold = previous == nullptr ? padded : b.m_y + std::int64_t { b.m_height } * s;
            const int bottom = b.GetBottom();
            m_bottom = bottom > threshold ? bottom : ClampToInt(padded);
            reachBelowOwner();
            previous = &b;
        }
    }

    DrawSequenceLine(*dc, m_x, m_top, m_bottom, kTickHalf * s, s);
}

void CRootSequence::DrawAsRoot(CDC* dc, CEditorHost* view)
{
    const int s = PrintScale(*dc);
    const bool printing = dc->IsPrinting();
    CDC* editorDc = EditorDC(dc);
    // The printed chart leaves room above the start terminal; m_top gets its
    // screen value back when the pass ends.
    RestoreOnExit topGuard(m_top);
    if (printing)
        m_top = AddClamped(m_top, kPrintShift);
    dc->SetBkMode(BkMode::Transparent);

    const double printHalfWidth = kPrintTerminalBase * kPrintHalfWidthRatio;
    const double printHeight = kPrintTerminalBase * kPrintHeightRatio;
    if (printing)
        dc->Ellipse(Truncate(m_x - printHalfWidth), Truncate(m_top - printHeight),
            Truncate(m_x + printHalfWidth), m_top);
    else
        dc->Ellipse(AddClamped(m_x, -kTerminalHalfWidth), AddClamped(m_top, -kTerminalHeight),
            AddClamped(m_x, kTerminalHalfWidth), m_top);

    m_bottom = ClampToInt(m_top + std::int64_t { m_gap } * s);
    // A print pass does not make editor windows: it is not what the user
    // sees, and an editor made there would take the focus.
    if (!printing && view != nullptr)
        CreateEditors(dc, view);

    const CProcessBox* previous = nullptr;
    for (auto& box : m_boxes) {
        CProcessBox& b = *box;
        const std::int64_t target = previous == nullptr
            ? m_top + std::int64_t { m_gap } * s
            : RootBottomAfter(*previous, m_gap, s, RootBox::Later);
        MoveBoxTo(b, target, editorDc);
        b.RelinkArms();
        b.Draw(dc, view);
        m_bottom = ClampToInt(RootBottomAfter(b, m_gap, s, previous == nullptr ? RootBox::First : RootBox::Later));
        previous = &b;
    }

    // The root's ticks keep their screen size on a printer.
    DrawSequenceLine(*dc, m_x, m_top, m_bottom, kTickHalf, s);

    if (printing) {
        dc->Ellipse(Truncate(m_x - printHalfWidth), m_bottom,
            Truncate(m_x + printHalfWidth), Truncate(m_bottom + printHeight));
        dc->TextOut(AddClamped(m_x, kPrintStartLabelX), AddClamped(m_top, kPrintStartLabelY), texts::Cp932Text(texts::kPrintStartLabel));
        dc->TextOut(AddClamped(m_x, kPrintEndLabelX), AddClamped(m_bottom, kPrintEndLabelY), texts::Cp932Text(texts::kPrintEndLabel));
    } else {
        dc->Ellipse(AddClamped(m_x, -kTerminalHalfWidth), m_bottom,
            AddClamped(m_x, kTerminalHalfWidth), AddClamped(m_bottom, kTerminalHeight));
        dc->TextOut(AddClamped(m_x, kLabelX), AddClamped(m_top, kStartLabelY), texts::Cp932Text(texts::kStartLabel));
        dc->TextOut(AddClamped(m_x, kLabelX), AddClamped(m_bottom, kEndLabelY), texts::Cp932Text(texts::kEndLabel));
    }
}
