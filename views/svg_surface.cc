#include "views/svg_surface.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/cp1252.h"

namespace orlund {

namespace {

// Shortest text of a coordinate: "126", "4.5", "-0.25".
std::string Num(double value) {
  if (value == 0) return "0";  // no "-0"
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string TextElement(double x, double y, double width, std::string_view text, int32_t colour,
                        bool bold, double font_size) {
  std::string element =
      "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" fill=\"" + SvgColour(colour) + "\"";
  if (font_size != 10) element += " font-size=\"" + Num(font_size) + "\"";
  if (bold) element += " font-weight=\"bold\"";
  if (!text.empty()) {
    element += " textLength=\"" + Num(width) + "\" lengthAdjust=\"spacingAndGlyphs\"";
  }
  return element + ">" + SvgText(text) + "</text>";
}

}  // namespace

std::string SvgColour(int32_t colour) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text = "#";
  for (int shift = 20; shift >= 0; shift -= 4) text.push_back(kHex[(colour >> shift) & 0xF]);
  return text;
}

std::string SvgText(std::string_view text) {
  std::string out;
  for (char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    switch (byte) {
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '"':
        out += "&quot;";
        continue;
      default:
        break;
    }
    char32_t code = Cp1252CodePoint(byte);
    // Control characters, and the undefined bytes that map to them, have no
    // glyph.
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) code = 0xFFFD;
    AppendUtf8(out, code);
  }
  return out;
}

SvgSurface::SvgSurface(double width, double height, double left, double top)
    : width_(width), height_(height), left_(left), top_(top) {}

void SvgSurface::Line(double x1, double y1, double x2, double y2, int32_t colour) {
  if (y1 == y2) {
    if (x2 < x1) {  // leftwards: the pixels from x2 + 1 to x1
      std::swap(x1, x2);
      x1 += 1;
      x2 += 1;
    }
    y1 += 0.5;
    y2 += 0.5;
  } else if (x1 == x2) {
    if (y2 < y1) {
      std::swap(y1, y2);
      y1 += 1;
      y2 += 1;
    }
    x1 += 0.5;
    x2 += 0.5;
  } else {
    x1 += 0.5;
    y1 += 0.5;
    x2 += 0.5;
    y2 += 0.5;
  }
  elements_.push_back("<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) +
                      "\" y2=\"" + Num(y2) + "\" stroke=\"" + SvgColour(colour) + "\"/>");
}

void SvgSurface::FillBox(double x, double y, double width, double height, int32_t colour) {
  if (width < 0) {
    x += width;
    width = -width;
  }
  if (height < 0) {
    y += height;
    height = -height;
  }
  elements_.push_back("<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(width) +
                      "\" height=\"" + Num(height) + "\" fill=\"" + SvgColour(colour) + "\"/>");
}

double SvgSurface::TextWidth(std::string_view text) const {
  return kSvgCharWidth * static_cast<double>(text.size());
}

double SvgSurface::TextHeight(std::string_view /*text*/) const { return kSvgTextHeight; }

void SvgSurface::Print(std::string_view text) {
  elements_.push_back(TextElement(current_x_, current_y_ + kSvgTextBaseline, TextWidth(text), text,
                                  fore_color_, font_bold_, 10));
  current_x_ = 0;
  current_y_ += TextHeight(text);
}

void SvgSurface::Badge(double x, double y, double width, double height, int32_t fill,
                       std::string_view text, int32_t text_colour) {
  // Glyphs of the monospace font are 0.6 of its size wide.
  const double font_size =
      std::min(height - 2, (width - 2) / (0.6 * std::max<size_t>(text.size(), 1)));
  const double text_width = 0.6 * font_size * static_cast<double>(text.size());
  const double baseline = y + (height + 0.72 * font_size) / 2;
  elements_.push_back("<g><rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(width) +
                      "\" height=\"" + Num(height) + "\" rx=\"2\" fill=\"" + SvgColour(fill) +
                      "\"/>" +
                      TextElement(x + (width - text_width) / 2, baseline, text_width, text,
                                  text_colour, true, font_size) +
                      "</g>");
}

std::string SvgSurface::Svg() const {
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width_) + "\" height=\"" +
         Num(height_) + "\" viewBox=\"" + Num(left_) + " " + Num(top_) + " " + Num(width_) + " " +
         Num(height_) +
         "\" shape-rendering=\"crispEdges\" stroke-width=\"1\" font-family=\"DejaVu Sans Mono, "
         "monospace\" font-size=\"10\" xml:space=\"preserve\">\n";
  svg += "<rect x=\"" + Num(left_) + "\" y=\"" + Num(top_) + "\" width=\"" + Num(width_) +
         "\" height=\"" + Num(height_) + "\" fill=\"" + SvgColour(back_color_) + "\"/>\n";
  for (const std::string& element : elements_) svg += element + "\n";
  svg += "</svg>\n";
  return svg;
}

}  // namespace orlund
