#pragma once
// The drawing surface the schedule and calendar views paint on: lines, filled
// boxes and printed text in surface units (pixels), colours as 0xRRGGBB.
// Like a raster surface, a line covers the pixel of its start point and every
// pixel up to, not including, its end point; a box from (x, y) of size w by h
// covers the pixels x..x+w-1 and y..y+h-1. Implementations raise their own
// errors, which the views pass to their callers.

#include <cstdint>
#include <string>
#include <string_view>

namespace orlund {

inline constexpr int32_t kColourBlack = 0x000000;
inline constexpr int32_t kColourWhite = 0xFFFFFF;
// The system's grey text colour and button text colour.
inline constexpr int32_t kColourGrayText = 0x6D6D6D;
inline constexpr int32_t kColourButtonText = 0x000000;

// Mouse pointer shapes.
inline constexpr int16_t kPointerDefault = 0;
inline constexpr int16_t kPointerSizeWestEast = 9;

constexpr int32_t Rgb(int32_t red, int32_t green, int32_t blue) {
  return (red << 16) | (green << 8) | blue;
}

class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;

  virtual void Line(double x1, double y1, double x2, double y2, int32_t colour) = 0;
  // A line from (x, y) by the offset (dx, dy).
  void LineStep(double x, double y, double dx, double dy, int32_t colour) {
    Line(x, y, x + dx, y + dy, colour);
  }
  virtual void FillBox(double x, double y, double width, double height, int32_t colour) = 0;

  // The text position: the top left corner of the next printed text.
  virtual double CurrentX() const = 0;
  virtual void SetCurrentX(double x) = 0;
  virtual double CurrentY() const = 0;
  virtual void SetCurrentY(double y) = 0;

  // Size of a text in the current type (bold or not).
  virtual double TextWidth(std::string_view text) const = 0;
  virtual double TextHeight(std::string_view text) const = 0;
  // Prints at the text position in ForeColor and the current type, then
  // moves the text position to the start of the next text line: CurrentX 0,
  // CurrentY down by TextHeight(text).
  virtual void Print(std::string_view text) = 0;

  virtual int32_t BackColor() const = 0;
  virtual void SetBackColor(int32_t colour) = 0;
  virtual int32_t ForeColor() const = 0;
  virtual void SetForeColor(int32_t colour) = 0;
  virtual bool FontBold() const = 0;
  virtual void SetFontBold(bool bold) = 0;
  virtual std::string ToolTipText() const = 0;
  virtual void SetToolTipText(const std::string& text) = 0;
  virtual int16_t MousePointer() const = 0;
  virtual void SetMousePointer(int16_t shape) = 0;
  // Device context handle handed to the host's image list when it draws.
  virtual int32_t hDC() const = 0;
};

}  // namespace orlund
