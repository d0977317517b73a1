#include "model/CBranchBox.h"
#include "model/CInputBox.h"
#include "model/CMemoryEditor.h"
#include "model/COutputBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/CTavrinDoc.h"
#include "ModelTestSupport.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct SequenceGeometry {
    int x, top, bottom, gap;
};

void ExpectGeometry(const CBoxSequence& s, SequenceGeometry g)
{
    EXPECT_EQ(s.m_x, g.x);
    EXPECT_EQ(s.m_top, g.top);
    EXPECT_EQ(s.m_bottom, g.bottom);
    EXPECT_EQ(s.m_gap, g.gap);
}

} // namespace

TEST(BoxTree, NewSequencesHaveTheirStartingGeometry)
{
    CRootSequence root;
    ExpectGeometry(root, { 50, 50, 75, 25 });
    EXPECT_TRUE(root.m_boxes.empty());
    EXPECT_EQ(root.m_owner, nullptr);

    ExpectGeometry(CBoxSequence(100, 200, 150, 25), { 270, 193, 232, 25 });
    CBranchBox branch(100, 200, 150, 25);
    ExpectGeometry(branch.m_thenSeq, { 270, 193, 232, 25 });
    ExpectGeometry(branch.m_elseSeq, { 270, 230, 269, 25 });
    CBranchBox odd(0, 0, 150, 31); // h/2 truncates
    EXPECT_EQ(odd.m_elseSeq.m_top, 31 + 15 - 7);
    CPostTestLoopBox loop(100, 200, 150, 25);
    ExpectGeometry(loop.m_bodySeq, { 270, 193, 232, 25 });
}

TEST(BoxTree, CloneIsADeepUnselectedCopyOfTheCommittedText)
{
    CBranchBox branch(50, 75, 170, 30);
    branch.m_text = "c";
    branch.m_selected = 1;
    for (const char* text : { "a", "b" }) {
        branch.m_thenSeq.m_boxes.push_back(std::make_unique<CSimpleBox>(220, 75, 150, 25));
        branch.m_thenSeq.m_boxes.back()->m_text = text;
    }
    auto loop = std::make_unique<CPostTestLoopBox>(220, 130, 150, 25);
    loop->m_bodySeq.m_boxes.push_back(std::make_unique<CInputBox>(0, 0, 150, 25));
    branch.m_thenSeq.m_boxes.push_back(std::move(loop));
    CMemoryEditorHost host;
    branch.CreateEditor(nullptr, &host);
    static_cast<CMemoryEditor&>(*branch.m_editor).m_text = "typed";

    auto copy = branch.Clone(10, 20);
    ASSERT_EQ(copy->Kind(), BoxKind::Branch);
    auto& c = static_cast<CBranchBox&>(*copy);
    EXPECT_EQ(c.m_x, 10);
    EXPECT_EQ(c.m_y, 20);
    EXPECT_EQ(c.m_width, 170);
    EXPECT_EQ(c.m_height, 30);
    EXPECT_EQ(c.m_text, "c");
    EXPECT_EQ(c.m_selected, 0);
    EXPECT_EQ(c.m_editor, nullptr);
    EXPECT_EQ(Shape(c.m_thenSeq), "S\"a\"S\"b\"P[I]");
    EXPECT_TRUE(c.m_elseSeq.m_boxes.empty());
    EXPECT_EQ(c.m_elseSeq.m_top, 20 + 30 + 15 - 7);
    EXPECT_EQ(c.m_thenSeq.m_boxes[0]->m_editor, nullptr);
    EXPECT_NE(c.m_thenSeq.m_boxes[0].get(), branch.m_thenSeq.m_boxes[0].get());

    // Every kind clones to its own kind.
    std::unique_ptr<CProcessBox> boxes[] = {
        std::make_unique<CSimpleBox>(0, 0, 1, 1), std::make_unique<CInputBox>(0, 0, 1, 1),
        std::make_unique<COutputBox>(0, 0, 1, 1), std::make_unique<CPreTestLoopBox>(0, 0, 1, 1),
        std::make_unique<CPostTestLoopBox>(0, 0, 1, 1),
    };
    for (const auto& box : boxes)
        EXPECT_EQ(box->Clone(0, 0)->Kind(), box->Kind());
}

TEST(BoxTree, ReleaseContentsEmptiesTheArmsButKeepsTheBox)
{
    CBranchBox branch(50, 75, 150, 25);
    branch.m_text = "keep";
    branch.m_thenSeq.m_boxes.push_back(std::make_unique<CPreTestLoopBox>(0, 0, 150, 25));
    branch.m_elseSeq.m_boxes.push_back(std::make_unique<CSimpleBox>(0, 0, 150, 25));
    CMemoryEditorHost host;
    branch.CreateEditor(nullptr, &host);
    EXPECT_EQ(host.m_createdCount, 3);
    branch.ReleaseContents();
    EXPECT_EQ(branch.m_editor, nullptr);
    EXPECT_TRUE(branch.m_thenSeq.m_boxes.empty());
    EXPECT_TRUE(branch.m_elseSeq.m_boxes.empty());
    EXPECT_EQ(branch.m_text, "keep");
    EXPECT_EQ(branch.m_y, 75);
}

TEST(BoxTree, MovingAndResizingPlaceTheEditor)
{
    COffsetDC dc(5, 100); // scrolled 5 right and 100 down
    CPreTestLoopBox loop(50, 75, 150, 25);
    loop.m_bodySeq.m_boxes.push_back(std::make_unique<CSimpleBox>(220, 75, 150, 25));
    CMemoryEditorHost host;
    loop.m_text = "i < 3";
    loop.CreateEditor(&dc, &host);
    auto& editor = static_cast<CMemoryEditor&>(*loop.m_editor);
    EXPECT_EQ(editor.m_text, "i < 3");
    EXPECT_EQ(editor.m_rect, (CMemoryEditor::Rect { 56, -24, 128, 23 }));
    const int moves = editor.m_moveCount;

    loop.CreateEditor(&dc, &host); // already has one: kept, not moved
    EXPECT_EQ(&editor, loop.m_editor.get());
    EXPECT_EQ(editor.m_moveCount, moves);

    editor.m_rect = {};
    loop.MoveVertically(0, &dc); // by 0 still places the editor
    EXPECT_EQ(editor.m_rect, (CMemoryEditor::Rect { 56, -24, 128, 23 }));
    loop.MoveVertically(10, &dc);
    EXPECT_EQ(loop.m_y, 85);
    EXPECT_EQ(loop.m_bodySeq.m_top, 78);
    EXPECT_EQ(loop.m_bodySeq.m_bottom, 117);
    EXPECT_EQ(loop.m_bodySeq.m_boxes[0]->m_y, 85);
    loop.MoveHorizontally(-20, &dc);
    EXPECT_EQ(loop.m_x, 30);
    EXPECT_EQ(loop.m_bodySeq.m_x, 220); // sequences follow at the next layout
    EXPECT_EQ(editor.m_rect, (CMemoryEditor::Rect { 36, -14, 128, 23 }));

    struct Case {
        int px, py, width, height;
        bool moved;
    };
    const Case resizes[] = {
        { 100, 90, 150, 25, false },  // smaller both ways: nothing, editor stays
        { 100, 150, 150, 65, true },  // too narrow, tall enough: height only
        { 400, 90, 370, 65, true },   // too short, wide enough: width only
        { 180, 110, 150, 25, true },  // exactly the minimum
    };
    for (const auto& c : resizes) {
        SCOPED_TRACE(testing::Message() << c.px << "," << c.py);
        const int before = editor.m_moveCount;
        loop.ResizeTo(c.px, c.py, &dc);
        EXPECT_EQ(loop.m_width, c.width);
        EXPECT_EQ(loop.m_height, c.height);
        EXPECT_EQ(editor.m_moveCount > before, c.moved);
    }
    // No dc, or no editor: nothing to place, no crash.
    loop.MoveVertically(1, nullptr);
    CSimpleBox bare(0, 0, 150, 25);
    bare.MoveVertically(1, &dc);
    bare.ResizeTo(500, 500, &dc);
    EXPECT_EQ(bare.m_width, 500);
}

TEST(BoxTree, ExtentsOfBoxesAndSequences)
{
    CSimpleBox simple(50, 75, 150, 25);
    EXPECT_EQ(simple.GetBottom(), 107);
    EXPECT_EQ(simple.GetRight(), 200);

    CBranchBox branch(50, 125, 150, 25);
    EXPECT_EQ(branch.GetBottom(), std::max(branch.m_elseSeq.m_bottom, 157));
    branch.m_elseSeq.m_bottom = 216;
    EXPECT_EQ(branch.GetBottom(), 216);
    EXPECT_EQ(branch.GetRight(), 200); // empty arms count as 0 + 30
    branch.m_thenSeq.m_boxes.push_back(std::make_unique<CSimpleBox>(220, 118, 300, 25));
    EXPECT_EQ(branch.GetRight(), 520 + 30);
    branch.m_height = 200;
    EXPECT_EQ(branch.GetBottom(), 125 + 200 + 7);

    CRootSequence root;
    EXPECT_EQ(root.GetRight(), 30);
    root.m_boxes.push_back(std::make_unique<CSimpleBox>(-500, 0, 100, 25));
    EXPECT_EQ(root.GetRight(), -400 + 30);

    // Geometry from a file is not validated; extents do not overflow.
    CSimpleBox far(INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX);
    EXPECT_EQ(far.GetBottom(), INT_MAX);
    EXPECT_EQ(far.GetRight(), INT_MAX);
    EXPECT_FALSE(far.IsHit(0, 0));
    CBoxSequence arm(INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    EXPECT_EQ(arm.m_x, INT_MAX);
    far.MoveVertically(INT_MAX, nullptr);
    EXPECT_EQ(far.m_y, INT_MAX);
}

TEST(BoxTree, RelinkArmsPointsSequencesAtTheirOwner)
{
    CBranchBox branch(0, 0, 150, 25);
    CPostTestLoopBox loop(0, 0, 150, 25);
    CSimpleBox simple(0, 0, 150, 25);
    EXPECT_EQ(branch.m_thenSeq.m_owner, nullptr);
    branch.RelinkArms();
    loop.RelinkArms();
    simple.RelinkArms();
    EXPECT_EQ(branch.m_thenSeq.m_owner, &branch);
    EXPECT_EQ(branch.m_elseSeq.m_owner, &branch);
    EXPECT_EQ(loop.m_bodySeq.m_owner, &loop);
    auto copy = branch.Clone(0, 0);
    EXPECT_EQ(static_cast<CBranchBox&>(*copy).m_thenSeq.m_owner, nullptr);
}
