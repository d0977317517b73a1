#include "model/CArchive.h"
#include "model/CBranchBox.h"
#include "model/CSimpleBox.h"
#include "model/CTavrinDoc.h"
#include "ModelTestSupport.h"
#include "model/Outline.h"

#include <gtest/gtest.h>

namespace {

std::string BuildShape(std::string_view outline)
{
    CRootSequence root;
    BuildOutline(outline, root);
    return Shape(root);
}

} // namespace

TEST(Outline, BadOutlinesNameTheLine)
{
    struct Case {
        const char* outline;
        int line;
        const char* message; // a part of it
    };
    const Case cases[] = {
        { "simple\n\tsimple\n", 2, "tab" },
        { "simple\n   simple\n", 2, "multiple of 2" },
        { "# c\n\nbox: x\n", 3, "unknown box kind 'box'" },
        { "simple\n  simple\n", 2, "hold no boxes" },
        { "pre-loop\n    simple\n", 2, "unexpected indentation" },
        { "then\n", 1, "outside a branch" },
        { "branch\n  simple\n", 2, "expected 'then' or 'else'" },
        { "branch\n  else\n  then\n", 3, "'then' after 'else'" },
        { "branch\n  then\n  then\n", 3, "second 'then'" },
        { "branch\n  else\n  else\n", 3, "second 'else'" },
        { "branch\n  then\n   simple\n", 3, "multiple of 2" },
        { "simple:x\n", 1, "blank after ':'" },
        { "simple x\n", 1, "expected ':'" },
        { "simple@1,2,3x4\n", 1, "blank between" },
        { "simple @1,2,3\n", 1, "bad geometry" },
        { "simple @1,2,3x99999999999\n", 1, "bad geometry" },
        { "simple:= abc\n", 1, "expected '\"'" },
        { "simple:= \"abc\n", 1, "missing closing" },
        { "simple:= \"a\\qb\"\n", 1, "unknown escape '\\q'" },
        { "simple:= \"\\x4\"\n", 1, "two hexadecimal digits" },
        { "simple:= \"a\" b\n", 1, "after the closing" },
        { "simple: a\xFF\n", 1, "invalid UTF-8" },
        { "output: 😀\n", 1, "'😀' cannot be stored" },
        { "output:= \"é\"\n", 1, "'é' cannot be stored" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outline);
        CRootSequence root;
        try {
            BuildOutline(c.outline, root);
            ADD_FAILURE() << "built";
        } catch (const COutlineError& e) {
            EXPECT_EQ(e.Line(), c.line);
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
        }
    }
}

TEST(Outline, BuildsTextsAndStructure)
{
    struct Case {
        const char* outline;
        std::string shape;
    };
    const Case cases[] = {
        { "", "" },
        { "\xEF\xBB\xBFsimple: a\r\noutput\r\n", "S\"a\"O" },
        { "simple:  two blanks kept  \n", "S\" two blanks kept  \"" },
        { "simple:\ninput :  x\n", "SI\" x\"" },
        { "output: \"a\\tb\"\n", "O\"\"a\\tb\"\"" },
        { "output:= \"\\\\\\\"\\r\\n\\t\\x00\\xfF日\"\n", std::string("O\"\\\"\r\n\t\0\xFF\x93\xFA\"", 12) },
        { "simple @-1,-2,-3x-4:= \"\"\n", "S" },
        { "branch: c\n  else\n    simple: e\n", "B\"c\"[|S\"e\"]" },
        { "branch\n  then\n    simple\n", "B[S|]" },
        { "branch\npost-loop\n  pre-loop\n    branch\n      then\n      else\n        input\n  output\n",
            "B[|]P[L[B[|I]]O]" },
        { "  # indented comment\n\t\nsimple\n", "S" },
        // Carriage returns alone end lines too, mixed with the other ends.
        { "simple: a\routput: b\r\rbranch: c\r  else\r\n    input: x\r", "S\"a\"O\"b\"B\"c\"[|I\"x\"]" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outline);
        EXPECT_EQ(BuildShape(c.outline), c.shape);
    }
}

TEST(Outline, PlacesBoxesWithoutGeometryAsInsertionWould)
{
    CRootSequence root;
    BuildOutline("simple\nbranch @5,6,170x30: c\n  then\n    output\n    input\nsimple @-1,-2,-3x-4\n", root);
    ASSERT_EQ(root.m_boxes.size(), 3u);
    const auto& first = *root.m_boxes[0];
    EXPECT_EQ((std::vector<int> { first.m_x, first.m_y, first.m_width, first.m_height }),
        (std::vector<int> { 50, 75, 150, 25 }));
    const auto& branch = static_cast<const CBranchBox&>(*root.m_boxes[1]);
    EXPECT_EQ((std::vector<int> { branch.m_x, branch.m_y, branch.m_width, branch.m_height }),
        (std::vector<int> { 5, 6, 170, 30 }));
    const auto& output = *branch.m_thenSeq.m_boxes[0];
    EXPECT_EQ(output.m_x, 5 + 170 + 20);
    EXPECT_EQ(output.m_y, 6); // level with its branch
    EXPECT_EQ(root.m_boxes[2]->m_height, -4);
}

TEST(Outline, NestingIsBoundedLikeTheFile)
{
    auto nested = [](int n) {
        std::string outline;
        for (int i = 0; i < n; ++i)
            outline += std::string(static_cast<std::size_t>(2 * i), ' ') + "pre-loop\n";
        return outline;
    };
    EXPECT_NO_THROW(BuildShape(nested(kMaxFileNesting)));
    try {
        BuildShape(nested(kMaxFileNesting + 1));
        ADD_FAILURE();
    } catch (const COutlineError& e) {
        EXPECT_EQ(e.Line(), kMaxFileNesting + 1);
        EXPECT_NE(e.Message().find("nesting"), std::string::npos);
    }
}

TEST(Outline, DumpChoosesTheRawFormOnlyWhenItGivesTheBytesBack)
{
    struct Case {
        std::string text;
        std::string line;
    };
    const Case cases[] = {
        { "", "simple @50,75,150x25\n" },
        { "a = 1", "simple @50,75,150x25: a = 1\n" },
        { "\"q\" \\n", "simple @50,75,150x25: \"q\" \\n\n" },
        { "\x93\xFA\x96\x7B\xB6", "simple @50,75,150x25: 日本ｶ\n" },
        { " lead", "simple @50,75,150x25:= \" lead\"\n" },
        { "trail ", "simple @50,75,150x25:= \"trail \"\n" },
        { "\x81\x40wide", "simple @50,75,150x25:= \"\u3000wide\"\n" },
        { "a\r\nb\tc\x01", "simple @50,75,150x25:= \"a\\r\\nb\\tc\\x01\"\n" },
        { "\x87\x90=\x81\xE0", "simple @50,75,150x25:= \"\\x87\\x90=≒\"\n" }, // a duplicate code
        { "\x82", "simple @50,75,150x25:= \"\\x82\"\n" },
        { "\x83\x5C\"", "simple @50,75,150x25: ソ\"\n" },
        { "\xFF\x80\xA0\xFD", "simple @50,75,150x25:= \"\\xFF\\x80\\xA0\\xFD\"\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        CTavrinDoc doc;
        doc.m_root.m_boxes.push_back(std::make_unique<CSimpleBox>(50, 75, 150, 25));
        doc.m_root.m_boxes[0]->m_text = c.text;
        const std::string dumped = DumpOutline(doc.m_root);
        EXPECT_EQ(dumped, c.line);
        CTavrinDoc rebuilt;
        BuildOutline(dumped, rebuilt.m_root);
        EXPECT_EQ(rebuilt.SaveToBytes(), doc.SaveToBytes());
    }
}
