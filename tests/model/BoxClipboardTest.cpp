// A box on the system clipboard: its record bytes, read back in another
// chart, and its outline as plain text.

#include "model/BoxClipboard.h"
#include "model/CArchive.h"
#include "model/CBranchBox.h"
#include "model/CMemoryEditor.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/CTavrinDoc.h"
#include "ModelTestSupport.h"
#include "model/Outline.h"
#include "base/Texts.h"

#include <gtest/gtest.h>

namespace {

std::string Hex(std::initializer_list<int> bytes)
{
    std::string out;
    for (int b : bytes)
        out.push_back(static_cast<char>(b));
    return out;
}

// A branch whose then-arm holds a post-test loop with a box in its body.
std::unique_ptr<CProcessBox> NestedBranch()
{
    auto branch = std::make_unique<CBranchBox>(50, 75, 150, 25);
    branch->m_text = "x > 0";
    auto loop = std::make_unique<CPostTestLoopBox>(220, 80, 160, 30);
    loop->m_text = "i < 3";
    loop->m_bodySeq.m_boxes.push_back(std::make_unique<CSimpleBox>(400, 90, 150, 25));
    loop->m_bodySeq.m_boxes.back()->m_text = "i++";
    branch->m_thenSeq.m_boxes.push_back(std::move(loop));
    return branch;
}

} // namespace

TEST(BoxClipboard, AnythingButExactlyOneBoxIsRefused)
{
    CSimpleBox simple(50, 75, 150, 25);
    simple.m_text = "a=1";
    const std::string good = BoxToBytes(simple);
    std::vector<std::pair<std::string, std::string>> bad = {
        { "empty", "" },
        { "unknown kind", Hex({ 7, 0 }) + good.substr(2) },
        { "trailing byte", good + "x" },
        { "two boxes", good + good },
        { "a whole chart file", Hex({ 1, 0, 0, 0 }) + good },
        { "an empty chart file", Hex({ 0, 0, 0, 0 }) },
        { "text in UTF-16 cut short", good.substr(0, 18) + Hex({ 0xFF, 0xFE, 0xFF, 2, 'a', 0 }) },
    };
    for (std::size_t n = 0; n < good.size(); ++n)
        bad.push_back({ "cut after " + std::to_string(n) + " bytes", good.substr(0, n) });
    for (const auto& [what, bytes] : bad) {
        SCOPED_TRACE(what);
        try {
            BoxFromBytes(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const CFileFormatError& e) {
            EXPECT_EQ(e.what(), texts::kUnexpectedFileFormat);
        }
    }

    // A paste of refused data changes nothing: there is no box to insert.
    CTavrinDoc doc;
    doc.m_tool = kToolPaste;
    EXPECT_EQ(doc.InsertAt({ &doc.m_root, 0 }, nullptr, nullptr), nullptr);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.History().CanUndo());
}

TEST(BoxClipboard, TheBytesAreTheFilesBoxRecord)
{
    CSimpleBox simple(50, 75, 150, 25);
    simple.m_text = "a=1";
    EXPECT_EQ(BoxToBytes(simple),
        Hex({ 0x01, 0x00, 0x32, 0, 0, 0, 0x4B, 0, 0, 0, 0x96, 0, 0, 0, 0x19, 0, 0, 0, 0x03, 0x61, 0x3D, 0x31 }));

    // Every kind, nested, comes back with its geometry, texts and arms; the
    // text of an open editor is what goes onto the clipboard.
    std::unique_ptr<CProcessBox> branch = NestedBranch();
    CMemoryEditorHost host;
    branch->CreateEditor(nullptr, &host);
    static_cast<CMemoryEditor&>(*branch->m_editor).m_text = "x >= 0";
    const std::string bytes = BoxToBytes(*branch);
    std::unique_ptr<CProcessBox> back = BoxFromBytes(bytes);
    EXPECT_EQ(BoxToBytes(*back), bytes);
    CBoxSequence holder(0, 0, 0, 0);
    holder.m_boxes.push_back(std::move(back));
    EXPECT_EQ(Shape(holder), "B\"x >= 0\"[P\"i < 3\"[S\"i++\"]|]");
    for (int tag = 1; tag <= 6; ++tag) {
        SCOPED_TRACE(tag);
        auto box = CBoxSequence::MakeBoxOfKind(tag, 1, 2, 3, 4);
        box->m_text = "t";
        EXPECT_EQ(BoxFromBytes(BoxToBytes(*box))->Kind(), box->Kind());
    }
}

TEST(BoxClipboard, APastedBoxFromAnotherChartIsAnIndependentCopy)
{
    CTavrinDoc from;
    from.m_root.m_boxes.push_back(NestedBranch());
    from.m_root.m_boxes[0]->m_selected = 1;
    const std::string bytes = BoxToBytes(*from.Copy());

    CTavrinDoc to;
    to.m_tool = kToolPaste;
    const std::unique_ptr<CProcessBox> clipboard = BoxFromBytes(bytes);
    CProcessBox* pasted = to.InsertAt({ &to.m_root, 0 }, clipboard.get(), nullptr);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(to.History().UndoText(), texts::kStepPaste);
    EXPECT_EQ(Shape(to.m_root), Shape(from.m_root));
    to.SetBoxText(*pasted, "changed");
    EXPECT_EQ(from.m_root.m_boxes[0]->m_text, "x > 0");
    EXPECT_EQ(clipboard->m_text, "x > 0");
}

TEST(BoxClipboard, TheOutlineIsTheDumpOfTheBoxAlone)
{
    std::unique_ptr<CProcessBox> branch = NestedBranch();
    EXPECT_EQ(BoxOutline(*branch),
        "branch @50,75,150x25: x > 0\n"
        "  then\n"
        "    post-loop @220,80,160x30: i < 3\n"
        "      simple @400,90,150x25: i++\n"
        "  else\n");
    CRootSequence root;
    root.m_boxes.push_back(std::move(branch));
    EXPECT_EQ(BoxOutline(*root.m_boxes[0]), DumpOutline(root));
}
