#pragma once
// A drawing surface that records each drawing call as one SVG element, so the
// views paint real pictures: a line becomes <line>, a filled box <rect>, a
// printed text <text>, in call order over the picture's background.
//
// Coordinates are surface units, one unit one pixel. Pixel (x, y) is the unit
// square from (x, y) to (x + 1, y + 1). A horizontal or vertical line covers
// the pixels from its start point up to, not including, its end point, so its
// element lies on the pixel centres: a horizontal line keeps its x values
// (ordered left to right) and sits at y + 0.5, a vertical one keeps its y
// values and sits at x + 0.5; a line drawn leftwards or upwards is shifted by
// one unit to cover the same pixels as a raster surface. Lines are one unit
// wide and the picture asks for crisp edges, so they render without blur.
//
// Font metrics are fixed, whatever font the viewer picks: every character is
// 6 units wide, bold or not, and a text is 13 units high with its baseline 10
// units below its top. Texts are bytes of the Windows-1252 code page and are
// written as UTF-8, each drawn in a monospace font of size 10 stretched to
// exactly its measured width.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "views/drawing_surface.h"

namespace orlund {

inline constexpr double kSvgCharWidth = 6;
inline constexpr double kSvgTextHeight = 13;
inline constexpr double kSvgTextBaseline = 10;
// The background colour of a new surface: the system's button face.
inline constexpr int32_t kSvgDefaultBackColor = 0xD4D0C8;

class SvgSurface : public DrawingSurface {
 public:
  // A picture `width` by `height` units whose top left corner is (left, top).
  SvgSurface(double width, double height, double left = 0, double top = 0);

  void Line(double x1, double y1, double x2, double y2, int32_t colour) override;
  void FillBox(double x, double y, double width, double height, int32_t colour) override;

  double CurrentX() const override { return current_x_; }
  void SetCurrentX(double x) override { current_x_ = x; }
  double CurrentY() const override { return current_y_; }
  void SetCurrentY(double y) override { current_y_ = y; }
  double TextWidth(std::string_view text) const override;
  double TextHeight(std::string_view text) const override;
  void Print(std::string_view text) override;

  int32_t BackColor() const override { return back_color_; }
  void SetBackColor(int32_t colour) override { back_color_ = colour; }
  int32_t ForeColor() const override { return fore_color_; }
  void SetForeColor(int32_t colour) override { fore_color_ = colour; }
  bool FontBold() const override { return font_bold_; }
  void SetFontBold(bool bold) override { font_bold_ = bold; }
  std::string ToolTipText() const override { return tool_tip_text_; }
  void SetToolTipText(const std::string& text) override { tool_tip_text_ = text; }
  int16_t MousePointer() const override { return mouse_pointer_; }
  void SetMousePointer(int16_t shape) override { mouse_pointer_ = shape; }
  int32_t hDC() const override { return 1; }

  // A filled box with rounded corners and a short text centred in it, sized
  // to the box's height (a badge for an image list): one <g> element.
  void Badge(double x, double y, double width, double height, int32_t fill, std::string_view text,
             int32_t text_colour);

  // The SVG document: the background in BackColor, then every element.
  std::string Svg() const;
  const std::vector<std::string>& Elements() const { return elements_; }

 private:
  double width_;
  double height_;
  double left_;
  double top_;
  double current_x_ = 0;
  double current_y_ = 0;
  int32_t back_color_ = kSvgDefaultBackColor;
  int32_t fore_color_ = kColourBlack;
  bool font_bold_ = false;
  std::string tool_tip_text_;
  int16_t mouse_pointer_ = kPointerDefault;
  std::vector<std::string> elements_;
};

// "#rrggbb" of a colour 0xRRGGBB.
std::string SvgColour(int32_t colour);

// Windows-1252 text as UTF-8 with the XML special characters escaped;
// control characters and the code page's five unassigned codes become U+FFFD.
std::string SvgText(std::string_view text);

}  // namespace orlund
