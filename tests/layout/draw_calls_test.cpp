// The exact drawing calls of every box kind, on the screen (plain and
// selected) and on a printer, for a box of the default size at (50, 75):
// R = 200, B = 100, M = 87; printed R = 800, B = 200, M = 135.
#include "LayoutTestSupport.h"

#include "model/CMemoryEditor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace layout_test;

namespace {

using Calls = std::vector<std::string>;

Calls Concat(std::initializer_list<Calls> parts)
{
    Calls all;
    for (const Calls& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The empty sequence line of an arm or body at x from top to bottom.
Calls EmptyArm(int x, int top, int bottom, int scale)
{
    const int tick = 3 * scale;
    const auto n = [](int v) { return std::to_string(v); };
    return {
        "BkMode transparent",
        "Pen " + n(3 * scale) + " 000000",
        "MoveTo " + n(x - tick) + " " + n(top), "LineTo " + n(x + tick) + " " + n(top),
        "MoveTo " + n(x) + " " + n(top), "LineTo " + n(x) + " " + n(bottom),
        "MoveTo " + n(x - tick) + " " + n(bottom), "LineTo " + n(x + tick) + " " + n(bottom),
        "Pen 1 000000",
    };
}

const Calls kBlueOn { "Pen 1 0000FF" };
const Calls kBlueOff { "Pen 1 000000" };
const Calls kHandle8 { "Rectangle 196 96 204 104" };
const Calls kPrintedText { "Text 80 95 t" };

struct KindCase {
    const char* name;
    std::function<std::unique_ptr<CProcessBox>()> make;
    Calls outline;        // screen outline
    Calls highlight;      // blue lines and handle, screen only
    Calls sequences;      // what a container draws after itself
    Calls printOutline;
    Calls printSequences;
};

template <class Box>
std::function<std::unique_ptr<CProcessBox>()> Maker()
{
    return [] { return std::make_unique<Box>(50, 75, 150, 25); };
}

std::vector<KindCase> KindCases()
{
    const Calls body = EmptyArm(220, 68, 107, 1);
    // Printed body: x 50 + 170 x 5, from the unscaled top 68 down 14 x 5 + 125.
    const Calls printBody = EmptyArm(900, 68, 263, 5);
    return {
        { "simple", Maker<CSimpleBox>(),
            { "Rectangle 50 75 200 100" },
            Concat({ kBlueOn, { "Rectangle 50 75 200 100" }, kHandle8, kBlueOff }),
            {},
            { "Rectangle 50 75 800 200" },
            {} },
        { "pre-test loop", Maker<CPreTestLoopBox>(),
            { "Rectangle 50 75 200 100", "MoveTo 60 75", "LineTo 60 100", "MoveTo 200 87", "LineTo 220 87" },
            Concat({ kBlueOn, { "Rectangle 50 75 200 100", "MoveTo 60 75", "LineTo 60 100" }, kHandle8, kBlueOff }),
            body,
            { "Rectangle 50 75 800 200", "MoveTo 100 75", "LineTo 100 200", "MoveTo 800 135", "LineTo 900 135" },
            printBody },
        { "post-test loop", Maker<CPostTestLoopBox>(),
            { "Rectangle 50 75 200 100", "MoveTo 190 75", "LineTo 190 100", "MoveTo 200 87", "LineTo 220 87" },
            Concat({ kBlueOn, { "Rectangle 50 75 200 100", "MoveTo 190 75", "LineTo 190 100" },
                { "Rectangle 197 97 203 103" }, kBlueOff }),
            body,
            { "Rectangle 50 75 800 200", "MoveTo 750 75", "LineTo 750 200", "MoveTo 800 135", "LineTo 900 135" },
            printBody },
        { "branch", Maker<CBranchBox>(),
            { "MoveTo 50 75", "LineTo 210 75", "MoveTo 50 100", "LineTo 210 100",
                "MoveTo 210 75", "LineTo 210 87", "MoveTo 210 87", "LineTo 220 87",
                "MoveTo 200 75", "LineTo 190 87", "MoveTo 190 87", "LineTo 200 100" },
            Concat({ kBlueOn,
                { "MoveTo 50 75", "LineTo 200 75", "MoveTo 50 100", "LineTo 200 100",
                    "MoveTo 200 75", "LineTo 190 87", "MoveTo 190 87", "LineTo 200 100" },
                kHandle8, kBlueOff }),
            // Then arm 68-107; the else arm moves to 127 and gets the
            // connector down the post to 147.
            Concat({ body, { "MoveTo 210 100", "LineTo 210 147", "MoveTo 210 147", "LineTo 220 147" },
                EmptyArm(220, 127, 166, 1) }),
            { "MoveTo 50 75", "LineTo 850 75", "MoveTo 50 200", "LineTo 850 200",
                "MoveTo 850 75", "LineTo 850 135", "MoveTo 850 135", "LineTo 900 135",
                "MoveTo 800 75", "LineTo 750 135", "MoveTo 750 135", "LineTo 800 200" },
            Concat({ printBody, { "MoveTo 850 200", "LineTo 850 463", "MoveTo 850 463", "LineTo 900 463" },
                EmptyArm(900, 363, 558, 5) }) },
        { "output", Maker<COutputBox>(),
            { "MoveTo 50 75", "LineTo 200 75", "MoveTo 50 100", "LineTo 190 100",
                "MoveTo 190 100", "LineTo 200 90", "MoveTo 200 90", "LineTo 200 75" },
            Concat({ kBlueOn,
                { "MoveTo 50 75", "LineTo 200 75", "MoveTo 50 100", "LineTo 190 100",
                    "MoveTo 190 100", "LineTo 200 90", "MoveTo 200 90", "LineTo 200 75" },
                kHandle8, kBlueOff }),
            {},
            { "MoveTo 50 75", "LineTo 800 75", "MoveTo 50 200", "LineTo 750 200",
                "MoveTo 750 200", "LineTo 800 150", "MoveTo 800 150", "LineTo 800 75" },
            {} },
        // The top edge stops at R - 9 so that the corner pixel (R - 10, y),
        // which the corner cut leaves out, is drawn; the highlight stops at
        // R - 10.
        { "input", Maker<CInputBox>(),
            { "MoveTo 50 75", "LineTo 191 75", "MoveTo 50 100", "LineTo 200 100",
                "MoveTo 200 100", "LineTo 200 85", "MoveTo 200 85", "LineTo 190 75" },
            Concat({ kBlueOn,
                { "MoveTo 50 75", "LineTo 190 75", "MoveTo 50 100", "LineTo 200 100",
                    "MoveTo 200 100", "LineTo 200 85", "MoveTo 200 85", "LineTo 190 75" },
                kHandle8, kBlueOff }),
            {},
            { "MoveTo 50 75", "LineTo 755 75", "MoveTo 50 200", "LineTo 800 200",
                "MoveTo 800 200", "LineTo 800 125", "MoveTo 800 125", "LineTo 750 75" },
            {} },
    };
}

Calls DrawOne(CProcessBox& box, DeviceKind kind)
{
    CRecordingDC dc(kind);
    box.RelinkArms();
    box.Draw(&dc, nullptr);
    return dc.Calls();
}

TEST(DrawCalls, EveryKindOnScreenPlainSelectedAndPrinted)
{
    for (const KindCase& c : KindCases()) {
        SCOPED_TRACE(c.name);
        {
            auto box = c.make();
            box->m_text = "t";
            EXPECT_EQ(DrawOne(*box, DeviceKind::Screen), Concat({ c.outline, c.sequences }));
        }
        {
            auto box = c.make();
            box->m_selected = 1;
            EXPECT_EQ(DrawOne(*box, DeviceKind::Screen), Concat({ c.outline, c.highlight, c.sequences }));
        }
        {
            // Selected, yet printed without highlight; the text is printed.
            auto box = c.make();
            box->m_selected = 1;
            box->m_text = "t";
            EXPECT_EQ(DrawOne(*box, DeviceKind::Printer),
                Concat({ c.printOutline, kPrintedText, c.printSequences }));
        }
    }
}

TEST(DrawCalls, PrintedTextComesFromTheEditor)
{
    CMemoryEditorHost host;
    for (const KindCase& c : KindCases()) {
        SCOPED_TRACE(c.name);
        auto box = c.make();
        box->m_text = "old";
        box->CreateEditor(nullptr, &host);
        host.m_lastEditor->m_text = "typed \x82\xA0"; // not committed by anything
        const Calls calls = DrawOne(*box, DeviceKind::Printer);
        EXPECT_NE(std::find(calls.begin(), calls.end(), "Text 80 95 typed \x82\xA0"), calls.end());
        EXPECT_EQ(box->m_text, "typed \x82\xA0");
    }
}

TEST(DrawCalls, ScreenNeverPaintsBoxText)
{
    CRootSequence root;
    auto& box = Append<CSimpleBox>(root, 50, 0);
    box.m_text = "hidden";
    for (const std::string& call : DrawRoot(root))
        EXPECT_EQ(call.find("hidden"), std::string::npos) << call;
}

TEST(DrawCalls, PensAreRestoredAndBackgroundIsTransparentPerSequence)
{
    CRootSequence root;
    auto& branch = Append<CBranchBox>(root, 50, 0);
    branch.m_selected = 1;
    auto& loop = Append<CPostTestLoopBox>(branch.m_thenSeq);
    loop.m_selected = 1;
    Append<CInputBox>(loop.m_bodySeq);
    for (DeviceKind kind : { DeviceKind::Screen, DeviceKind::Printer }) {
        SCOPED_TRACE(kind == DeviceKind::Screen ? "screen" : "printer");
        CRecordingDC dc(kind);
        dc.SelectPen({ 2, 0x123456 });
        dc.Clear();
        root.DrawAsRoot(&dc, nullptr);
        EXPECT_EQ(dc.CurrentPen(), (CPen { 2, 0x123456 }));
        // One transparent background per sequence pass: root, then, else, body.
        const auto& calls = dc.Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "BkMode transparent"), 4);
        EXPECT_EQ(calls.front(), "BkMode transparent");
        const bool blue = std::find(calls.begin(), calls.end(), "Pen 1 0000FF") != calls.end();
        EXPECT_EQ(blue, kind == DeviceKind::Screen);
    }
}

} // namespace

// A printed text of megabytes is cut to what a page can show before it
// reaches the device: its first lines, each at most a few thousand bytes,
// never splitting a double-byte character, line ends kept.
TEST(DrawCalls, HugePrintedTextsAreCutToWhatAPageShows)
{
    std::string text;
    for (int line = 0; line < 3000; ++line)
        text += std::string(4095, 'x') + "\x82\xA0" + std::string(line % 2 ? "\r\n" : "\n");
    CSimpleBox box(50, 75, 150, 25);
    box.m_text = text;
    const Calls calls = DrawOne(box, DeviceKind::Printer);
    const auto printed = std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.starts_with("Text "); });
    ASSERT_NE(printed, calls.end());
    const std::string shown = printed->substr(std::string_view("Text 80 95 ").size());
    EXPECT_EQ(shown.substr(0, 4095 + 2 + 1), text.substr(0, 4095 + 2 + 1)); // the character at the cut is whole
    EXPECT_LT(shown.size(), 1024u * (4097 + 2 + 2));
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1024);
    EXPECT_EQ(box.m_text, text); // the box keeps its whole text
}
