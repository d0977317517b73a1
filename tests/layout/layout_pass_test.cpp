// Where the layout pass puts boxes and sequence lines, on the screen and on
// a printer, and how it treats the editor windows.
#include "LayoutTestSupport.h"

#include "model/CMemoryEditor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

using namespace layout_test;

namespace {

bool Contains(const std::vector<std::string>& calls, const std::string& line)
{
    return std::find(calls.begin(), calls.end(), line) != calls.end();
}

TEST(LayoutPass, EmptyChartDrawsTerminalsAndShortLine)
{
    CRootSequence root;
    const std::vector<std::string> expected {
        "BkMode transparent",
        "Ellipse 10 20 90 50",
        "Pen 3 000000",
        "MoveTo 47 50", "LineTo 53 50",
        "MoveTo 50 50", "LineTo 50 75",
        "MoveTo 47 75", "LineTo 53 75",
        "Pen 1 000000",
        "Ellipse 10 75 90 105",
        "Text 26 23 start",
        "Text 26 78 end",
    };
    EXPECT_EQ(DrawRoot(root), expected);
    EXPECT_EQ(root.m_bottom, 75);
    EXPECT_EQ(root.GetRight(), 30);
}

TEST(LayoutPass, EmptyChartPrinted)
{
    CRootSequence root;
    // Shifted down by 150; the terminals are 114 x 125 dots.
    const std::vector<std::string> expected {
        "BkMode transparent",
        "Ellipse -7 75 107 200",
        "Pen 15 000000",
        "MoveTo 47 200", "LineTo 53 200",
        "MoveTo 50 200", "LineTo 50 325",
        "MoveTo 47 325", "LineTo 53 325",
        "Pen 1 000000",
        "Ellipse -7 325 107 450",
        "Text 23 95 S",
        "Text 20 345 E",
    };
    EXPECT_EQ(DrawRoot(root, DeviceKind::Printer), expected);
    EXPECT_EQ(root.m_top, 50) << "the print shift is undone";
}

TEST(LayoutPass, WorkedExampleSimpleThenBranch)
{
    CRootSequence root;
    // Stored positions are only starting points.
    auto& simple = Append<CSimpleBox>(root, 50, 900);
    auto& branch = Append<CBranchBox>(root, 50, -300);
    const auto calls = DrawRoot(root);

    EXPECT_EQ(simple.m_y, 75);
    EXPECT_EQ(branch.m_y, 125);
    EXPECT_EQ(branch.m_thenSeq.m_x, 220);
    EXPECT_EQ(branch.m_thenSeq.m_top, 118);
    EXPECT_EQ(branch.m_thenSeq.m_bottom, 157);
    EXPECT_EQ(branch.m_elseSeq.m_x, 220);
    EXPECT_EQ(branch.m_elseSeq.m_top, 177);
    EXPECT_EQ(branch.m_elseSeq.m_bottom, 216);
    EXPECT_EQ(branch.GetBottom(), 216);
    EXPECT_EQ(root.m_bottom, 234);
    EXPECT_EQ(root.GetRight(), 230);
    EXPECT_TRUE(Contains(calls, "Ellipse 10 234 90 264"));
    EXPECT_TRUE(Contains(calls, "Rectangle 50 75 200 100"));
}

// The second root box starts 18 below the first one's GetBottom, whatever
// the first one's kind.
TEST(LayoutPass, SecondRootBoxFollowsFirstBoxBottom)
{
    struct Case {
        const char* name;
        std::unique_ptr<CProcessBox> first;
        int secondY;
    };
    Case cases[] = {
        { "simple", std::make_unique<CSimpleBox>(50, 0, 150, 25), 125 },
        { "input", std::make_unique<CInputBox>(50, 0, 150, 25), 125 },
        { "output", std::make_unique<COutputBox>(50, 0, 150, 25), 125 },
        // An empty body: 68 to 107, level with the box's clearance.
        { "pre-test loop", std::make_unique<CPreTestLoopBox>(50, 0, 150, 25), 125 },
        { "post-test loop", std::make_unique<CPostTestLoopBox>(50, 0, 150, 25), 125 },
        // Then arm 68-107, else arm 127-166.
        { "branch", std::make_unique<CBranchBox>(50, 0, 150, 25), 184 },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRootSequence root;
        CProcessBox& first = *root.m_boxes.emplace_back(std::move(c.first));
        auto& second = Append<CSimpleBox>(root, 50, 0);
        DrawRoot(root);
        EXPECT_EQ(first.m_y, 75);
        EXPECT_EQ(first.m_x, 50);
        EXPECT_EQ(second.m_y, c.secondY);
        EXPECT_EQ(root.m_bottom, c.secondY + 50);
    }
}

TEST(LayoutPass, RootBoxesKeepTheirX)
{
    CRootSequence root;
    auto& box = Append<CSimpleBox>(root, 80, 0);
    DrawRoot(root);
    EXPECT_EQ(box.m_x, 80);
}

TEST(LayoutPass, EmptyArmIs39HighUnlessOwnerIsTaller)
{
    CRootSequence root;
    auto& loop = Append<CPreTestLoopBox>(root, 50, 0);
    auto& tall = Append<CPreTestLoopBox>(root, 50, 0, 150, 60);
    DrawRoot(root);
    EXPECT_EQ(loop.m_bodySeq.m_top, 68);
    EXPECT_EQ(loop.m_bodySeq.m_bottom, 68 + 39);
    // The tall loop starts at 125; its body reaches its bottom edge + 7.
    EXPECT_EQ(tall.m_y, 125);
    EXPECT_EQ(tall.m_bodySeq.m_top, 118);
    EXPECT_EQ(tall.m_bodySeq.m_bottom, 125 + 60 + 7);
    EXPECT_EQ(root.m_bottom, 192 + 18);
}

TEST(LayoutPass, NestedBoxesHangOnTheirLine)
{
    CRootSequence root;
    auto& loop = Append<CPreTestLoopBox>(root, 50, 0);
    auto& a = Append<CSimpleBox>(loop.m_bodySeq, 999, 999);
    auto& b = Append<COutputBox>(loop.m_bodySeq, -5, 3);
    auto& c = Append<CSimpleBox>(loop.m_bodySeq, 0, 0, 150, 50);
    DrawRoot(root);
    EXPECT_EQ(loop.m_bodySeq.m_x, 220);
    // The first box sits level with its owner; each next one 18 below the
    // previous GetBottom.
    EXPECT_EQ(a.m_x, 220);
    EXPECT_EQ(a.m_y, 75);
    EXPECT_EQ(b.m_x, 220);
    EXPECT_EQ(b.m_y, 125);
    EXPECT_EQ(c.m_y, 175);
    EXPECT_EQ(loop.m_bodySeq.m_bottom, 175 + 50 + 7);
    EXPECT_EQ(loop.GetBottom(), 232);
    EXPECT_EQ(root.m_bottom, 250);
    EXPECT_EQ(root.GetRight(), 430);
}

TEST(LayoutPass, LongThenArmPushesElseArmDown)
{
    CRootSequence root;
    auto& branch = Append<CBranchBox>(root, 50, 0);
    for (int i = 0; i < 3; ++i)
        Append<CSimpleBox>(branch.m_thenSeq);
    auto& elseBox = Append<CInputBox>(branch.m_elseSeq);
    const auto calls = DrawRoot(root);
    EXPECT_EQ(branch.m_thenSeq.m_boxes[2]->m_y, 175);
    EXPECT_EQ(branch.m_thenSeq.m_bottom, 207);
    EXPECT_EQ(branch.m_elseSeq.m_top, 227);
    EXPECT_EQ(elseBox.m_y, 234);
    EXPECT_EQ(branch.m_elseSeq.m_bottom, 266);
    // The connector runs down the post to 20 below the else arm's top.
    EXPECT_TRUE(Contains(calls, "MoveTo 210 100"));
    EXPECT_TRUE(Contains(calls, "LineTo 210 247"));
    EXPECT_TRUE(Contains(calls, "MoveTo 210 247"));
    EXPECT_TRUE(Contains(calls, "LineTo 220 247"));
}

TEST(LayoutPass, NestedContainersLayOutFromTheirOwnPosition)
{
    CRootSequence root;
    auto& outer = Append<CPreTestLoopBox>(root, 50, 0);
    auto& inner = Append<CBranchBox>(outer.m_bodySeq, 0, 4000);
    auto& leaf = Append<CSimpleBox>(inner.m_elseSeq, 0, 0);
    DrawRoot(root);
    EXPECT_EQ(inner.m_x, 220);
    EXPECT_EQ(inner.m_y, 75);
    EXPECT_EQ(inner.m_thenSeq.m_x, 390);
    EXPECT_EQ(inner.m_thenSeq.m_top, 68);
    EXPECT_EQ(inner.m_elseSeq.m_top, 127);
    EXPECT_EQ(leaf.m_x, 390);
    EXPECT_EQ(leaf.m_y, 134);
    EXPECT_EQ(outer.m_bodySeq.m_bottom, 166);
    EXPECT_EQ(root.GetRight(), 630);
}

TEST(LayoutPass, EditorsAreCreatedOnceAndPlacedInDeviceCoordinates)
{
    CRootSequence root;
    auto& box = Append<CSimpleBox>(root, 50, 0);
    auto& loop = Append<CPostTestLoopBox>(root, 50, 0);
    auto& inner = Append<COutputBox>(loop.m_bodySeq);
    box.m_text = "a=1";
    CMemoryEditorHost host;
    CRecordingDC dc;
    dc.SetViewportOrg({ -5, -40 }); // scrolled right by 5 and down by 40
    root.DrawAsRoot(&dc, &host);
    ASSERT_EQ(host.m_createdCount, 3);
    auto* editor = static_cast<CMemoryEditor*>(box.m_editor.get());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->m_text, "a=1");
    EXPECT_EQ(editor->m_rect, (CMemoryEditor::Rect { 61 - 5, 76 - 40, 128, 23 }));
    auto* innerEditor = static_cast<CMemoryEditor*>(inner.m_editor.get());
    EXPECT_EQ(innerEditor->m_rect, (CMemoryEditor::Rect { 231 - 5, 126 - 40, 128, 23 }));

    // A later pass keeps the editors and follows the scroll position, even
    // though no box moves.
    dc.SetViewportOrg({ 0, 0 });
    root.DrawAsRoot(&dc, &host);
    EXPECT_EQ(host.m_createdCount, 3);
    EXPECT_EQ(box.m_editor.get(), editor);
    EXPECT_EQ(editor->m_rect, (CMemoryEditor::Rect { 61, 76, 128, 23 }));
    EXPECT_EQ(innerEditor->m_rect, (CMemoryEditor::Rect { 231, 126, 128, 23 }));
}

TEST(LayoutPass, PrintPositionsAreScaled)
{
    CRootSequence root;
    auto& first = Append<CSimpleBox>(root, 50, 0);
    auto& loop = Append<CPreTestLoopBox>(root, 50, 0);
    auto& body = Append<CSimpleBox>(loop.m_bodySeq);
    auto& second = Append<CSimpleBox>(loop.m_bodySeq);
    const auto calls = DrawRoot(root, DeviceKind::Printer);
    // Root top 200 after the shift; the first box a scaled gap below it.
    EXPECT_EQ(first.m_y, 325);
    EXPECT_TRUE(Contains(calls, "Rectangle 50 325 800 450"));
    EXPECT_EQ(loop.m_y, 325 + 250);
    EXPECT_EQ(loop.m_bodySeq.m_x, 50 + 170 * 5);
    EXPECT_EQ(body.m_x, 900);
    EXPECT_EQ(body.m_y, loop.m_y - 7 + 35);
    EXPECT_EQ(second.m_y, body.m_y + 125 + 125);
    EXPECT_TRUE(Contains(calls, "Pen 15 000000"));
    // The nested gap is back to 25 afterwards, the root top to 50.
    EXPECT_EQ(loop.m_bodySeq.m_gap, 25);
    EXPECT_EQ(root.m_top, 50);
}

TEST(LayoutPass, PrintLeavesEditorsAndScreenLayoutIntact)
{
    CRootSequence root;
    auto& branch = Append<CBranchBox>(root, 50, 0);
    Append<CSimpleBox>(branch.m_thenSeq);
    Append<CInputBox>(branch.m_elseSeq);
    Append<COutputBox>(root);
    CMemoryEditorHost host;
    const auto screen = DrawRoot(root, DeviceKind::Screen, &host);
    auto* editor = static_cast<CMemoryEditor*>(branch.m_editor.get());
    const CMemoryEditor::Rect rect = editor->m_rect;
    const int moves = editor->m_moveCount;

    DrawRoot(root, DeviceKind::Printer, &host);
    EXPECT_EQ(editor->m_rect, rect);
    EXPECT_EQ(editor->m_moveCount, moves);
    EXPECT_EQ(host.m_createdCount, 4);

    EXPECT_EQ(DrawRoot(root, DeviceKind::Screen, &host), screen);
    EXPECT_EQ(editor->m_rect, rect);
}

TEST(LayoutPass, PrintDoesNotCreateEditors)
{
    CRootSequence root;
    auto& box = Append<CSimpleBox>(root, 50, 0);
    box.m_text = "x";
    CMemoryEditorHost host;
    const auto calls = DrawRoot(root, DeviceKind::Printer, &host);
    EXPECT_EQ(host.m_createdCount, 0);
    EXPECT_EQ(box.m_editor, nullptr);
    EXPECT_TRUE(Contains(calls, "Text 80 345 x"));
}

TEST(LayoutPass, EmptyArmOfTallBoxReachesItsPrintedBottom)
{
    CRootSequence root;
    auto& loop = Append<CPreTestLoopBox>(root, 50, 0, 150, 80);
    DrawRoot(root, DeviceKind::Printer);
    // 39 x 5 would end inside the 400-dot box; the line goes on below it.
    EXPECT_EQ(loop.m_y, 325);
    EXPECT_EQ(loop.m_bodySeq.m_bottom, 325 + (80 + 7) * 5);
}

// A file may place a box anywhere; layout must neither overflow nor leave
// the box out of place.
TEST(LayoutPass, FarAwayBoxesAreBroughtBack)
{
    CRootSequence root;
    auto& low = Append<CSimpleBox>(root, 50, INT_MIN);
    auto& branch = Append<CBranchBox>(root, 50, INT_MAX - 10);
    Append<CSimpleBox>(branch.m_thenSeq, INT_MAX, INT_MIN);
    auto& loop = Append<CPreTestLoopBox>(branch.m_elseSeq, INT_MIN, INT_MAX);
    DrawRoot(root);
    EXPECT_EQ(low.m_y, 75);
    EXPECT_EQ(branch.m_y, 125);
    EXPECT_EQ(branch.m_thenSeq.m_boxes[0]->m_y, 125);
    EXPECT_EQ(branch.m_thenSeq.m_boxes[0]->m_x, 220);
    EXPECT_EQ(loop.m_x, 220);
    EXPECT_EQ(loop.m_y, branch.m_elseSeq.m_top + 7);

    // Huge sizes saturate instead of wrapping around.
    CRootSequence huge;
    auto& big = Append<CPreTestLoopBox>(huge, INT_MAX, 0, INT_MAX, INT_MAX);
    Append<CSimpleBox>(big.m_bodySeq, 0, 0, INT_MAX, INT_MAX);
    Append<CSimpleBox>(huge, 0, 0, INT_MIN, INT_MIN);
    DrawRoot(huge, DeviceKind::Printer);
    DrawRoot(huge);
    EXPECT_EQ(big.m_y, 75);
}

} // namespace
