// The one scale from the designs' 96 DPI to a window's DPI: its rounding, rectangles by their
// edges, the way back for hit tests, and font heights.
#include <gtest/gtest.h>

#include "runtime/dpi_scale.h"
#include "toolkit/layout_box.h"
#include "ui/login_layout.h"

namespace velmora {
namespace {

TEST(DpiScale, LengthsAtTheCommonScales) {
  struct Case {
    int px, dpi, scaled;
  };
  const Case cases[] = {
      {0, 96, 0},     {1, 96, 1},       {452, 96, 452},  {-7, 96, -7},       // identity at 96
      {452, 144, 678}, {429, 144, 644},  {2, 144, 3},     {-2, 144, -3},      // 150 %: 643.5 -> 644
      {1, 144, 2},    {-1, 144, -2},    {3, 144, 5},     {-3, 144, -5},      // halves away from zero
      {452, 192, 904}, {-13, 192, -26},                                       // 200 % exact
      {1, 120, 1},    {2, 120, 3},      {-2, 120, -3},   {3, 120, 4},        // 125 %: 2.5 -> 3, 3.75 -> 4
      {1, 168, 2},    {5, 168, 9},      {-5, 168, -9},                        // 175 %: 1.75, 8.75
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Scale(c.px, Dpi{c.dpi}), c.scaled) << c.px << " at " << c.dpi;
  }
}

TEST(DpiScale, BackToTheDesignForHitTests) {
  struct Case {
    int px, dpi, design;
  };
  const Case cases[] = {
      {678, 144, 452}, {904, 192, 452}, {-26, 192, -13}, {-7, 96, -7},
      {3, 192, 2},  // 1.5 -> 2
      {1, 192, 1},  // 0.5 -> 1
      {-1, 192, -1},
      {4, 144, 3},  // 2.67 -> 3
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Unscale(c.px, Dpi{c.dpi}), c.design) << c.px << " at " << c.dpi;
  }
  // Every design pixel survives the round trip at the scales Windows offers.
  for (int dpi : {96, 120, 144, 168, 192, 240, 288}) {
    for (int px = -40; px <= 1000; ++px) ASSERT_EQ(Unscale(Scale(px, Dpi{dpi}), Dpi{dpi}), px) << dpi;
  }
}

TEST(DpiScale, RectanglesByTheirEdges) {
  // At 150 % two boxes that touch in the design still touch: the first one's right edge is the
  // second one's left edge, although 3 pixels alone would scale to 5 (4.5 away from zero).
  const ScaledRect first = Scale(ScaledRect{1, 1, 3, 3}, Dpi{144});
  const ScaledRect second = Scale(ScaledRect{4, 1, 3, 3}, Dpi{144});
  EXPECT_EQ(first, (ScaledRect{2, 2, 4, 4}));
  EXPECT_EQ(first.left + first.width, second.left);
  EXPECT_EQ(Scale(ScaledRect{-5, -5, 10, 10}, Dpi{144}), (ScaledRect{-8, -8, 16, 16}));
  EXPECT_EQ(Scale(ScaledPoint{-3, 7}, Dpi{192}), (ScaledPoint{-6, 14}));
  EXPECT_EQ(Scale(ScaledSize{452, 429}, Dpi{144}), (ScaledSize{678, 644}));
  EXPECT_EQ(Unscale(ScaledPoint{-6, 15}, Dpi{192}), (ScaledPoint{-3, 8}));
}

TEST(DpiScale, DesignBoxesAreThemselvesAt96) {
  for (const ui::ControlDesign& control : ui::kLoginControls) {
    const ui::Box b = ui::Scale(control.box, kDesignDpi);
    EXPECT_EQ(b.left, control.box.left);
    EXPECT_EQ(b.top, control.box.top);
    EXPECT_EQ(b.width, control.box.width);
    EXPECT_EQ(b.height, control.box.height);
  }
  const ui::Box login = ui::Scale(ui::kLoginWindowSize, Dpi{192});
  EXPECT_EQ(login.width, 904);
  EXPECT_EQ(login.height, 858);
}

TEST(DpiScale, FontHeights) {
  struct Case {
    int points, dpi, height;
  };
  const Case cases[] = {
      {9, 96, -12}, {12, 96, -16}, {14, 96, -19},  // 18.67 -> 19, as MulDiv gives
      {9, 144, -18}, {9, 192, -24}, {9, 120, -15},
      {11, 96, -15},  // 14.67
      {0, 144, 0},   {-3, 96, 0},  // no size: the font's own height
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FontHeightForPoints(c.points, Dpi{c.dpi}), c.height) << c.points << " pt at " << c.dpi;
  }
}

}  // namespace
}  // namespace velmora
