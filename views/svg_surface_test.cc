#include "views/svg_surface.h"

#include <gtest/gtest.h>

namespace orlund {
namespace {

TEST(SvgSurfaceTest, LinesLieOnThePixelCentresTheyCover) {
  SvgSurface s(100, 50);
  s.Line(126, 4, 222, 4, Rgb(0, 240, 0));
  s.LineStep(126, 4, 0, 15, kColourBlack);
  s.LineStep(317, 4, -5, 0, 0xFFFFFF);  // leftwards: pixels 313..317
  s.Line(10, 20, 10, 10, 0x123456);     // upwards: pixels 11..20
  s.Line(0, 0, 3, 4, 0xABCDEF);
  const std::vector<std::string>& e = s.Elements();
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[0], "<line x1=\"126\" y1=\"4.5\" x2=\"222\" y2=\"4.5\" stroke=\"#00f000\"/>");
  EXPECT_EQ(e[1], "<line x1=\"126.5\" y1=\"4\" x2=\"126.5\" y2=\"19\" stroke=\"#000000\"/>");
  EXPECT_EQ(e[2], "<line x1=\"313\" y1=\"4.5\" x2=\"318\" y2=\"4.5\" stroke=\"#ffffff\"/>");
  EXPECT_EQ(e[3], "<line x1=\"10.5\" y1=\"11\" x2=\"10.5\" y2=\"21\" stroke=\"#123456\"/>");
  EXPECT_EQ(e[4], "<line x1=\"0.5\" y1=\"0.5\" x2=\"3.5\" y2=\"4.5\" stroke=\"#abcdef\"/>");
}

TEST(SvgSurfaceTest, BoxesAndTextsWithFixedMetrics) {
  SvgSurface s(100, 50);
  s.FillBox(32, 47, 37, 22, 0xD4D0C8);
  EXPECT_EQ(s.Elements()[0],
            "<rect x=\"32\" y=\"47\" width=\"37\" height=\"22\" fill=\"#d4d0c8\"/>");
  EXPECT_EQ(s.TextWidth("Mon"), 18);
  EXPECT_EQ(s.TextHeight("Mon"), 13);
  s.SetFontBold(true);
  EXPECT_EQ(s.TextWidth("Mon"), 18);
  s.SetCurrentX(41);
  s.SetCurrentY(5);
  s.SetForeColor(kColourGrayText);
  s.Print("<M&d\xE9\x80");
  EXPECT_EQ(s.Elements()[1],
            "<text x=\"41\" y=\"15\" fill=\"#6d6d6d\" font-weight=\"bold\" textLength=\"36\" "
            "lengthAdjust=\"spacingAndGlyphs\">&lt;M&amp;d\xC3\xA9\xE2\x82\xAC</text>");
  EXPECT_EQ(s.CurrentX(), 0);
  EXPECT_EQ(s.CurrentY(), 18);
  s.Print("");
  EXPECT_EQ(s.Elements()[2],
            "<text x=\"0\" y=\"28\" fill=\"#6d6d6d\" font-weight=\"bold\"></text>");
  EXPECT_EQ(SvgText(std::string("a\x01\x81", 3)), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(SvgSurfaceTest, DocumentHasTheViewBoxBackgroundAndElementsInOrder) {
  SvgSurface s(312, 192, 0, -20);
  s.SetBackColor(0x102030);
  s.Line(0, 0, 5, 0, 0);
  std::string svg = s.Svg();
  EXPECT_NE(svg.find("width=\"312\" height=\"192\" viewBox=\"0 -20 312 192\""), std::string::npos);
  EXPECT_NE(svg.find("shape-rendering=\"crispEdges\""), std::string::npos);
  const size_t background =
      svg.find("<rect x=\"0\" y=\"-20\" width=\"312\" height=\"192\" fill=\"#102030\"/>");
  ASSERT_NE(background, std::string::npos);
  EXPECT_LT(background, svg.find("<line"));
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

}  // namespace
}  // namespace orlund
