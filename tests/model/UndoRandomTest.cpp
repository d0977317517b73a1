// Long random sequences of edits on nested charts: undoing every step must
// give back the file bytes of each earlier state, down to the original
// chart, and redoing every step the bytes of each later one.

#include "model/BoxClipboard.h"
#include "model/CBranchBox.h"
#include "model/CMemoryEditor.h"
#include "model/CPreTestLoopBox.h"
#include "model/CTavrinDoc.h"
#include "ModelTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

namespace {

constexpr ToolId kTools[] = { kToolSimple, kToolBranch, kToolPreTestLoop, kToolPostTestLoop, kToolOutput, kToolInput,
    kToolPaste };

void Walk(CBoxSequence& sequence, const std::function<void(CBoxSequence&)>& onSequence,
    const std::function<void(CProcessBox&)>& onBox)
{
    onSequence(sequence);
    for (auto& box : sequence.m_boxes) {
        onBox(*box);
        if (auto* branch = dynamic_cast<CBranchBox*>(box.get())) {
            Walk(branch->m_thenSeq, onSequence, onBox);
            Walk(branch->m_elseSeq, onSequence, onBox);
        } else if (auto* loop = dynamic_cast<CPreTestLoopBox*>(box.get())) {
            Walk(loop->m_bodySeq, onSequence, onBox);
        }
    }
}

// Drives a document as a user at the view would, with random choices.
class CRandomEditor {
public:
    CRandomEditor(unsigned seed, bool withLayout)
        : m_random(seed)
        , m_withLayout(withLayout)
    {
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

    // A chart of nested containers built directly, as a file would load it.
    void Fill(CBoxSequence& sequence, int depth, int& budget)
    {
        const int count = Pick(4) + (depth == 0 ? 4 : 0);
        for (int i = 0; i < count && budget > 0; ++i, --budget) {
            std::unique_ptr<CProcessBox> box = CBoxSequence::MakeBoxOfKind(Pick(6) + 1, 50, 75 + 50 * i, 150, 25);
            box->m_text = "t" + std::to_string(budget);
            if (depth < 4) {
                if (auto* branch = dynamic_cast<CBranchBox*>(box.get())) {
                    Fill(branch->m_thenSeq, depth + 1, budget);
                    Fill(branch->m_elseSeq, depth + 1, budget);
                } else if (auto* loop = dynamic_cast<CPreTestLoopBox*>(box.get())) {
                    Fill(loop->m_bodySeq, depth + 1, budget);
                }
            }
            sequence.m_boxes.push_back(std::move(box));
        }
    }

    std::vector<CProcessBox*> Boxes()
    {
        std::vector<CProcessBox*> boxes;
        Walk(m_doc.m_root, [](CBoxSequence&) {}, [&](CProcessBox& box) { boxes.push_back(&box); });
        return boxes;
    }

    CBoxPlace RandomGap()
    {
        std::vector<CBoxSequence*> sequences;
        Walk(m_doc.m_root, [&](CBoxSequence& s) { sequences.push_back(&s); }, [](CProcessBox&) {});
        CBoxSequence* sequence = sequences[static_cast<std::size_t>(Pick(static_cast<int>(sequences.size())))];
        return { sequence, Pick(static_cast<int>(sequence->m_boxes.size()) + 1) };
    }

    CProcessBox* RandomBox()
    {
        const std::vector<CProcessBox*> boxes = Boxes();
        return boxes.empty() ? nullptr : boxes[static_cast<std::size_t>(Pick(static_cast<int>(boxes.size())))];
    }

    void Select(CProcessBox* box)
    {
        m_doc.DeselectAll();
        if (box != nullptr)
            box->m_selected = 1;
    }

    // The file bytes, after a layout pass when the test lays out as the view
    // does before it shows (and saves) anything.
    std::string Bytes()
    {
        if (m_withLayout)
            m_doc.Draw(&m_dc, &m_host);
        return m_doc.SaveToBytes();
    }

    enum class Done { Nothing, Edit, UndoOrRedo };
    static Done EditIf(bool changed) { return changed ? Done::Edit : Done::Nothing; }

    // One random action, as the view would carry it out.
    Done Act()
    {
        CProcessBox* box = RandomBox();
        switch (Pick(10)) {
        case 0:
        case 1: {
            m_doc.m_tool = kTools[Pick(7)];
            const bool canInsert = m_clipboard != nullptr || m_doc.m_tool != kToolPaste;
            CProcessBox* inserted = m_doc.InsertAt(RandomGap(), m_clipboard.get(), &m_dc);
            EXPECT_EQ(inserted != nullptr, canInsert);
            if (inserted != nullptr) {
                EXPECT_EQ(inserted->m_selected, 1);
            }
            return EditIf(inserted != nullptr);
        }
        case 2:
            Select(box);
            return EditIf(m_doc.DeleteSelected());
        case 3: {
            Select(box);
            auto cut = m_doc.Cut();
            if (cut) // through the system clipboard's bytes, as between charts
                m_clipboard = BoxFromBytes(BoxToBytes(*cut));
            return EditIf(cut != nullptr);
        }
        case 4: {
            if (box == nullptr)
                return Done::Nothing;
            bool changed = false;
            for (int i = Pick(3) + 1; i > 0; --i)
                changed |= m_doc.ResizeBox(*box, box->m_x + 100 + Pick(200), box->m_y + Pick(80), &m_dc);
            m_doc.CloseStep();
            return EditIf(changed);
        }
        case 5:
        case 6: {
            if (box == nullptr)
                return Done::Nothing;
            std::string text = box->m_text;
            for (int i = Pick(4) + 1; i > 0; --i) {
                if (Pick(3) == 0 && !text.empty())
                    text.pop_back();
                else
                    text += static_cast<char>('a' + Pick(3));
                // The user types into the editor; the view reports it.
                if (box->m_editor)
                    box->m_editor->SetText(text);
                m_doc.SetBoxText(*box, text);
            }
            if (Pick(2) == 0)
                m_doc.CloseStep();
            return Done::Edit;
        }
        case 7: {
            if (box == nullptr)
                return Done::Nothing;
            const CBoxPlace gap = RandomGap();
            const bool allowed = CMoveBoxCommand::CanMove(FindPlaceOf(m_doc.m_root, *box), gap);
            if (Pick(2) == 0) {
                EXPECT_EQ(m_doc.MoveBox(*box, gap, &m_dc), allowed);
            } else {
                EXPECT_EQ(m_doc.CopyBox(*box, gap, &m_dc) != nullptr, allowed);
            }
            return EditIf(allowed);
        }
        case 8:
            m_doc.Undo(&m_dc);
            return Done::UndoOrRedo;
        default:
            m_doc.Redo(&m_dc);
            return Done::UndoOrRedo;
        }
    }

    std::mt19937 m_random;
    bool m_withLayout;
    CTavrinDoc m_doc;
    COffsetDC m_dc { 3, 7 };
    CMemoryEditorHost m_host;
    std::unique_ptr<CProcessBox> m_clipboard;
};

void RunRandomEdits(unsigned seed, bool withLayout, int steps)
{
    SCOPED_TRACE(testing::Message() << "seed " << seed << (withLayout ? " with layout" : ""));
    CRandomEditor editor(seed, withLayout);
    int budget = 60;
    editor.Fill(editor.m_doc.m_root, 0, budget);
    CUndoStack& history = editor.m_doc.History();

    // bytesAt[i]: the chart after the first i steps.
    std::vector<std::string> bytesAt { editor.Bytes() };
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE(testing::Message() << "step " << step);
        const std::size_t before = history.Index();
        const CRandomEditor::Done done = editor.Act();
        const std::string now = editor.Bytes();
        const std::size_t index = history.Index();
        if (done == CRandomEditor::Done::Edit && index >= before) {
            // A new step, or the open step grown by merging.
            bytesAt.resize(index);
            bytesAt.push_back(now);
        } else {
            // Undo, redo, nothing done, or a merged step made empty: the
            // chart is in a state the history knows.
            ASSERT_LT(index, bytesAt.size());
            ASSERT_EQ(now, bytesAt[index]);
            if (done == CRandomEditor::Done::Edit)
                bytesAt.resize(index + 1);
        }
        ASSERT_EQ(bytesAt.size(), history.Count() + 1);
    }
    const std::string edited = editor.Bytes();
    const std::size_t top = history.Index();
    ASSERT_EQ(edited, bytesAt[top]);

    while (editor.m_doc.Undo(&editor.m_dc))
        ASSERT_EQ(editor.Bytes(), bytesAt[history.Index()]) << "undo to " << history.Index();
    ASSERT_EQ(history.Index(), 0u);
    EXPECT_EQ(editor.Bytes(), bytesAt[0]);
    while (history.Index() < top) {
        ASSERT_TRUE(editor.m_doc.Redo(&editor.m_dc));
        ASSERT_EQ(editor.Bytes(), bytesAt[history.Index()]) << "redo to " << history.Index();
    }
    EXPECT_EQ(editor.Bytes(), edited);
}

} // namespace

TEST(UndoRandom, UndoingAndRedoingEveryStepGivesBackEachStatesBytes)
{
    for (unsigned seed = 1; seed <= 40; ++seed)
        RunRandomEdits(seed, false, 300);
}

// With a short history the oldest steps go all the time; what is kept must
// still undo and redo consistently, down to the oldest state kept.
TEST(UndoRandom, AShortHistoryDropsItsOldestStepsSafely)
{
    for (unsigned seed = 201; seed <= 210; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        CRandomEditor editor(seed, false);
        int budget = 40;
        editor.Fill(editor.m_doc.m_root, 0, budget);
        CUndoStack& history = editor.m_doc.History();
        history.SetLimit(15);
        for (int step = 0; step < 300; ++step)
            editor.Act();
        ASSERT_LE(history.Count(), 15u);
        while (history.CanRedo())
            editor.m_doc.Redo(&editor.m_dc);
        std::vector<std::string> states { editor.Bytes() };
        while (editor.m_doc.Undo(&editor.m_dc))
            states.push_back(editor.Bytes());
        ASSERT_EQ(states.size(), history.Count() + 1);
        for (std::size_t i = states.size() - 1; i > 0; --i) {
            ASSERT_TRUE(editor.m_doc.Redo(&editor.m_dc));
            ASSERT_EQ(editor.Bytes(), states[i - 1]);
        }
    }
}

TEST(UndoRandom, TheSameHoldsWithEditorsAndALayoutPassAfterEachStep)
{
    for (unsigned seed = 101; seed <= 120; ++seed)
        RunRandomEdits(seed, true, 200);
}
