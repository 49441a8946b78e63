// A rectangle in pixels as the drawing calls take it: origin plus size (GDI+ and StretchBlt
// both want x, y, width, height). Sizes may come out zero or negative when a window is smaller
// than a piece's fixed margins; such a rectangle covers nothing and must not be drawn (a
// negative StretchBlt size would mirror instead).
#pragma once

namespace velmora::skin {

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  int right() const { return x + width; }
  int bottom() const { return y + height; }
  bool empty() const { return width <= 0 || height <= 0; }

  bool operator==(const PixelRect&) const = default;
};

}  // namespace velmora::skin
