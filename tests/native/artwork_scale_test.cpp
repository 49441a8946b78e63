// Which built-in sheet a window draws from at its DPI, and where the pieces of the sheets sit at
// 144 and 192: the frame's corners must be copied at their own size there, never stretched.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "skin/artwork_scale.h"
#include "skin/frame_sheet.h"
#include "skin/nine_grid.h"

namespace velmora::skin {
namespace {

TEST(SkinArtworkScale, TheNearestSheetTiesGoingToTheLarger) {
  const std::pair<int, int> cases[] = {
      {72, 100}, {96, 100}, {119, 100}, {120, 150},  // 125 %: half-way, the larger sheet
      {144, 150}, {167, 150}, {168, 200},            // 175 %: half-way again
      {192, 200}, {240, 200}, {288, 200},            // no larger sheet
  };
  for (const auto& [dpi, percent] : cases) EXPECT_EQ(SheetPercentFor(Dpi{dpi}), percent) << dpi;
  EXPECT_EQ(SheetDpi(150), Dpi{144});
  EXPECT_EQ(SheetDpi(200), Dpi{192});
}

TEST(SkinArtworkScale, PiecesScaleByTheirEdgesAndStayApartOnEverySheet) {
  // Touching pieces keep touching: the 27-wide caption buttons alternate 41 and 40 at 150 %.
  EXPECT_EQ(ScaleRect({0, 145, 27, 19}, Dpi{144}), (PixelRect{0, 218, 41, 28}));
  EXPECT_EQ(ScaleRect({27, 145, 27, 19}, Dpi{144}), (PixelRect{41, 218, 40, 28}));
  EXPECT_EQ(ScaleRect({162, 185, 40, 19}, Dpi{192}), (PixelRect{324, 370, 80, 38}));
  EXPECT_EQ(ScaleRect({7, 3, 5, 5}, Dpi{120}), (PixelRect{9, 4, 6, 6}));  // 8.75 .. 15: by edges, not size

  struct Sheet {
    const char* name;
    std::span<const PixelRect> pieces;
    int width, height;
  };
  std::vector<PixelRect> controls(ControlSheetPushButtons().begin(), ControlSheetPushButtons().end());
  controls.insert(controls.end(), ControlSheetToggles().begin(), ControlSheetToggles().end());
  const Sheet sheets[] = {{"frame", FrameSheetPieces(), kFrameSheetWidth, kFrameSheetHeight},
                          {"control", controls, kControlSheetWidth, kControlSheetHeight}};
  for (const Sheet& sheet : sheets) {
    for (const int dpi : {96, 120, 144, 168, 192}) {
      SCOPED_TRACE(testing::Message() << sheet.name << " at " << dpi);
      const PixelRect whole = ScaleRect({0, 0, sheet.width, sheet.height}, Dpi{dpi});
      std::set<std::pair<int, int>> taken;
      for (const PixelRect& piece : sheet.pieces) {
        const PixelRect at = ScaleRect(piece, Dpi{dpi});
        ASSERT_FALSE(at.empty());
        ASSERT_LE(at.right(), whole.width);
        ASSERT_LE(at.bottom(), whole.height);
        for (int y = at.y; y < at.bottom(); ++y)
          for (int x = at.x; x < at.right(); ++x) ASSERT_TRUE(taken.insert({x, y}).second) << x << "," << y;
      }
    }
  }
}

TEST(SkinArtworkScale, BorderCornersAreCopiedAtTheirSizeAndOnlyTheEdgesStretch) {
  struct Case {
    int dpi;
    PixelRect template_at;  // the border template on the sheet at that DPI
    int thickness;
  };
  for (const Case c : {Case{96, {0, 90, 60, 52}, 5}, Case{144, {0, 135, 90, 78}, 8}, Case{192, {0, 180, 120, 104}, 10}}) {
    SCOPED_TRACE(c.dpi);
    const int w = 600, h = 400, d = c.thickness;
    const auto pieces = WindowBorderPieces(w, h, Dpi{c.dpi});
    const int right = c.template_at.right() - d, bottom = c.template_at.bottom() - d, top = c.template_at.y;
    EXPECT_EQ(pieces[0], (SheetPiece{{0, top, d, d}, {0, 0, d, d}, false}));
    EXPECT_EQ(pieces[1], (SheetPiece{{d, top, d, d}, {d, 0, w - 2 * d, d}, true}));
    EXPECT_EQ(pieces[2], (SheetPiece{{right, top, d, d}, {w - d, 0, d, d}, false}));
    EXPECT_EQ(pieces[3], (SheetPiece{{0, top + d, d, d}, {0, d, d, h - 2 * d}, true}));
    EXPECT_EQ(pieces[5], (SheetPiece{{0, bottom, d, d}, {0, h - d, d, d}, false}));
    EXPECT_EQ(pieces[7], (SheetPiece{{right, bottom, d, d}, {w - d, h - d, d, d}, false}));
    for (const SheetPiece& p : pieces) {
      if (!p.stretched) {
        EXPECT_EQ(p.source.width, p.dest.width);
        EXPECT_EQ(p.source.height, p.dest.height);
      }
    }
  }
}

TEST(SkinArtworkScale, PushButtonMarginsScaleWithTheSheet) {
  // A pressed button at 144: the third frame of the 150 % sheet (x 120, 60 x 35), 8-pixel corners.
  const auto pieces = PushButtonPieces(ButtonDrawState::kPressed, true, 150, 45, Dpi{144});
  EXPECT_EQ(pieces[0], (SheetPiece{{120, 0, 8, 8}, {0, 0, 8, 8}, false}));
  EXPECT_EQ(pieces[3], (SheetPiece{{172, 27, 8, 8}, {142, 37, 8, 8}, false}));
  EXPECT_EQ(pieces[8], (SheetPiece{{128, 8, 44, 19}, {8, 8, 134, 29}, true}));
  const auto at_192 = PushButtonPieces(ButtonDrawState::kNormal, true, 80, 46, Dpi{192});
  for (const SheetPiece& p : at_192) {  // at its own size every piece lands where it sits
    EXPECT_EQ(p.dest, p.source);
  }
}

}  // namespace
}  // namespace velmora::skin
