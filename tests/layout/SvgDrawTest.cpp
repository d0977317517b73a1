// The SVG drawing of a chart: the same shapes as the screen pass, texts as
// UTF-8 with the XML specials escaped, and a bounded size for huge charts.
#include "model/CBoxSequence.h"
#include "layout/CRecordingDC.h"
#include "layout/CSvgDC.h"
#include "model/Outline.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(SvgDraw, DrawsWhatTheScreenPassDrawsWithEscapedTexts)
{
    CRootSequence root;
    BuildOutline("simple: a = 1 < 2 && b\n"
                 "pre-loop: i = 1, 3\n"
                 "  output: \"番号\", i\n"
                 "branch: a\n"
                 "  then\n"
                 "    input: x\n",
        root);
    CRecordingDC recording;
    root.DrawAsRoot(&recording, nullptr);
    int rectangles = 0, lines = 0, ellipses = 0;
    for (const auto& call : recording.Calls()) {
        rectangles += call.starts_with("Rectangle ");
        lines += call.starts_with("LineTo ");
        ellipses += call.starts_with("Ellipse ");
    }
    const std::string svg = DrawChartSvg(root);
    EXPECT_TRUE(svg.starts_with("<svg xmlns=\"http://www.w3.org/2000/svg\""));
    EXPECT_TRUE(svg.ends_with("</svg>"));
    // Box rectangles, plus one clip rectangle per box text.
    EXPECT_EQ(Count(svg, "<rect "), rectangles + 5);
    EXPECT_EQ(Count(svg, "<line "), lines);
    EXPECT_EQ(Count(svg, "<ellipse "), ellipses);
    EXPECT_NE(svg.find(">a = 1 &lt; 2 &amp;&amp; b</tspan>"), std::string::npos);
    EXPECT_NE(svg.find(">&quot;番号&quot;, i</tspan>"), std::string::npos) << svg;
    EXPECT_NE(svg.find(">start</text>"), std::string::npos);
    EXPECT_EQ(svg.find("<rect x=\"0\" y=\"0\" width=\"0\""), std::string::npos);
}

TEST(SvgDraw, ATooLargeChartBecomesANote)
{
    CRootSequence root;
    std::string outline;
    for (int i = 0; i < 12000; ++i)
        outline += "simple: x = 1\n";
    BuildOutline(outline, root);
    const std::string svg = DrawChartSvg(root);
    EXPECT_NE(svg.find("chart too large to draw"), std::string::npos);
    EXPECT_LT(svg.size(), 1000u);
}
