// Drawing geometry of the skin: nine-grid pieces from the control sheet, frame choice by button
// state, the window border pieces, colour conversion and blending, and the banner picture's fades.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "skin/frame_sheet.h"
#include "skin/halo_text.h"
#include "skin/nine_grid.h"
#include "skin/skin_colour.h"

namespace velmora::skin {
namespace {

// Pixel -> how many drawn pieces cover it, for the pieces' destinations or sources.
template <typename Pieces, typename Pick>
std::map<std::pair<int, int>, int> Coverage(const Pieces& pieces, Pick pick) {
  std::map<std::pair<int, int>, int> hits;
  for (const SheetPiece& p : pieces) {
    if (!Draws(p)) continue;
    const PixelRect r = pick(p);
    for (int y = r.y; y < r.bottom(); ++y)
      for (int x = r.x; x < r.right(); ++x) ++hits[{x, y}];
  }
  return hits;
}

void ExpectEachPixelOnce(const std::map<std::pair<int, int>, int>& hits, PixelRect area) {
  EXPECT_EQ(hits.size(), static_cast<size_t>(area.width * area.height));
  for (const auto& [pixel, count] : hits) {
    const auto [x, y] = pixel;
    EXPECT_TRUE(x >= area.x && x < area.right() && y >= area.y && y < area.bottom()) << x << "," << y;
    EXPECT_EQ(count, 1) << x << "," << y;
  }
}

TEST(SkinNineGrid, PressedButtonPiecesLandInTheirPlaces) {
  // Pressed: the third frame, sheet x 80.
  const auto pieces = PushButtonPieces(ButtonDrawState::kPressed, true, 100, 30, kDesignDpi);
  const std::array<SheetPiece, 9> expected = {{
      {{80, 0, 5, 5}, {0, 0, 5, 5}, false},      // top-left
      {{115, 0, 5, 5}, {95, 0, 5, 5}, false},    // top-right
      {{80, 18, 5, 5}, {0, 25, 5, 5}, false},    // bottom-left
      {{115, 18, 5, 5}, {95, 25, 5, 5}, false},  // bottom-right
      {{85, 0, 30, 5}, {5, 0, 90, 5}, true},     // top edge
      {{85, 18, 30, 5}, {5, 25, 90, 5}, true},   // bottom edge
      {{80, 5, 5, 13}, {0, 5, 5, 20}, true},     // left edge
      {{115, 5, 5, 13}, {95, 5, 5, 20}, true},   // right edge
      {{85, 5, 30, 13}, {5, 5, 90, 20}, true},   // centre
  }};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(pieces[i], expected[i]) << "piece " << i;
}

TEST(SkinNineGrid, DrawnPiecesTileTheButtonAndTheFrameExactlyOnce) {
  for (const auto& [w, h] : {std::pair{10, 10}, {40, 23}, {41, 24}, {173, 57}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    const auto pieces = PushButtonPieces(ButtonDrawState::kHover, true, w, h, kDesignDpi);
    ExpectEachPixelOnce(Coverage(pieces, [](const SheetPiece& p) { return p.dest; }), {0, 0, w, h});
    if (w > 10 && h > 10) {  // all nine pieces draw, so together they read the whole hover frame
      ExpectEachPixelOnce(Coverage(pieces, [](const SheetPiece& p) { return p.source; }), {40, 0, 40, 23});
    }
  }
  // At its own size the frame is a plain copy: every piece lands where it sits in the frame.
  for (const SheetPiece& p : PushButtonPieces(ButtonDrawState::kNormal, true, 40, 23, kDesignDpi)) {
    EXPECT_EQ(p.dest.width, p.source.width);
    EXPECT_EQ(p.dest.height, p.source.height);
    EXPECT_EQ(p.dest.x, p.source.x);
    EXPECT_EQ(p.dest.y, p.source.y);
  }
}

TEST(SkinNineGrid, ButtonsSmallerThanTheMarginsStillDrawTheirFourCorners) {
  // Pieces in drawing order: 4 corners, top, bottom, left, right, centre.
  struct Case {
    int w, h;
    std::set<int> drawn;
  };
  const Case cases[] = {
      {8, 6, {0, 1, 2, 3}},           // both ways too small: corners only
      {8, 30, {0, 1, 2, 3, 6, 7}},    // too narrow: left and right edges still stretch down
      {60, 9, {0, 1, 2, 3, 4, 5}},    // too low: top and bottom edges still stretch across
      {10, 10, {0, 1, 2, 3}},         // exactly the margins: middle band is zero
      {11, 11, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    const auto pieces = PushButtonPieces(ButtonDrawState::kNormal, true, c.w, c.h, kDesignDpi);
    std::set<int> drawn;
    for (int i = 0; i < 9; ++i)
      if (Draws(pieces[i])) drawn.insert(i);
    EXPECT_EQ(drawn, c.drawn);
    // The corners are always whole 5 x 5 copies hugging the destination's corners.
    EXPECT_EQ(pieces[0].dest, (PixelRect{0, 0, 5, 5}));
    EXPECT_EQ(pieces[1].dest, (PixelRect{c.w - 5, 0, 5, 5}));
    EXPECT_EQ(pieces[2].dest, (PixelRect{0, c.h - 5, 5, 5}));
    EXPECT_EQ(pieces[3].dest, (PixelRect{c.w - 5, c.h - 5, 5, 5}));
  }
}

TEST(SkinNineGrid, UnevenMarginsKeepEachSideApart) {
  // Left 3, top 4, right 6, bottom 2; frame and destination both away from the origin.
  const auto pieces = NineGrid({10, 20, 30, 25}, {3, 4, 6, 2}, {100, 200, 50, 40});
  EXPECT_EQ(pieces[1], (SheetPiece{{34, 20, 6, 4}, {144, 200, 6, 4}, false}));   // top-right
  EXPECT_EQ(pieces[2], (SheetPiece{{10, 43, 3, 2}, {100, 238, 3, 2}, false}));   // bottom-left
  EXPECT_EQ(pieces[8], (SheetPiece{{13, 24, 21, 19}, {103, 204, 41, 34}, true}));  // centre
  ExpectEachPixelOnce(Coverage(pieces, [](const SheetPiece& p) { return p.dest; }), {100, 200, 50, 40});
}

TEST(SkinControlSheet, ButtonStateChoosesTheFrameAndDisabledAlwaysShowsTheFourth) {
  struct Case {
    ButtonDrawState state;
    bool enabled;
    int frame_x;
  };
  const Case cases[] = {
      {ButtonDrawState::kNormal, true, 0},    {ButtonDrawState::kHover, true, 40},
      {ButtonDrawState::kPressed, true, 80},  {ButtonDrawState::kNormal, false, 120},
      {ButtonDrawState::kHover, false, 120},  {ButtonDrawState::kPressed, false, 120},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PushButtonFrame(c.state, c.enabled), (PixelRect{c.frame_x, 0, 40, 23}))
        << static_cast<int>(c.state) << " enabled " << c.enabled;
  }

  const std::pair<std::intptr_t, ButtonDrawState> properties[] = {
      {0, ButtonDrawState::kNormal}, {1, ButtonDrawState::kHover},   {2, ButtonDrawState::kPressed},
      {3, ButtonDrawState::kNormal}, {-1, ButtonDrawState::kNormal}, {1000, ButtonDrawState::kNormal},
  };
  for (const auto& [value, state] : properties) EXPECT_EQ(DrawStateFromProperty(value), state) << value;
}

TEST(SkinControlSheet, CheckAndRadioFramesFollowStateAndCheck) {
  struct Case {
    ToggleKind kind;
    ButtonDrawState state;
    bool enabled, checked;
    int x, y;
  };
  const Case cases[] = {
      {ToggleKind::kCheckBox, ButtonDrawState::kNormal, true, false, 0, 25},
      {ToggleKind::kCheckBox, ButtonDrawState::kHover, true, true, 75, 25},
      {ToggleKind::kCheckBox, ButtonDrawState::kPressed, false, true, 105, 25},
      {ToggleKind::kRadio, ButtonDrawState::kPressed, true, false, 30, 40},
      {ToggleKind::kRadio, ButtonDrawState::kHover, false, false, 45, 40},
      {ToggleKind::kRadio, ButtonDrawState::kNormal, true, true, 60, 40},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToggleFrame(c.kind, c.state, c.enabled, c.checked), (PixelRect{c.x, c.y, 15, 15}))
        << "expected at " << c.x << "," << c.y;
  }
  EXPECT_EQ(ToggleCaptionRect(120, 20, kDesignDpi), (PixelRect{16, 0, 104, 20}));
  EXPECT_EQ(ToggleCaptionRect(180, 30, Dpi{144}), (PixelRect{24, 0, 156, 30}));  // 15 + 1 at 150 %
}

TEST(SkinControlSheet, EveryFrameFitsTheSheetWithoutOverlappingAnother) {
  std::map<std::pair<int, int>, int> hits;
  auto add = [&](PixelRect r) {
    EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.right() <= kControlSheetWidth && r.bottom() <= kControlSheetHeight)
        << r.x << "," << r.y << " " << r.width << "x" << r.height;
    for (int y = r.y; y < r.bottom(); ++y)
      for (int x = r.x; x < r.right(); ++x) ++hits[{x, y}];
  };
  const ButtonDrawState states[] = {ButtonDrawState::kNormal, ButtonDrawState::kHover, ButtonDrawState::kPressed};
  for (ButtonDrawState s : states) add(PushButtonFrame(s, true));
  add(PushButtonFrame(ButtonDrawState::kNormal, false));
  for (ToggleKind kind : {ToggleKind::kCheckBox, ToggleKind::kRadio}) {
    for (bool checked : {false, true}) {
      for (ButtonDrawState s : states) add(ToggleFrame(kind, s, true, checked));
      add(ToggleFrame(kind, ButtonDrawState::kNormal, false, checked));
    }
  }
  for (const auto& [pixel, count] : hits) EXPECT_EQ(count, 1) << pixel.first << "," << pixel.second;
}

// At 150 % the border is 8 pixels thick (7.5 away from zero), its corners copied whole from the
// 150 % sheet; the panel's outline and inset follow one rule at every DPI.
TEST(SkinFrameBorder, ThickerAtTheWindowsDpi) {
  // From the 150 % sheet, whose template is at (0, 135), 90 x 78: 8-pixel corners copied whole.
  const auto pieces = WindowBorderPieces(600, 400, Dpi{144});
  EXPECT_EQ(pieces[0], (SheetPiece{{0, 135, 8, 8}, {0, 0, 8, 8}, false}));
  EXPECT_EQ(pieces[1], (SheetPiece{{8, 135, 8, 8}, {8, 0, 584, 8}, true}));
  EXPECT_EQ(pieces[7], (SheetPiece{{82, 205, 8, 8}, {592, 392, 8, 8}, false}));
  struct Case {
    int dpi, edge, line, inset;
  };
  for (const Case& c : {Case{96, 2, 1, 3}, Case{144, 3, 2, 5}, Case{192, 4, 2, 6}}) {
    const PanelFrame panel = PanelFrameAt(Dpi{c.dpi});
    EXPECT_EQ(panel.edge, c.edge) << c.dpi;
    EXPECT_EQ(panel.line, c.line) << c.dpi;
    EXPECT_EQ(panel.inset, c.inset) << c.dpi;
  }
}

TEST(SkinFrameBorder, EightPiecesFrameTheWindowFromTheTemplate) {
  const auto pieces = WindowBorderPieces(300, 200, kDesignDpi);
  const std::array<SheetPiece, 8> expected = {{
      {{0, 90, 5, 5}, {0, 0, 5, 5}, false},
      {{5, 90, 5, 5}, {5, 0, 290, 5}, true},
      {{55, 90, 5, 5}, {295, 0, 5, 5}, false},
      {{0, 95, 5, 5}, {0, 5, 5, 190}, true},
      {{55, 95, 5, 5}, {295, 5, 5, 190}, true},
      {{0, 137, 5, 5}, {0, 195, 5, 5}, false},
      {{5, 137, 5, 5}, {5, 195, 290, 5}, true},
      {{55, 137, 5, 5}, {295, 195, 5, 5}, false},
  }};
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(pieces[i], expected[i]) << "piece " << i;

  // On another size the pieces still cover the 5-pixel ring once each and leave the inside alone.
  const auto hits = Coverage(WindowBorderPieces(37, 23, kDesignDpi), [](const SheetPiece& p) { return p.dest; });
  EXPECT_EQ(hits.size(), static_cast<size_t>(37 * 23 - 27 * 13));
  for (const auto& [pixel, count] : hits) {
    const auto [x, y] = pixel;
    EXPECT_EQ(count, 1) << x << "," << y;
    EXPECT_TRUE(x < 5 || x >= 32 || y < 5 || y >= 18) << x << "," << y;
  }
}

TEST(SkinColour, ColorRefBecomesArgbWithTheGivenAlpha) {
  struct Case {
    ColourRef colour;
    std::uint8_t alpha;
    Argb argb;
  };
  const Case cases[] = {
      {0x00C06000, 255, 0xFF0060C0},  // blue C0, green 60, red 00
      {0x00D2B30E, 255, 0xFF0EB3D2},  // the starting skin colour
      {0x000000FF, 90, 0x5AFF0000},   // pure red
      {0x00FFFFFF, 0, 0x00FFFFFF},    // transparent white: colour kept, alpha 0
      {0x00000000, 150, 0x96000000},
      {0x02123456, 255, 0xFF563412},  // the COLORREF's flag byte is not colour
  };
  for (const Case& c : cases) EXPECT_EQ(ToArgb(c.colour, c.alpha), c.argb) << std::hex << c.colour;
  EXPECT_EQ(MakeColourRef(14, 179, 210), kDefaultSkinColour);
}

TEST(SkinColour, BlendOverTable) {
  struct Case {
    ColourRef below, above;
    std::uint8_t alpha;
    ColourRef result;
  };
  const Case cases[] = {
      {0x00FFFFFF, 0x00000000, 90, 0x00A5A5A5},   // the halo on white
      {0x00FFFFFF, 0x00000000, 150, 0x00696969},  // the panel outline on white
      {0x00123456, 0x00ABCDEF, 0, 0x00123456},    // clear paints nothing
      {0x00123456, 0x00ABCDEF, 255, 0x00ABCDEF},  // solid replaces
      {0x00FF0000, 0x000000FF, 51, 0x00CC0033},   // red over blue, each channel on its own
      {0x00000000, 0x00C8C8C8, 150, 0x00767676},  // 117.6 rounds up to 118
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BlendOver(c.below, c.above, c.alpha), c.result)
        << std::hex << c.above << " over " << c.below << " at " << std::dec << int{c.alpha};
  }
}

TEST(SkinColour, BackColourChangesOnlyWhenItDiffers) {
  constexpr ColourRef kFace = 0x00F0F0F0;
  EXPECT_EQ(ChangedBackColour(0x00FFFFFF, kFace, kFace), 0x00FFFFFFu);
  EXPECT_EQ(ChangedBackColour(kUseButtonFace, 0x00FFFFFF, kFace), kFace);
  EXPECT_EQ(ChangedBackColour(kUseButtonFace, kFace, kFace), std::nullopt);
  EXPECT_EQ(ChangedBackColour(0x00FFFFFF, 0x00FFFFFF, kFace), std::nullopt);
}

TEST(SkinBannerPicture, PictureSitsRightAndIsCutToTheBanner) {
  struct Case {
    const char* name;
    int pw, ph, window_width, banner;
    PixelRect source, dest;
    bool side_fade;
  };
  const Case cases[] = {
      {"narrow", 300, 200, 800, 80, {0, 0, 300, 90}, {500, 0, 300, 90}, true},
      {"wide", 1000, 200, 800, 80, {200, 0, 800, 90}, {0, 0, 800, 90}, false},
      {"same width", 800, 200, 800, 80, {0, 0, 800, 90}, {0, 0, 800, 90}, false},
      {"one pixel wider", 801, 200, 800, 80, {1, 0, 800, 90}, {0, 0, 800, 90}, false},
      {"low picture", 300, 50, 800, 80, {0, 0, 300, 50}, {500, 0, 300, 50}, true},
      {"tall banner", 120, 400, 500, 279, {0, 0, 120, 289}, {380, 0, 120, 289}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto placed = PlaceBannerPicture(c.pw, c.ph, c.window_width, c.banner, 0x00C06000);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->source, c.source);
    EXPECT_EQ(placed->dest, c.dest);
    ASSERT_EQ(placed->side_fade.has_value(), c.side_fade);
    if (c.side_fade) {
      // From the picture's left edge, 150 wide, down to the end of the lower fade band.
      EXPECT_EQ(placed->side_fade->area, (PixelRect{c.dest.x, 0, 150, c.banner + 10}));
    }
    // The lower fade spans the window below the banner even when the picture ends above it.
    EXPECT_EQ(placed->lower_fade.area, (PixelRect{0, c.banner, c.window_width, 10}));
  }
  EXPECT_FALSE(PlaceBannerPicture(0, 0, 800, 80, 0x00C06000));
}

TEST(SkinBannerPicture, FadesRunFromSkinColourToClearAndBack) {
  const auto placed = PlaceBannerPicture(300, 200, 800, 80, 0x00C06000);
  ASSERT_TRUE(placed && placed->side_fade);
  const Fade& side = *placed->side_fade;
  const Fade& lower = placed->lower_fade;

  struct Case {
    const char* where;
    const Fade* fade;
    int x, y;
    Argb colour;
  };
  const Case cases[] = {
      {"side: picture's left edge is skin colour", &side, 500, 0, 0xFF0060C0},
      {"side: halfway", &side, 575, 40, 0x800060C0},
      {"side: last column nearly clear", &side, 649, 89, 0x020060C0},
      {"side: right of the fade", &side, 650, 10, 0},
      {"side: left of the fade", &side, 499, 10, 0},
      {"side: below the lower band", &side, 520, 90, 0},
      {"lower: banner edge is clear", &lower, 0, 80, 0x000060C0},
      {"lower: halfway", &lower, 400, 85, 0x800060C0},
      {"lower: last row nearly solid", &lower, 799, 89, 0xE60060C0},
      {"lower: inside the banner", &lower, 10, 79, 0},
      {"lower: below the band", &lower, 10, 90, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(FadeColourAt(*c.fade, c.x, c.y), c.colour) << c.where << std::hex;
}

TEST(SkinColour, AverageCountsEveryPixelByItsOpacity) {
  struct Case {
    const char* name;
    std::vector<Argb> pixels;
    int width, height, stride;
    ColourRef expected;
  } cases[] = {
      {"halves of red and blue", {0xFFFF0000, 0xFF0000FF}, 2, 1, 2, MakeColourRef(128, 0, 128)},
      {"the stride's padding is skipped", {0xFF00FF00, 0xFFFFFFFF, 0xFF00FF00, 0xFFFFFFFF}, 1, 2, 2,
       MakeColourRef(0, 255, 0)},
      {"clear pixels count as black", {0x00FFFFFF, 0xFFFFFFFF}, 2, 1, 2, MakeColourRef(128, 128, 128)},
      {"no pixels", {}, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AverageColour(c.pixels.data(), c.width, c.height, c.stride), c.expected) << c.name;
  }
}

TEST(SkinHaloText, WhiteTextOverADarkHaloBesideIt) {
  // One fully covered pixel in the middle of a 5 x 3 mask.
  std::vector<std::uint8_t> mask(15, 0);
  mask[7] = 255;
  const std::vector<std::uint32_t> out = ComposeHaloText(mask, 5, 3);
  ASSERT_EQ(out.size(), 15u);
  EXPECT_EQ(out[7], 0xFFFFFFFFu);  // the text itself: opaque white
  // The halo is the text moved one pixel sideways (straight or diagonally): black at 90 there,
  // nothing straight above or below, nothing two pixels away.
  for (int i : {6, 8, 1, 3, 11, 13}) EXPECT_EQ(out[size_t(i)], 90u << 24) << i;
  for (int i : {2, 12, 0, 5, 9}) EXPECT_EQ(out[size_t(i)], 0u) << i;

  // Between two text pixels two halo passes land, the second over the first.
  mask.assign(15, 0);
  mask[6] = mask[8] = 255;
  const double twice = 90 + (255 - 90) * 90 / 255.0;
  EXPECT_NEAR(double(ComposeHaloText(mask, 5, 3)[7] >> 24), twice, 1.0);

  // Partial coverage blends: colour never exceeds opacity (premultiplied).
  mask.assign(15, 128);
  for (std::uint32_t p : ComposeHaloText(mask, 5, 3)) EXPECT_LE(p & 0xFF, p >> 24);
  EXPECT_TRUE(ComposeHaloText(mask, 0, 3).empty());
  EXPECT_TRUE(ComposeHaloText(std::vector<std::uint8_t>(3), 5, 3).empty());  // mask too short
}

TEST(SkinFrameSheet, ElementsPickTheirPiecesByLook) {
  struct Case {
    ButtonType type;
    bool hovered, pressed;
    PixelRect expected;
  } cases[] = {
      {ButtonType::kClose, false, false, {162, 145, 40, 19}},
      {ButtonType::kClose, true, false, {162, 165, 40, 19}},
      {ButtonType::kClose, true, true, {162, 185, 40, 19}},  // pressed wins over hover
      {ButtonType::kHelp, false, true, {0, 185, 27, 19}},
      {ButtonType::kBlank, true, false, {27, 165, 27, 19}},
      {ButtonType::kMainMenu, false, false, {54, 145, 27, 19}},
      {ButtonType::kMinimise, false, false, {81, 145, 27, 19}},
      {ButtonType::kMaximise, false, false, {108, 145, 27, 19}},
      {ButtonType::kRestore, false, false, {135, 145, 27, 19}},
  };
  for (const Case& c : cases) {
    const auto piece = CaptionButtonPiece(c.type, c.hovered, c.pressed);
    ASSERT_TRUE(piece);
    EXPECT_EQ(*piece, c.expected) << int(c.type);
    EXPECT_LE(piece->right(), kFrameSheetWidth);
  }
  EXPECT_FALSE(CaptionButtonPiece(ButtonType::kNotAButton, false, false));

  Element tab;
  tab.kind = ElementKind::kTab;
  tab.rect = {5, 27, 65, 79};
  EXPECT_FALSE(TabBackgroundPiece(tab));
  tab.hovered = true;
  EXPECT_EQ(*TabBackgroundPiece(tab), (PixelRect{60, 90, 60, 52}));
  tab.hovered = false;
  tab.selected = true;
  EXPECT_EQ(*TabBackgroundPiece(tab), (PixelRect{120, 90, 60, 52}));
}

}  // namespace
}  // namespace velmora::skin
