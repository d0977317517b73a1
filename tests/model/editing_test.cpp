#include "model/CBranchBox.h"
#include "model/CMemoryEditor.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/CTavrinDoc.h"
#include "ModelTestSupport.h"

#include <gtest/gtest.h>

namespace {

CProcessBox& Add(CBoxSequence& seq, std::unique_ptr<CProcessBox> box, std::string text = {})
{
    box->m_text = std::move(text);
    return *seq.m_boxes.emplace_back(std::move(box));
}

std::vector<int> Ys(const CBoxSequence& seq)
{
    std::vector<int> ys;
    for (const auto& box : seq.m_boxes)
        ys.push_back(box->m_y);
    return ys;
}

} // namespace

TEST(Editing, FindGapUsesStrictEdgesAndTheLineTolerance)
{
    CRootSequence root;
    Add(root, std::make_unique<CSimpleBox>(50, 75, 150, 25));
    Add(root, std::make_unique<CSimpleBox>(50, 125, 150, 40));
    root.m_bottom = 183;
    struct Case {
        int x, y, gap;
    };
    const Case cases[] = {
        { 50, 49, -1 }, { 50, 50, -1 }, { 50, 51, 0 }, { 50, 74, 0 }, { 50, 75, -1 },
        { 50, 100, -1 }, { 50, 101, 1 }, { 50, 124, 1 }, { 50, 125, -1 }, { 50, 166, 2 },
        { 50, 182, 2 }, { 50, 183, -1 }, { 47, 60, 0 }, { 53, 60, 0 }, { 46, 60, -1 }, { 54, 60, -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(root.FindGap(c.x, c.y), c.gap);
    }
    CRootSequence empty;
    EXPECT_EQ(empty.FindGap(50, 60), 0);
    EXPECT_EQ(empty.FindGap(50, 75), -1);
}

TEST(Editing, InsertionPlacesTheNewBoxAndMovesTheRest)
{
    CRootSequence root;
    root.InsertAt(0, kToolSimple, nullptr, nullptr);
    EXPECT_EQ(Ys(root), (std::vector<int> { 75 }));
    EXPECT_EQ(root.m_boxes[0]->m_x, 50);
    EXPECT_EQ(root.m_boxes[0]->m_width, 150);
    EXPECT_EQ(root.m_boxes[0]->m_height, 25);
    root.m_bottom = 125; // as the layout would leave it
    root.InsertAt(1, kToolBranch, nullptr, nullptr);
    EXPECT_EQ(Ys(root), (std::vector<int> { 75, 125 }));
    root.InsertAt(1, kToolOutput, nullptr, nullptr); // middle: later boxes move 50
    EXPECT_EQ(Ys(root), (std::vector<int> { 75, 125, 175 }));
    EXPECT_EQ(Shape(root), "SOB[|]");
    auto& branch = static_cast<CBranchBox&>(*root.m_boxes[2]);
    EXPECT_EQ(branch.m_thenSeq.m_top, 175 - 7); // arms move with their box
    root.InsertAt(0, kToolInput, nullptr, nullptr);
    EXPECT_EQ(Ys(root), (std::vector<int> { 75, 125, 175, 225 }));

    // Nested: the first box stands level with its owner.
    CPostTestLoopBox loop(50, 125, 150, 25);
    loop.m_bodySeq.InsertAt(0, kToolPreTestLoop, nullptr, nullptr);
    EXPECT_EQ(Ys(loop.m_bodySeq), (std::vector<int> { 125 }));
    EXPECT_EQ(loop.m_bodySeq.m_boxes[0]->m_x, 220);
    loop.m_bodySeq.m_bottom = 157;
    loop.m_bodySeq.InsertAt(1, kToolSimple, nullptr, nullptr);
    EXPECT_EQ(Ys(loop.m_bodySeq), (std::vector<int> { 125, 175 }));
    loop.m_bodySeq.InsertAt(1, kToolSimple, nullptr, nullptr);
    EXPECT_EQ(Ys(loop.m_bodySeq), (std::vector<int> { 125, 175, 225 }));

    // Out of range gaps and unknown tools insert nothing.
    root.InsertAt(-1, kToolSimple, nullptr, nullptr);
    root.InsertAt(9, kToolSimple, nullptr, nullptr);
    root.InsertAt(0, 0x1234, nullptr, nullptr);
    root.InsertAt(0, kToolPaste, nullptr, nullptr);
    EXPECT_EQ(root.m_boxes.size(), 4u);
}

TEST(Editing, ClicksSelectOrInsertAndMarkTheDocument)
{
    CTavrinDoc doc;
    EXPECT_FALSE(doc.ClickAt(300, 300, nullptr, nullptr)); // nowhere
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.ClickAt(50, 60, nullptr, nullptr));    // root gap: a simple box
    EXPECT_TRUE(doc.IsModified());
    doc.SetModifiedFlag(false);
    doc.m_tool = kToolBranch;
    doc.m_root.m_bottom = 125;
    EXPECT_TRUE(doc.ClickAt(50, 110, nullptr, nullptr));
    auto& branch = static_cast<CBranchBox&>(*doc.m_root.m_boxes[1]);
    ASSERT_EQ(Shape(doc.m_root), "SB[|]");

    // Inside the then-arm (empty line from 118 to 157 at x 220).
    doc.SetModifiedFlag(false);
    doc.m_tool = kToolSimple;
    EXPECT_TRUE(doc.ClickAt(220, 130, nullptr, nullptr));
    EXPECT_EQ(Shape(doc.m_root), "SB[S|]");
    EXPECT_EQ(branch.m_thenSeq.m_boxes[0]->m_y, 125);
    EXPECT_TRUE(doc.IsModified());

    // A click on a box selects it; a click on the line at a box's edge is
    // in no gap, and the box (whose left edge is the line) is selected.
    doc.SetModifiedFlag(false);
    EXPECT_FALSE(doc.ClickAt(50, 75, nullptr, nullptr));
    EXPECT_EQ(doc.m_root.m_boxes[0]->m_selected, 1);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.ContainsSelection());
    EXPECT_FALSE(doc.ClickAt(240, 140, nullptr, nullptr));
    EXPECT_EQ(branch.m_thenSeq.m_boxes[0]->m_selected, 1);
    EXPECT_TRUE(branch.ContainsSelection());
    doc.DeselectAll();
    EXPECT_FALSE(doc.ContainsSelection());
    EXPECT_FALSE(doc.DeleteSelected());
    EXPECT_FALSE(doc.IsModified());
}

TEST(Editing, DeleteTakesOneSelectedBoxWithItsContents)
{
    CTavrinDoc doc;
    auto& first = static_cast<CBranchBox&>(Add(doc.m_root, std::make_unique<CBranchBox>(50, 75, 150, 25), "b1"));
    Add(first.m_thenSeq, std::make_unique<CSimpleBox>(220, 75, 150, 25), "t");
    Add(first.m_elseSeq, std::make_unique<CSimpleBox>(220, 120, 150, 25), "e");
    auto& second = static_cast<CBranchBox&>(Add(doc.m_root, std::make_unique<CBranchBox>(50, 200, 150, 25), "b2"));
    Add(second.m_thenSeq, std::make_unique<CSimpleBox>(220, 200, 150, 25), "t2");

    first.m_elseSeq.m_boxes[0]->m_selected = 1;
    EXPECT_TRUE(doc.DeleteSelected());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(Shape(doc.m_root), "B\"b1\"[S\"t\"|]B\"b2\"[S\"t2\"|]");

    first.m_selected = 1;
    second.m_thenSeq.m_boxes[0]->m_selected = 1; // only one goes per call
    EXPECT_TRUE(doc.DeleteSelected());
    EXPECT_EQ(Shape(doc.m_root), "B\"b2\"[S\"t2\"|]");
    EXPECT_TRUE(doc.DeleteSelected());
    EXPECT_EQ(Shape(doc.m_root), "B\"b2\"[|]");
    EXPECT_FALSE(doc.DeleteSelected());
}

TEST(Editing, CutTakesTheSelectedBoxAndCopyTheWholeRootBox)
{
    CTavrinDoc doc;
    CMemoryEditorHost host;
    auto& loop = static_cast<CPreTestLoopBox&>(Add(doc.m_root, std::make_unique<CPreTestLoopBox>(50, 75, 150, 25), "w"));
    auto& branch = static_cast<CBranchBox&>(Add(loop.m_bodySeq, std::make_unique<CBranchBox>(220, 75, 150, 25), "c"));
    Add(branch.m_elseSeq, std::make_unique<CSimpleBox>(390, 75, 150, 25), "x");
    doc.m_root.CreateEditors(nullptr, &host);

    // Text typed into any editor of the copied box reaches the copy.
    static_cast<CMemoryEditor&>(*loop.m_editor).m_text = "w2";
    static_cast<CMemoryEditor&>(*branch.m_elseSeq.m_boxes[0]->m_editor).m_text = "x2";
    branch.m_elseSeq.m_boxes[0]->m_selected = 1;
    auto copy = doc.Copy();
    ASSERT_TRUE(copy);
    EXPECT_EQ(Shape(*&static_cast<CPreTestLoopBox&>(*copy).m_bodySeq), "B\"c\"[|S\"x2\"]");
    EXPECT_EQ(copy->m_text, "w2");
    EXPECT_FALSE(doc.IsModified());

    // Cut takes only the selected box, its editor closed after commit.
    static_cast<CMemoryEditor&>(*branch.m_editor).m_text = "c2";
    branch.m_elseSeq.m_boxes[0]->m_selected = 0;
    branch.m_selected = 1;
    auto cut = doc.Cut();
    ASSERT_TRUE(cut);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(cut->m_text, "c2");
    EXPECT_EQ(cut->m_editor, nullptr);
    EXPECT_EQ(static_cast<CBranchBox&>(*cut).m_elseSeq.m_boxes[0]->m_editor, nullptr);
    EXPECT_EQ(Shape(doc.m_root), "L\"w2\"[]");
    EXPECT_FALSE(doc.Cut());
    EXPECT_FALSE(doc.Copy());

    // Pasting: every click inserts an independent clone of the clipboard.
    doc.m_tool = kToolPaste;
    doc.m_root.m_bottom = 125;
    EXPECT_TRUE(doc.ClickAt(50, 110, nullptr, cut.get()));
    EXPECT_TRUE(doc.ClickAt(50, 110, nullptr, cut.get()));
    EXPECT_FALSE(doc.ClickAt(50, 60, nullptr, nullptr)); // paste with nothing to paste
    ASSERT_EQ(Shape(doc.m_root), "L\"w2\"[]B\"c2\"[|S\"x2\"]B\"c2\"[|S\"x2\"]");
    doc.m_root.m_boxes[1]->m_text = "changed";
    EXPECT_EQ(doc.m_root.m_boxes[2]->m_text, "c2");
    EXPECT_EQ(cut->m_text, "c2");
}

TEST(Editing, ResizeHandlesCountOnlyForSelectedBoxes)
{
    CTavrinDoc doc;
    auto& branch = static_cast<CBranchBox&>(Add(doc.m_root, std::make_unique<CBranchBox>(50, 75, 150, 25)));
    auto& inner = Add(branch.m_elseSeq, std::make_unique<CSimpleBox>(220, 130, 150, 25));
    EXPECT_FALSE(doc.HitsResizeHandle(200, 100));
    branch.m_selected = 1;
    struct Case {
        int x, y;
        bool hit;
    };
    const Case cases[] = { { 200, 100, true }, { 197, 97, true }, { 203, 103, true }, { 196, 100, false },
        { 200, 104, false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(doc.HitsResizeHandle(c.x, c.y), c.hit);
        EXPECT_EQ(doc.FindResizeHandleBox(c.x, c.y), c.hit ? &branch : nullptr);
    }
    branch.m_selected = 0;
    inner.m_selected = 1;
    EXPECT_TRUE(doc.HitsResizeHandle(370, 155));
    EXPECT_EQ(doc.FindResizeHandleBox(370, 155), &inner);
    EXPECT_EQ(doc.FindResizeHandleBox(200, 100), nullptr);
}
