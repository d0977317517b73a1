#include "model/CArchive.h"
#include "model/CBranchBox.h"
#include "model/CMemoryEditor.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/CTavrinDoc.h"
#include "ModelTestSupport.h"
#include "TestSupport.h"
#include "base/Texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

namespace {

// "01 00 4B" -> the three bytes.
std::string Hex(std::string_view text)
{
    std::string out;
    std::istringstream in { std::string(text) };
    std::string byte;
    while (in >> byte)
        out.push_back(static_cast<char>(std::stoi(byte, nullptr, 16)));
    return out;
}

std::string Int32(std::int32_t v)
{
    std::string out;
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
    return out;
}

std::string Record(int tag, std::string_view text)
{
    std::string out;
    out.push_back(static_cast<char>(tag));
    out.push_back('\0');
    out += Int32(50) + Int32(75) + Int32(150) + Int32(25);
    out.push_back(static_cast<char>(text.size()));
    out += text;
    return out;
}

std::string Store(CTavrinDoc& doc)
{
    return doc.SaveToBytes();
}

} // namespace

TEST(FileFormat, StoresTheDocumentedBytes)
{
    CTavrinDoc empty;
    EXPECT_EQ(Store(empty), Hex("00 00 00 00"));

    CTavrinDoc one;
    auto& simple = one.m_root.m_boxes.emplace_back(std::make_unique<CSimpleBox>(50, 75, 150, 25));
    simple->m_text = "a=1";
    EXPECT_EQ(Store(one), Hex("01 00 00 00 01 00 32 00 00 00 4B 00 00 00 96 00 00 00 19 00 00 00 03 61 3D 31"));

    CTavrinDoc branchDoc;
    auto branch = std::make_unique<CBranchBox>(50, 75, 150, 25);
    branch->m_text = "c";
    branch->m_thenSeq.m_boxes.push_back(std::make_unique<CSimpleBox>(220, 75, 150, 25));
    branch->m_thenSeq.m_boxes.back()->m_text = "d";
    branchDoc.m_root.m_boxes.push_back(std::move(branch));
    EXPECT_EQ(Store(branchDoc),
        Hex("01 00 00 00 02 00 32 00 00 00 4B 00 00 00 96 00 00 00 19 00 00 00 01 63"
            " 01 00 00 00 01 00 DC 00 00 00 4B 00 00 00 96 00 00 00 19 00 00 00 01 64"
            " 00 00 00 00"));
}

TEST(FileFormat, StringLengthForms)
{
    struct Case {
        std::size_t length;
        std::string prefix;
    };
    const Case cases[] = {
        { 0, Hex("00") },
        { 254, Hex("FE") },
        { 255, Hex("FF FF 00") },
        { 65533, Hex("FF FD FF") },
        { 65534, Hex("FF FF FF FE FF 00 00") },
        { 70000, Hex("FF FF FF 70 11 01 00") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        CArchive out;
        const std::string text(c.length, 'q');
        out.WriteString(text);
        EXPECT_EQ(out.Buffer(), c.prefix + text);
        CArchive in(out.Buffer());
        EXPECT_EQ(in.ReadString(), text);
        EXPECT_EQ(in.Remaining(), 0u);
    }
}

TEST(FileFormat, ReadsUtf16StringsAsCodePage932)
{
    // "aあ" in UTF-16 LE behind the FF FE FF marker, short and long counts,
    // and a character that code page 932 cannot hold.
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        { Hex("FF FE FF 02 61 00 42 30"), "a\x82\xA0" },
        { Hex("FF FE FF FF 02 00 61 00 42 30"), "a\x82\xA0" },
        { Hex("FF FE FF FF FF FF 02 00 00 00 61 00 42 30"), "a\x82\xA0" },
        { Hex("FF FE FF 02 3D D8 00 DE"), "?" },     // U+1F600, a surrogate pair
        { Hex("FF FE FF 01 00 D8"), "?" },           // a lone surrogate
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        CArchive in(c.bytes);
        EXPECT_EQ(in.ReadString(), c.expected);
    }
}

TEST(FileFormat, RejectsMalformedFilesWithTheFormatMessage)
{
    const std::string cases[] = {
        "",                                            // no count
        Hex("01 00"),                                  // short count
        Hex("01 00 00 00 01 00 32 00"),                // short geometry
        Hex("01 00 00 00") + Record(1, "abc").substr(0, 19) + "ab", // short text
        Hex("01 00 00 00 01 00") + Int32(0) + Int32(0) + Int32(0) + Int32(0) + Hex("FF FF FF FF FF FF 7F"),
        Hex("01 00 00 00 01 00") + Int32(0) + Int32(0) + Int32(0) + Int32(0) + Hex("FF FE FF FF FE FF"),
        Hex("01 00 00 00 01 00") + Int32(0) + Int32(0) + Int32(0) + Int32(0) + Hex("FF FE FF FF FF FF FF FF FF 7F 61 00"),
        Hex("FF FF FF 7F") + Record(1, "a"),           // a huge count with one record behind it
        Hex("01 00 00 00") + Record(2, "c") + Hex("01 00 00 00"), // a branch whose arms end early
    };
    for (const auto& bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        CTavrinDoc doc;
        try {
            doc.LoadFromBytes(bytes);
            ADD_FAILURE() << "loaded";
        } catch (const CFileFormatError& e) {
            EXPECT_EQ(std::string_view(e.what()), texts::kUnexpectedFileFormat);
        }
    }
}

TEST(FileFormat, LoadsOddButValidFiles)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string shape;
    };
    const Case cases[] = {
        { "negative count", Hex("FF FF FF FF"), "" },
        { "unknown tag consumes tag and geometry only",
            Hex("02 00 00 00 07 00") + Int32(1) + Int32(2) + Int32(3) + Int32(4) + Record(5, "o"), "O\"o\"" },
        { "negative count inside a loop", Hex("01 00 00 00") + Record(3, "w") + Hex("00 00 00 80"), "L\"w\"[]" },
        { "post-test loop keeps its kind", Hex("01 00 00 00") + Record(4, "") + Hex("01 00 00 00") + Record(6, "n"),
            "P[I\"n\"]" },
        { "trailing bytes are ignored", Hex("00 00 00 00 12 34"), "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTavrinDoc doc;
        doc.LoadFromBytes(c.bytes);
        EXPECT_EQ(Shape(doc.m_root), c.shape);
    }
}

TEST(FileFormat, LoadedBoxesHaveTheStoredGeometryAndFreshState)
{
    CTavrinDoc doc;
    doc.LoadFromBytes(Hex("01 00 00 00 02 00") + Int32(-5) + Int32(7) + Int32(0) + Int32(-25) + Hex("00 00 00 00 00 00 00 00 00"));
    ASSERT_EQ(doc.m_root.m_boxes.size(), 1u);
    auto& branch = static_cast<CBranchBox&>(*doc.m_root.m_boxes[0]);
    EXPECT_EQ(branch.m_x, -5);
    EXPECT_EQ(branch.m_y, 7);
    EXPECT_EQ(branch.m_width, 0);
    EXPECT_EQ(branch.m_height, -25);
    EXPECT_EQ(branch.m_selected, 0);
    EXPECT_EQ(branch.m_editor, nullptr);
    // Arms built for the stored geometry: else-arm at y + h + h/2 = 7 - 25 - 12.
    EXPECT_EQ(branch.m_elseSeq.m_top, 7 - 25 - 12 - 7);
}

TEST(FileFormat, EveryTruncationOfASampleIsRejectedAndLeavesTheChartAlone)
{
    const std::string sample = testing_support::ReadFileBytes(testing_support::SourcePath("tests/data/model/all_kinds.pad"));
    CTavrinDoc doc;
    doc.LoadFromBytes(sample);
    const std::string shape = Shape(doc.m_root);
    ASSERT_FALSE(shape.empty());
    EXPECT_EQ(doc.SaveToBytes(), sample);
    for (std::size_t cut = 0; cut < sample.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_THROW(doc.LoadFromBytes(std::string_view(sample).substr(0, cut)), CFileFormatError);
        EXPECT_EQ(Shape(doc.m_root), shape);
    }
}

TEST(FileFormat, NestingIsBounded)
{
    // n branches, each in the then-arm of the one before.
    auto nested = [](int n) {
        std::string bytes;
        for (int i = 0; i < n; ++i)
            bytes += Hex("01 00 00 00") + Record(2, "");
        bytes += Hex("00 00 00 00"); // innermost then-arm
        for (int i = 0; i < n; ++i)
            bytes += Hex("00 00 00 00"); // the else-arms, inside out
        return bytes;
    };
    CTavrinDoc doc;
    EXPECT_NO_THROW(doc.LoadFromBytes(nested(kMaxFileNesting)));
    EXPECT_EQ(doc.SaveToBytes(), nested(kMaxFileNesting));
    EXPECT_THROW(doc.LoadFromBytes(nested(kMaxFileNesting + 1)), CFileFormatError);
    // Far too deep for any stack if it were followed.
    EXPECT_THROW(doc.LoadFromBytes(nested(100000)), CFileFormatError);
}

TEST(FileFormat, SavingAChartTooDeepToReadBackFails)
{
    CTavrinDoc doc;
    CBoxSequence* sequence = &doc.m_root;
    for (int i = 0; i <= kMaxFileNesting; ++i) {
        auto loop = std::make_unique<CPostTestLoopBox>(0, 0, 150, 25);
        CBoxSequence* body = &loop->m_bodySeq;
        sequence->m_boxes.push_back(std::move(loop));
        sequence = body;
    }
    EXPECT_THROW(doc.SaveToBytes(), CChartTooDeepError);
}

TEST(FileFormat, TextsRoundTripByteForByteUnlessEdited)
{
    // Bytes that are not valid code page 932 survive a load and a save.
    const std::string odd = "\x87\x90\xFF\x81\r\n\x80\xA0";
    const std::string bytes = Hex("01 00 00 00") + Record(1, odd);
    CTavrinDoc doc;
    doc.LoadFromBytes(bytes);
    EXPECT_EQ(doc.SaveToBytes(), bytes);

    // Saving commits the editors' live texts.
    CMemoryEditorHost host;
    doc.m_root.CreateEditors(nullptr, &host);
    host.m_lastEditor->m_text = "b=2";
    EXPECT_EQ(doc.SaveToBytes(), Hex("01 00 00 00") + Record(1, "b=2"));
    EXPECT_EQ(doc.m_root.m_boxes[0]->m_text, "b=2");
}
