// Box paths: every box of a chart has one, it names that box again, and its
// line is the box's line in the chart's outline.
#include "model/BoxPath.h"
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/Outline.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr const char* kChart = "simple: n = 5\n"
                               "pre-loop: i = 1, 3\n"
                               "  branch: i > 1\n"
                               "    then\n"
                               "      output: i\n"
                               "    else\n"
                               "      post-loop: j = 1, 2\n"
                               "        input: x\n"
                               "  output: \"end of pass\"\n"
                               "branch: n\n"
                               "output: n\n";

std::vector<const CProcessBox*> AllBoxes(const CBoxSequence& seq)
{
    std::vector<const CProcessBox*> boxes;
    std::function<void(const CBoxSequence&)> walk = [&](const CBoxSequence& s) {
        for (const auto& box : s.m_boxes) {
            boxes.push_back(box.get());
            if (box->Kind() == BoxKind::Branch) {
                walk(static_cast<const CBranchBox&>(*box).m_thenSeq);
                walk(static_cast<const CBranchBox&>(*box).m_elseSeq);
            } else if (box->Kind() == BoxKind::PreTestLoop || box->Kind() == BoxKind::PostTestLoop) {
                walk(static_cast<const CPreTestLoopBox&>(*box).m_bodySeq);
            }
        }
    };
    walk(seq);
    return boxes;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

TEST(BoxPath, EveryBoxHasAPathThatFindsItAndItsOutlineLine)
{
    CRootSequence root;
    BuildOutline(kChart, root);
    const auto dump = Lines(DumpOutline(root));
    const auto boxes = AllBoxes(root);
    ASSERT_EQ(boxes.size(), 9u);
    for (const CProcessBox* box : boxes) {
        const auto where = LocateBox(root, *box);
        ASSERT_TRUE(where);
        SCOPED_TRACE(where->path);
        EXPECT_EQ(FindBoxByPath(root, where->path), box);
        ASSERT_GE(where->outlineLine, 1);
        ASSERT_LE(where->outlineLine, static_cast<int>(dump.size()));
        const std::string& line = dump[where->outlineLine - 1];
        const std::string kind(OutlineKindName(box->Kind()));
        EXPECT_EQ(line.substr(line.find_first_not_of(' '), kind.size() + 1), kind + " ") << line;
    }
    const auto input = LocateBox(root, *boxes[5]);
    EXPECT_EQ(input->path, "2:pre-loop/1:branch/else/1:post-loop/1:input");
    EXPECT_EQ(input->outlineLine, 8);
    EXPECT_EQ(LocateBox(root, *boxes[6])->path, "2:pre-loop/2:output");
    EXPECT_EQ(LocateBox(root, *boxes[8])->path, "4:output");
    // After a branch with both arms empty the lines still count its then/else.
    EXPECT_EQ(LocateBox(root, *boxes[8])->outlineLine, 13);
}

TEST(BoxPath, ForeignBoxesAndBadPathsNameNothing)
{
    CRootSequence root;
    BuildOutline(kChart, root);
    CSimpleBox stranger(0, 0, 150, 25);
    EXPECT_FALSE(LocateBox(root, stranger));
    for (const char* path : { "", "0:simple", "1:branch", "5:output", "2:pre-loop/then", "4:branch/then", "2:pre-loop/1:branch/1:output",
             "1:simple/1:simple", "x:simple", "2:pre-loop/", "1:simple:" }) {
        SCOPED_TRACE(path);
        EXPECT_EQ(FindBoxByPath(root, path), nullptr);
    }
}
