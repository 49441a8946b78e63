// Every fixed pixel of the program's designs is written for 96 DPI, the scale at which Windows
// draws 100 %. A window on a screen of another scale gets them through Scale, with the window's
// DPI, here and nowhere else, so that there is one rounding rule for every position, size and font.
//
// The rule: the exact value px * dpi / 96, rounded to the nearest pixel, a half away from zero
// (as MulDiv rounds). At 96 every value is itself. Rectangles are scaled by their edges, not by
// their sizes, so that boxes that touch in a design still touch at any scale.
#pragma once
#include <cstdint>

namespace velmora {

struct Dpi {
  int value = 96;
  constexpr bool operator==(const Dpi&) const = default;
};

inline constexpr Dpi kDesignDpi{96};

// `numerator * factor / divisor`, rounded to the nearest integer, a half away from zero; the
// divisor is positive.
constexpr int MultiplyDivideRounded(int numerator, int factor, int divisor) {
  const int64_t product = int64_t(numerator) * factor;
  const int64_t half = divisor / 2;
  return int((product >= 0 ? product + half : product - half) / divisor);
}

// A length or an offset of a design (at 96 DPI) at `dpi`.
constexpr int Scale(int px_at_96, Dpi dpi) { return MultiplyDivideRounded(px_at_96, dpi.value, kDesignDpi.value); }

// A length or an offset at `dpi` in the design's pixels (a mouse position to test against a
// design's bands, for one). Scale(Unscale(x)) need not give x back: several pixels at a large
// scale are one pixel of the design.
constexpr int Unscale(int px_at_dpi, Dpi dpi) {
  return dpi.value > 0 ? MultiplyDivideRounded(px_at_dpi, kDesignDpi.value, dpi.value) : px_at_dpi;
}

// The height of a font of `points` at `dpi` as the font calls take it: negative, the character
// height; 0 (the font's default height) for no size.
constexpr int FontHeightForPoints(int points, Dpi dpi) {
  return points > 0 ? -MultiplyDivideRounded(points, dpi.value, 72) : 0;
}

struct ScaledPoint {
  int x, y;
  constexpr bool operator==(const ScaledPoint&) const = default;
};
struct ScaledSize {
  int width, height;
  constexpr bool operator==(const ScaledSize&) const = default;
};
// Origin and size, as the window calls take a place.
struct ScaledRect {
  int left, top, width, height;
  constexpr bool operator==(const ScaledRect&) const = default;
};

constexpr ScaledPoint Scale(ScaledPoint p, Dpi dpi) { return {Scale(p.x, dpi), Scale(p.y, dpi)}; }
constexpr ScaledSize Scale(ScaledSize s, Dpi dpi) { return {Scale(s.width, dpi), Scale(s.height, dpi)}; }
constexpr ScaledRect Scale(ScaledRect r, Dpi dpi) {
  const int left = Scale(r.left, dpi);
  const int top = Scale(r.top, dpi);
  return {left, top, Scale(r.left + r.width, dpi) - left, Scale(r.top + r.height, dpi) - top};
}
constexpr ScaledPoint Unscale(ScaledPoint p, Dpi dpi) { return {Unscale(p.x, dpi), Unscale(p.y, dpi)}; }

}  // namespace velmora
