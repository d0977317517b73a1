// The history of a chart: steps, their names, merging, the depth limit, the
// saved state and the modified flag; and the edits that are refused.

#include "model/CBranchBox.h"
#include "model/CMemoryEditor.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/CTavrinDoc.h"
#include "ModelTestSupport.h"
#include "base/Texts.h"

#include <gtest/gtest.h>

namespace {

CProcessBox& Add(CBoxSequence& seq, std::unique_ptr<CProcessBox> box, std::string text = {})
{
    box->m_text = std::move(text);
    return *seq.m_boxes.emplace_back(std::move(box));
}

// Root: S"a", B"b"[S"c" | L"d"[S"e"]], S"f".
struct CSampleChart {
    CSampleChart()
    {
        Add(doc.m_root, std::make_unique<CSimpleBox>(50, 75, 150, 25), "a");
        branch = static_cast<CBranchBox*>(&Add(doc.m_root, std::make_unique<CBranchBox>(50, 125, 150, 25), "b"));
        Add(branch->m_thenSeq, std::make_unique<CSimpleBox>(220, 125, 150, 25), "c");
        loop = static_cast<CPreTestLoopBox*>(
            &Add(branch->m_elseSeq, std::make_unique<CPreTestLoopBox>(220, 200, 150, 25), "d"));
        Add(loop->m_bodySeq, std::make_unique<CSimpleBox>(390, 200, 150, 25), "e");
        Add(doc.m_root, std::make_unique<CSimpleBox>(50, 300, 150, 25), "f");
        original = doc.SaveToBytes();
    }
    CTavrinDoc doc;
    CBranchBox* branch;
    CPreTestLoopBox* loop;
    std::string original;
};

} // namespace

TEST(Undo, StepsAreNamedAndUndoneInTurn)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_FALSE(doc.Undo(nullptr));

    doc.m_tool = kToolOutput;
    doc.InsertAt({ &chart.branch->m_thenSeq, 1 }, nullptr, nullptr);
    CProcessBox& c = *chart.branch->m_thenSeq.m_boxes[0];
    doc.ResizeBox(c, c.m_x + 200, c.m_y + 60, nullptr);
    doc.CloseStep();
    doc.SetBoxText(c, "c2");
    doc.MoveBox(*chart.loop, { &doc.m_root, 0 }, nullptr);
    doc.CopyBox(c, { &doc.m_root, 3 }, nullptr);
    chart.loop->m_bodySeq.m_boxes[0]->m_selected = 1;
    doc.DeleteSelected();
    doc.m_root.m_boxes[1]->m_selected = 1;
    auto cut = doc.Cut();
    ASSERT_NE(cut, nullptr);
    doc.m_tool = kToolPaste;
    doc.InsertAt({ &doc.m_root, 0 }, cut.get(), nullptr);
    EXPECT_EQ(Shape(doc.m_root), "S\"a\"L\"d\"[]B\"b\"[S\"c2\"O|]S\"c2\"S\"f\"");

    const std::string_view names[] = { texts::kStepPaste, texts::kStepCut, texts::kStepDelete, texts::kStepCopy,
        texts::kStepMove, texts::kStepTyping, texts::kStepResize, texts::kStepInsert };
    for (std::string_view name : names) {
        SCOPED_TRACE(std::string(name));
        EXPECT_EQ(doc.History().UndoText(), name);
        doc.SetModifiedFlag(false);
        EXPECT_TRUE(doc.Undo(nullptr));
        EXPECT_TRUE(doc.IsModified()); // an undo is a change too
        EXPECT_EQ(doc.History().RedoText(), name);
    }
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_EQ(doc.SaveToBytes(), chart.original);
    // The very boxes came back, so what pointed at them still does.
    EXPECT_EQ(chart.branch->m_elseSeq.m_boxes[0].get(), chart.loop);
    EXPECT_EQ(chart.branch->m_thenSeq.m_boxes[0].get(), &c);
    EXPECT_EQ(c.m_width, 150);
    while (doc.Redo(nullptr)) { }
    EXPECT_EQ(Shape(doc.m_root), "S\"a\"L\"d\"[]B\"b\"[S\"c2\"O|]S\"c2\"S\"f\"");
}

TEST(Undo, UndoAndRedoSelectTheBoxOfTheStep)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    CProcessBox& a = *doc.m_root.m_boxes[0];
    a.m_selected = 1;
    ASSERT_TRUE(doc.DeleteSelected());
    CProcessBox& f = *doc.m_root.m_boxes[1];
    f.m_selected = 1;
    doc.Undo(nullptr);
    EXPECT_EQ(a.m_selected, 1);
    EXPECT_EQ(f.m_selected, 0);
    doc.Redo(nullptr); // the deleted box is gone: nothing is selected
    EXPECT_FALSE(doc.ContainsSelection());
    EXPECT_EQ(a.m_selected, 0);

    CProcessBox* inserted = doc.InsertAfterSelection(nullptr, nullptr); // nothing selected: at the head
    ASSERT_EQ(inserted, doc.m_root.m_boxes[0].get());
    EXPECT_EQ(inserted->m_selected, 1);
    doc.m_tool = kToolInput;
    CProcessBox* next = doc.InsertAfterSelection(nullptr, nullptr);
    EXPECT_EQ(Shape(doc.m_root), "SIB\"b\"[S\"c\"|L\"d\"[S\"e\"]]S\"f\"");
    EXPECT_EQ(next->m_selected, 1);
    EXPECT_EQ(inserted->m_selected, 0);
}

TEST(Undo, ConsecutiveTypingInOneBoxIsOneStep)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    CProcessBox& a = *doc.m_root.m_boxes[0];
    CProcessBox& f = *doc.m_root.m_boxes[2];
    for (std::string text : { "a1", "a12", "a123" })
        doc.SetBoxText(a, text);
    EXPECT_EQ(doc.History().Count(), 1u);
    doc.SetBoxText(f, "f1"); // another box
    doc.SetBoxText(a, "a1234");
    EXPECT_EQ(doc.History().Count(), 3u);
    doc.CloseStep(); // the user left the box
    doc.SetBoxText(a, "a12345");
    EXPECT_EQ(doc.History().Count(), 4u);
    doc.ResizeBox(a, a.m_x + 300, a.m_y + 25, nullptr); // another kind of change
    doc.SetBoxText(a, "a123456");
    EXPECT_EQ(doc.History().Count(), 6u);

    // After an undo, typing starts a new step instead of growing an old one.
    doc.Undo(nullptr);
    EXPECT_EQ(a.m_text, "a12345");
    doc.SetBoxText(a, "a12345x");
    EXPECT_EQ(doc.History().Count(), 6u);
    EXPECT_FALSE(doc.History().CanRedo());
    doc.Undo(nullptr);
    EXPECT_EQ(a.m_text, "a12345");

    for (int i = 0; i < 4; ++i)
        doc.Undo(nullptr);
    EXPECT_EQ(a.m_text, "a123");
    EXPECT_EQ(f.m_text, "f");
    doc.Undo(nullptr);
    EXPECT_EQ(a.m_text, "a");
    EXPECT_EQ(doc.SaveToBytes(), chart.original);
}

TEST(Undo, TypingThatEndsWhereItBeganLeavesNoStep)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    CProcessBox& a = *doc.m_root.m_boxes[0];
    doc.SetBoxText(a, "ab");
    doc.SetBoxText(a, "a");
    EXPECT_FALSE(doc.History().CanUndo());
    doc.SetBoxText(a, "a"); // no change at all
    EXPECT_FALSE(doc.History().CanUndo());
    // Typing after saving is a step of its own, so that undoing it gives
    // back exactly the saved chart.
    doc.SetBoxText(a, "ab");
    doc.History().SetClean();
    doc.SetBoxText(a, "abc");
    EXPECT_EQ(doc.History().Count(), 2u);
    doc.Undo(nullptr);
    EXPECT_TRUE(doc.History().IsClean());
}

TEST(Undo, TypingUpdatesAnOpenEditorOnlyWhenItsTextDiffers)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    CMemoryEditorHost host;
    COffsetDC dc;
    doc.Draw(&dc, &host);
    CProcessBox& a = *doc.m_root.m_boxes[0];
    auto& editor = static_cast<CMemoryEditor&>(*a.m_editor);
    editor.m_text = "ax";
    doc.SetBoxText(a, "ax");
    EXPECT_EQ(a.m_text, "ax");
    doc.Undo(&dc);
    EXPECT_EQ(editor.m_text, "a");
    EXPECT_EQ(a.m_text, "a");
    doc.Redo(&dc);
    EXPECT_EQ(editor.m_text, "ax");
}

TEST(Undo, OneResizeDragIsOneStep)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    CProcessBox& a = *doc.m_root.m_boxes[0];
    EXPECT_FALSE(doc.ResizeBox(a, a.m_x + 10, a.m_y + 10, nullptr)); // below the smallest size
    EXPECT_FALSE(doc.History().CanUndo());
    doc.ResizeBox(a, a.m_x + 200, a.m_y + 40, nullptr);
    doc.ResizeBox(a, a.m_x + 250, a.m_y + 50, nullptr);
    doc.CloseStep();
    EXPECT_EQ(doc.History().Count(), 1u);
    EXPECT_EQ(a.m_width, 250);
    EXPECT_EQ(a.m_height, 50);
    doc.ResizeBox(a, a.m_x + 300, a.m_y + 50, nullptr);
    EXPECT_EQ(doc.History().Count(), 2u);
    doc.Undo(nullptr);
    EXPECT_EQ(a.m_width, 250);
    doc.Undo(nullptr);
    EXPECT_EQ(a.m_width, 150);
    EXPECT_EQ(a.m_height, 25);
}

TEST(Undo, DropsIntoTheBoxItselfBelowItOrOntoItsOwnPlaceAreRefused)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    CBranchBox& b = *chart.branch;
    struct Case {
        const char* what;
        CBoxPlace gap;
    };
    const Case refused[] = {
        { "own arm", { &b.m_thenSeq, 0 } },
        { "own else-arm, end", { &b.m_elseSeq, 1 } },
        { "body of a loop below it", { &chart.loop->m_bodySeq, 1 } },
        { "gap above it", { &doc.m_root, 1 } },
        { "gap below it", { &doc.m_root, 2 } },
        { "past the end", { &doc.m_root, 4 } },
        { "no sequence", {} },
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(doc.MoveBox(b, c.gap, nullptr));
        EXPECT_EQ(doc.CopyBox(b, c.gap, nullptr), nullptr);
    }
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.SaveToBytes(), chart.original);

    // The gap two below its own is another place in the same sequence.
    ASSERT_TRUE(doc.MoveBox(b, { &doc.m_root, 3 }, nullptr));
    EXPECT_EQ(Shape(doc.m_root), "S\"a\"S\"f\"B\"b\"[S\"c\"|L\"d\"[S\"e\"]]");
    EXPECT_TRUE(doc.IsModified());
    // A box in an arm may go up into the root, and a box of the root into
    // another's arm.
    ASSERT_TRUE(doc.MoveBox(*chart.loop, { &doc.m_root, 0 }, nullptr));
    ASSERT_TRUE(doc.MoveBox(*doc.m_root.m_boxes[1], { &b.m_elseSeq, 0 }, nullptr));
    EXPECT_EQ(Shape(doc.m_root), "L\"d\"[S\"e\"]S\"f\"B\"b\"[S\"c\"|S\"a\"]");
    CProcessBox* copy = doc.CopyBox(*chart.loop, { &b.m_thenSeq, 1 }, nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, chart.loop);
    EXPECT_EQ(copy->m_selected, 1);
    EXPECT_EQ(chart.loop->m_selected, 0);
    EXPECT_EQ(Shape(b.m_thenSeq), "S\"c\"L\"d\"[S\"e\"]");
    while (doc.Undo(nullptr)) { }
    EXPECT_EQ(doc.SaveToBytes(), chart.original);
}

TEST(Undo, AMovedBoxTakesThePlaceAPasteWouldGiveIt)
{
    CTavrinDoc doc;
    doc.InsertAt({ &doc.m_root, 0 }, nullptr, nullptr);
    doc.m_tool = kToolBranch;
    CProcessBox& branch = *doc.InsertAt({ &doc.m_root, 1 }, nullptr, nullptr);
    doc.m_tool = kToolSimple;
    CProcessBox& first = *doc.m_root.m_boxes[0];
    first.m_height = 40;
    ASSERT_TRUE(doc.MoveBox(first, { &static_cast<CBranchBox&>(branch).m_elseSeq, 0 }, nullptr));
    const auto& elseArm = static_cast<CBranchBox&>(branch).m_elseSeq;
    EXPECT_EQ(first.m_x, elseArm.m_x);
    EXPECT_EQ(first.m_y, elseArm.m_top + 7);
}

TEST(Undo, ClickInsertionIsAStepAndPastesAreIndependentCopies)
{
    CTavrinDoc doc;
    doc.m_tool = kToolPreTestLoop;
    ASSERT_TRUE(doc.ClickAt(50, 60, nullptr, nullptr));
    EXPECT_EQ(doc.History().UndoText(), texts::kStepInsert);
    auto copy = (doc.m_root.m_boxes[0]->m_selected = 1, doc.Copy());
    doc.DeselectAll();
    doc.m_tool = kToolPaste;
    EXPECT_FALSE(doc.ClickAt(50, 60, nullptr, nullptr)); // nothing to paste
    ASSERT_TRUE(doc.ClickAt(50, 60, nullptr, copy.get()));
    EXPECT_EQ(doc.History().UndoText(), texts::kStepPaste);
    EXPECT_EQ(doc.History().Count(), 2u);
    EXPECT_NE(doc.m_root.m_boxes[0].get(), copy.get());
    doc.Undo(nullptr);
    doc.Undo(nullptr);
    EXPECT_TRUE(doc.m_root.m_boxes.empty());
}

TEST(Undo, TheDepthLimitDropsTheOldestSteps)
{
    CTavrinDoc doc;
    doc.History().SetLimit(5);
    for (int i = 0; i < 8; ++i)
        doc.InsertAt({ &doc.m_root, 0 }, nullptr, nullptr);
    EXPECT_EQ(doc.History().Count(), 5u);
    int undone = 0;
    while (doc.Undo(nullptr))
        ++undone;
    EXPECT_EQ(undone, 5);
    EXPECT_EQ(doc.m_root.m_boxes.size(), 3u);
    // A lower limit with only undone steps keeps the oldest, which the
    // others need.
    doc.History().SetLimit(2);
    EXPECT_EQ(doc.History().Count(), 2u);
    while (doc.Redo(nullptr)) { }
    EXPECT_EQ(doc.m_root.m_boxes.size(), 5u);

    CTavrinDoc deep;
    EXPECT_EQ(deep.History().Limit(), kDefaultUndoLimit);
    for (int i = 0; i < 1200; ++i)
        deep.InsertAt({ &deep.m_root, 0 }, nullptr, nullptr);
    EXPECT_EQ(deep.History().Count(), 1000u);
}

TEST(Undo, TheCleanStateFollowsSavingUndoAndNewSteps)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    EXPECT_TRUE(doc.History().IsClean());
    doc.InsertAt({ &doc.m_root, 0 }, nullptr, nullptr);
    doc.InsertAt({ &doc.m_root, 0 }, nullptr, nullptr);
    EXPECT_FALSE(doc.History().IsClean());
    const std::string path = testing::TempDir() + "/undo-clean.pad";
    doc.Save(path);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.History().CleanIndex(), 2);
    doc.Undo(nullptr);
    EXPECT_FALSE(doc.History().IsClean());
    EXPECT_TRUE(doc.IsModified());
    doc.Redo(nullptr);
    EXPECT_TRUE(doc.History().IsClean());
    doc.Undo(nullptr);
    doc.Undo(nullptr);
    doc.InsertAt({ &doc.m_root, 0 }, nullptr, nullptr); // the saved state can no longer be reached
    EXPECT_EQ(doc.History().CleanIndex(), -1);
    // Opening a chart starts a new history.
    doc.Load(path);
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_TRUE(doc.History().IsClean());
}

TEST(Undo, CutHandsOutACopyAndUndoBringsBackTheBoxWithItsTypedText)
{
    CSampleChart chart;
    CTavrinDoc& doc = chart.doc;
    CMemoryEditorHost host;
    COffsetDC dc;
    doc.Draw(&dc, &host);
    CProcessBox& e = *chart.loop->m_bodySeq.m_boxes[0];
    static_cast<CMemoryEditor&>(*e.m_editor).m_text = "e typed";
    chart.branch->m_selected = 1;
    auto cut = doc.Cut();
    ASSERT_NE(cut, nullptr);
    EXPECT_NE(cut.get(), chart.branch);
    EXPECT_EQ(Shape(doc.m_root), "S\"a\"S\"f\"");
    EXPECT_EQ(cut->Kind(), BoxKind::Branch);
    EXPECT_EQ(e.m_editor, nullptr); // closed, its text kept
    EXPECT_EQ(e.m_text, "e typed");
    doc.Undo(&dc);
    EXPECT_EQ(doc.m_root.m_boxes[1].get(), chart.branch);
    EXPECT_EQ(chart.branch->m_selected, 1);
    doc.Draw(&dc, &host);
    EXPECT_EQ(static_cast<CMemoryEditor&>(*e.m_editor).m_text, "e typed");
}

TEST(Undo, AClickOnTwoOverlappingLinesInsertsIntoBothAsOneStep)
{
    // A new branch's arms overlap from y 105 to 107 until the next layout.
    CTavrinDoc doc;
    auto& branch = static_cast<CBranchBox&>(Add(doc.m_root, std::make_unique<CBranchBox>(50, 75, 150, 25)));
    const std::string before = doc.SaveToBytes();
    ASSERT_TRUE(doc.ClickAt(220, 106, nullptr, nullptr));
    EXPECT_EQ(Shape(doc.m_root), "B[S|S]");
    EXPECT_EQ(doc.History().Count(), 1u);
    EXPECT_EQ(doc.History().UndoText(), texts::kStepInsert);
    doc.Undo(nullptr);
    EXPECT_EQ(doc.SaveToBytes(), before);
    doc.Redo(nullptr);
    EXPECT_EQ(branch.m_thenSeq.m_boxes[0]->m_selected + branch.m_elseSeq.m_boxes[0]->m_selected, 1);
}
