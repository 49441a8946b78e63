// The skinned frame's geometry: sizing zones, move bands, caption-button places and the looks of
// the drawn elements under the mouse.
#include <gtest/gtest.h>

#include <vector>

#include "skin/button_kind.h"
#include "skin/caption_buttons.h"
#include "skin/tabs.h"
#include "skin/hit_zones.h"

namespace velmora::skin {
namespace {

// An 800 × 600 window away from the screen origin, so that mixing up screen and window
// coordinates shows.
constexpr Rect kWindow{100, 50, 900, 650};

struct HitCase {
  Point at;
  HitCode want;
};

TEST(SkinHitTest, SizableWindowAnswersCornersThenEdgesThenClient) {
  FrameOptions sizable;
  sizable.sizable = true;
  const HitCase cases[] = {
      // Corners: 10-pixel squares, inclusive on the left/top side.
      {{100, 50}, HitCode::kTopLeft},
      {{110, 60}, HitCode::kTopLeft},
      {{890, 60}, HitCode::kTopRight},
      {{899, 50}, HitCode::kTopRight},
      {{110, 640}, HitCode::kBottomLeft},
      {{890, 640}, HitCode::kBottomRight},
      {{899, 649}, HitCode::kBottomRight},
      // Just past a corner square along an edge: the 3-pixel strip, or nothing.
      {{111, 53}, HitCode::kTop},
      {{111, 54}, HitCode::kClient},
      {{103, 61}, HitCode::kLeft},
      {{104, 61}, HitCode::kClient},
      {{889, 50}, HitCode::kTop},
      {{897, 61}, HitCode::kRight},
      {{896, 61}, HitCode::kClient},
      {{500, 647}, HitCode::kBottom},
      {{500, 646}, HitCode::kClient},
      {{111, 639}, HitCode::kClient},
      // Two pixels inside the left edge sizes, five pixels inside does not.
      {{102, 300}, HitCode::kLeft},
      {{105, 300}, HitCode::kClient},
      // The banner itself is no sizing zone.
      {{500, 80}, HitCode::kClient},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HitTest(sizable, kWindow, c.at), c.want) << "at " << c.at.x << "," << c.at.y;
  }
}

TEST(SkinHitTest, FixedOrMaximisedWindowHasNoSizingZones) {
  FrameOptions fixed;
  FrameOptions maximised;
  maximised.sizable = true;
  maximised.maximised = true;
  for (const Point p : {Point{100, 50}, Point{899, 649}, Point{102, 300}, Point{500, 647}, Point{889, 50}}) {
    EXPECT_EQ(HitTest(fixed, kWindow, p), HitCode::kClient) << p.x << "," << p.y;
    EXPECT_EQ(HitTest(maximised, kWindow, p), HitCode::kClient) << p.x << "," << p.y;
  }
}

TEST(SkinHitTest, SizingCodesMapToEdgesAndCursors) {
  struct Case {
    HitCode code;
    int edge;
    Cursor cursor;
  };
  const Case cases[] = {
      {HitCode::kLeft, 1, Cursor::kSizeWE},         {HitCode::kRight, 2, Cursor::kSizeWE},
      {HitCode::kTop, 3, Cursor::kSizeNS},          {HitCode::kTopLeft, 4, Cursor::kSizeNWSE},
      {HitCode::kTopRight, 5, Cursor::kSizeNESW},   {HitCode::kBottom, 6, Cursor::kSizeNS},
      {HitCode::kBottomLeft, 7, Cursor::kSizeNESW}, {HitCode::kBottomRight, 8, Cursor::kSizeNWSE},
      {HitCode::kClient, 0, Cursor::kArrow},        {HitCode::kCaption, 0, Cursor::kArrow},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SizingEdge(c.code), c.edge) << static_cast<int>(c.code);
    EXPECT_EQ(CursorFor(c.code, false), c.cursor) << static_cast<int>(c.code);
    EXPECT_EQ(CursorFor(c.code, true), Cursor::kArrow) << static_cast<int>(c.code);
  }
}

TEST(SkinMoveBand, BannerAndStatusBandsMoveAndToggleTheWindow) {
  constexpr int kHeight = 600;
  FrameOptions normal;  // banner 80, status 26: bands y < 80 and y > 574
  normal.maximise_box = true;
  FrameOptions maximised = normal;
  maximised.maximised = true;
  FrameOptions no_status = normal;
  no_status.status_height = 0;
  FrameOptions no_max_box = normal;
  no_max_box.maximise_box = false;

  struct Case {
    const FrameOptions* options;
    int y;
    HitCode press;
    DoubleClick dbl;
  };
  const Case cases[] = {
      {&normal, 0, HitCode::kCaption, DoubleClick::kMaximise},
      {&normal, 79, HitCode::kCaption, DoubleClick::kMaximise},
      {&normal, 80, HitCode::kClient, DoubleClick::kNothing},
      {&normal, 574, HitCode::kClient, DoubleClick::kNothing},
      {&normal, 575, HitCode::kCaption, DoubleClick::kMaximise},
      {&normal, 599, HitCode::kCaption, DoubleClick::kMaximise},
      // A maximised window is not dragged, but a double click restores it.
      {&maximised, 10, HitCode::kClient, DoubleClick::kRestore},
      {&maximised, 590, HitCode::kClient, DoubleClick::kRestore},
      {&maximised, 300, HitCode::kClient, DoubleClick::kNothing},
      // No status band: the bottom of the window is client.
      {&no_status, 599, HitCode::kClient, DoubleClick::kNothing},
      {&no_status, 79, HitCode::kCaption, DoubleClick::kMaximise},
      // Without a maximise button double clicks do nothing; dragging still works.
      {&no_max_box, 10, HitCode::kCaption, DoubleClick::kNothing},
      {&no_max_box, 590, HitCode::kCaption, DoubleClick::kNothing},
  };
  for (const auto& c : cases) {
    const Point p{400, c.y};
    EXPECT_EQ(PressZone(*c.options, kHeight, p), c.press) << "y " << c.y;
    EXPECT_EQ(DoubleClickAction(*c.options, kHeight, p), c.dbl) << "y " << c.y;
  }
}

struct Placed {
  ButtonType type;
  int left;
  int width;
  bool visible;
};

std::vector<Placed> CaptionRow(const std::vector<Element>& elements) {
  std::vector<Placed> row;
  for (const Element& e : elements) {
    if (e.kind != ElementKind::kCaptionButton) continue;
    EXPECT_EQ(e.rect.top, 1);
    EXPECT_EQ(e.rect.Height(), 19);
    row.push_back({e.type, e.rect.left, e.rect.Width(), e.visible});
  }
  return row;
}

bool operator==(const Placed& a, const Placed& b) {
  return a.type == b.type && a.left == b.left && a.width == b.width && a.visible == b.visible;
}

void PrintTo(const Placed& p, std::ostream* os) {
  *os << "{type " << static_cast<int>(p.type) << " at " << p.left << " w " << p.width << (p.visible ? "" : " hidden")
      << "}";
}

TEST(SkinCaptionButtons, EachWindowKindGetsItsRowFromTheRight) {
  using B = ButtonType;
  struct Case {
    const char* window;
    CaptionChoice choice;
    int width;
    std::vector<Placed> want;
  };
  const Case cases[] = {
      {"login window", {true, false, true, true, 26}, 452,
       {{B::kClose, 407, 40, true}, {B::kMinimise, 380, 27, true}, {B::kMainMenu, 353, 27, true},
        {B::kHelp, 326, 27, true}}},
      {"main window", {true, true, true, true, 26}, 800,
       {{B::kClose, 755, 40, true}, {B::kMaximise, 728, 27, true}, {B::kRestore, 728, 27, false},
        {B::kMinimise, 701, 27, true}, {B::kMainMenu, 674, 27, true}, {B::kHelp, 647, 27, true}}},
      {"dialog with minimise", {true, false, false, false, 0}, 302,
       {{B::kClose, 257, 40, true}, {B::kMinimise, 230, 27, true}}},
      {"dialog with close only", {false, false, false, false, 0}, 300, {{B::kClose, 255, 40, true}}},
  };
  for (const auto& c : cases) {
    auto elements = MakeFrameElements(c.choice, kDesignDpi);
    LayoutCaptionButtons(elements, c.width, kDesignDpi);
    EXPECT_EQ(CaptionRow(elements), c.want) << c.window;
  }
}

// At 150 % and 200 % every edge is the design's distance from the right, scaled: the row keeps
// touching, the close button keeps its margin, and the buttons' height follows.
TEST(SkinCaptionButtons, RowAtTheWindowsDpi) {
  struct Case {
    int dpi;
    std::vector<Rect> want;  // close, maximise, restore, minimise, main menu, help
  };
  const Case cases[] = {
      {144, {{732, 2, 792, 30}, {692, 2, 732, 30}, {692, 2, 732, 30}, {651, 2, 692, 30}, {611, 2, 651, 30},
             {570, 2, 611, 30}}},
      {192, {{710, 2, 790, 40}, {656, 2, 710, 40}, {656, 2, 710, 40}, {602, 2, 656, 40}, {548, 2, 602, 40},
             {494, 2, 548, 40}}},
  };
  for (const Case& c : cases) {
    auto elements = MakeFrameElements({true, true, true, true, 26}, Dpi{c.dpi});
    LayoutCaptionButtons(elements, 800, Dpi{c.dpi});
    std::vector<Rect> got;
    for (const Element& e : elements) {
      if (e.kind == ElementKind::kCaptionButton) got.push_back(e.rect);
    }
    EXPECT_EQ(got, c.want) << c.dpi;
  }
  // The status label's margins too; the band's height comes scaled already.
  auto elements = MakeFrameElements({true, true, true, true, 26}, Dpi{192});
  LayoutStatusLabel(elements, 800, 600, 52, true, Dpi{192});
  EXPECT_EQ(elements.back().rect, (Rect{10, 542, 770, 594}));
}

TEST(SkinCaptionButtons, MaximisedWindowShowsRestoreInMaximisesPlace) {
  auto elements = MakeFrameElements({true, true, true, true, 26}, kDesignDpi);
  LayoutCaptionButtons(elements, 800, kDesignDpi);
  ShowMaximised(elements, true);
  ElementList list{elements};
  const Point on_pair{740, 10};
  ASSERT_NE(HitElement(list, on_pair), -1);
  EXPECT_EQ(list.items[static_cast<size_t>(HitElement(list, on_pair))].type, ButtonType::kRestore);
  ShowMaximised(list.items, false);
  EXPECT_EQ(list.items[static_cast<size_t>(HitElement(list, on_pair))].type, ButtonType::kMaximise);
}

TEST(SkinCaptionButtons, ActionsByType) {
  EXPECT_EQ(ActionOf(ButtonType::kClose), ButtonAction::kClose);
  EXPECT_EQ(ActionOf(ButtonType::kRestore), ButtonAction::kRestore);
  EXPECT_EQ(ActionOf(ButtonType::kMaximise), ButtonAction::kMaximise);
  EXPECT_EQ(ActionOf(ButtonType::kMinimise), ButtonAction::kMinimise);
  EXPECT_EQ(ActionOf(ButtonType::kMainMenu), ButtonAction::kMainMenu);
  EXPECT_EQ(ActionOf(ButtonType::kBlank), ButtonAction::kNothing);
  EXPECT_EQ(ActionOf(ButtonType::kHelp), ButtonAction::kHelp);
}

TEST(SkinStatusLabel, SpansTheStatusBandAndDoesNotTakeTheMouse) {
  auto elements = MakeFrameElements({true, true, true, true, 26}, kDesignDpi);
  ASSERT_EQ(elements.back().kind, ElementKind::kLabel);
  LayoutStatusLabel(elements, 800, 600, 26, true, kDesignDpi);
  EXPECT_EQ(elements.back().rect, (Rect{5, 571, 785, 597}));
  LayoutStatusLabel(elements, 800, 600, 26, false, kDesignDpi);
  EXPECT_EQ(elements.back().rect, (Rect{5, 571, 795, 597}));

  ElementList list{elements};
  const Point on_label{300, 590};
  EXPECT_EQ(HitElement(list, on_label), -1);
  const StepResult down = StepElements(list, MouseEvent::kButtonDown, on_label);
  EXPECT_FALSE(down.on_element);
  FrameOptions options;
  EXPECT_EQ(PressZone(options, 600, on_label), HitCode::kCaption);

  EXPECT_EQ(MakeFrameElements({true, false, false, false, 0}, kDesignDpi).back().kind, ElementKind::kCaptionButton);

  // The search stops at the label: a tab added later under it (a window too low for both) is
  // not reached.
  Element tab;
  tab.kind = ElementKind::kTab;
  tab.rect = {5, 560, 65, 612};
  list.items.push_back(tab);
  EXPECT_EQ(HitElement(list, Point{30, 590}), -1);
  EXPECT_EQ(HitElement(list, Point{30, 605}), static_cast<int>(list.items.size()) - 1);
}

// The login window's row: close 0 at x 407, minimise 1 at 380, main menu 2 at 353, help 3 at 326.
class SkinElements : public ::testing::Test {
 protected:
  void SetUp() override {
    list.items = MakeFrameElements({true, false, true, true, 26}, kDesignDpi);
    LayoutCaptionButtons(list.items, 452, kDesignDpi);
    LayoutStatusLabel(list.items, 452, 429, 26, false, kDesignDpi);
  }
  StepResult Do(MouseEvent event, Point p) { return StepElements(list, event, p); }

  static constexpr int kClose = 0, kMinimise = 1, kMainMenu = 2;
  static constexpr Point kOnClose{420, 10}, kOnMinimise{390, 10}, kOnMainMenu{360, 10}, kInBanner{100, 10},
      kInPanel{200, 200};
  ElementList list;
};

TEST_F(SkinElements, PressOnCloseAndReleaseElsewhereIsNoClick) {
  EXPECT_TRUE(Do(MouseEvent::kMove, kOnClose).on_element);
  const StepResult down = Do(MouseEvent::kButtonDown, kOnClose);
  EXPECT_TRUE(down.on_element);
  EXPECT_EQ(down.redraw, std::vector<int>{kClose});
  EXPECT_TRUE(list.items[kClose].pressed);

  // Moving off while held: the hover stays on close, nothing is redrawn.
  EXPECT_TRUE(Do(MouseEvent::kMove, kOnMinimise).redraw.empty());
  EXPECT_EQ(list.hovered, kClose);
  EXPECT_FALSE(list.items[kMinimise].hovered);

  const StepResult up = Do(MouseEvent::kButtonUp, kInPanel);
  EXPECT_FALSE(up.on_element);
  EXPECT_EQ(up.clicked, -1);
  EXPECT_EQ(up.redraw, std::vector<int>{kClose});
  EXPECT_FALSE(list.items[kClose].pressed);
  EXPECT_FALSE(list.items[kClose].hovered);
  EXPECT_EQ(list.pressed, -1);
  EXPECT_EQ(list.hovered, -1);
}

TEST_F(SkinElements, ReleaseOnThePressedButtonClicksIt) {
  Do(MouseEvent::kButtonDown, kOnClose);
  Do(MouseEvent::kMove, kInBanner);
  Do(MouseEvent::kMove, kOnClose);
  const StepResult up = Do(MouseEvent::kButtonUp, kOnClose);
  EXPECT_TRUE(up.on_element);
  EXPECT_EQ(up.clicked, kClose);
  EXPECT_FALSE(list.items[kClose].pressed);
  EXPECT_TRUE(list.items[kClose].hovered);

  // Pressing one button and releasing on another clicks neither.
  Do(MouseEvent::kButtonDown, kOnMinimise);
  const StepResult other = Do(MouseEvent::kButtonUp, kOnMainMenu);
  EXPECT_EQ(other.clicked, -1);
  EXPECT_EQ(list.hovered, kMainMenu);
}

TEST_F(SkinElements, HoverMovingBetweenButtonsRedrawsExactlyThoseTwo) {
  EXPECT_EQ(Do(MouseEvent::kMove, kOnClose).redraw, std::vector<int>{kClose});
  EXPECT_TRUE(Do(MouseEvent::kMove, Point{425, 12}).redraw.empty());  // still on close
  const StepResult moved = Do(MouseEvent::kMove, kOnMinimise);
  EXPECT_EQ(moved.redraw, (std::vector<int>{kClose, kMinimise}));
  EXPECT_FALSE(list.items[kClose].hovered);
  EXPECT_TRUE(list.items[kMinimise].hovered);
  EXPECT_EQ(Do(MouseEvent::kMove, kInBanner).redraw, std::vector<int>{kMinimise});
  EXPECT_TRUE(Do(MouseEvent::kMove, kInPanel).redraw.empty());
}

TEST_F(SkinElements, LeavingClearsHoverAndPressAndHoverWorksAgainAfter) {
  Do(MouseEvent::kMove, kOnMinimise);
  EXPECT_EQ(LeaveElements(list), std::vector<int>{kMinimise});
  EXPECT_FALSE(list.items[kMinimise].hovered);
  EXPECT_EQ(list.hovered, -1);
  EXPECT_TRUE(LeaveElements(list).empty());

  // Pressed on close, the button released outside the window: the leave drops the pressed look.
  Do(MouseEvent::kMove, kOnClose);
  Do(MouseEvent::kButtonDown, kOnClose);
  EXPECT_EQ(LeaveElements(list), std::vector<int>{kClose});
  EXPECT_FALSE(list.items[kClose].pressed);
  EXPECT_FALSE(list.items[kClose].hovered);
  EXPECT_EQ(list.pressed, -1);
  EXPECT_EQ(Do(MouseEvent::kMove, kOnMinimise).redraw, std::vector<int>{kMinimise});
  EXPECT_EQ(Do(MouseEvent::kButtonUp, kOnClose).clicked, -1);
}

TEST_F(SkinElements, HiddenButtonsAreNotHitAndNotRedrawn) {
  list.items[kMinimise].visible = false;
  EXPECT_FALSE(Do(MouseEvent::kMove, kOnMinimise).on_element);
  list.items[kMinimise].visible = true;
  Do(MouseEvent::kMove, kOnMinimise);
  list.items[kMinimise].visible = false;  // e.g. hidden while hovered
  EXPECT_EQ(Do(MouseEvent::kMove, kOnClose).redraw, std::vector<int>{kClose});
  EXPECT_FALSE(list.items[kMinimise].hovered);
}

TEST(SkinTabs, SelectedTabIsNotClickedAndSelectionMovesToTheClickedTab) {
  ElementList list;
  for (int i = 0; i < 3; ++i) {
    Element tab;
    tab.kind = ElementKind::kTab;
    tab.rect = {5 + 62 * i, 27, 65 + 62 * i, 79};
    tab.has_page = i != 2;
    list.items.push_back(tab);
  }
  list.items[0].selected = true;
  const Point on_first{10, 40}, on_second{70, 40};

  StepElements(list, MouseEvent::kButtonDown, on_first);
  EXPECT_EQ(StepElements(list, MouseEvent::kButtonUp, on_first).clicked, -1);

  StepElements(list, MouseEvent::kButtonDown, on_second);
  const StepResult up = StepElements(list, MouseEvent::kButtonUp, on_second);
  ASSERT_EQ(up.clicked, 1);
  EXPECT_EQ(SelectTab(list, up.clicked), (std::vector<int>{0, 1}));
  EXPECT_FALSE(list.items[0].selected);
  EXPECT_TRUE(list.items[1].selected);

  // A tab without a page leaves the selection alone.
  EXPECT_TRUE(SelectTab(list, 2).empty());
  EXPECT_TRUE(list.items[1].selected);
}

// At 150 %: each tab's edges are the design's scaled, so neighbours keep their 2-pixel gap (3 at
// this scale) and the band is the design's band scaled.
TEST(SkinTabs, TabsAtTheWindowsDpi) {
  std::vector<Element> items;
  for (const char* caption : {"甲", "乙", "丙"}) items.push_back(MakeTab(0, caption, kDesignDpi));
  EXPECT_EQ(RelayoutTabs(items, Dpi{144}), kFirstTabX + 3 * kTabStep);
  EXPECT_EQ(items[0].rect, (Rect{8, 41, 98, 119}));    // 7.5, 40.5, 97.5, 118.5 away from zero
  EXPECT_EQ(items[1].rect, (Rect{101, 41, 191, 119}));  // from x 67: 100.5 to 190.5
  EXPECT_EQ(items[2].rect, (Rect{194, 41, 284, 119}));
  EXPECT_EQ(MakeTab(5, "丁", Dpi{192}).rect, (Rect{10, 54, 130, 158}));
  const TabBand band = TabBandAt(Dpi{144});
  EXPECT_EQ(band.top, 41);
  EXPECT_EQ(band.height, 78);
}

TEST(SkinTabs, TabsFillTheBandFromTheLeftAndCloseUpAfterARemoval) {
  std::vector<Element> items(2);  // a close button and the status label come first
  items[0].kind = ElementKind::kCaptionButton;
  int x = kFirstTabX;
  for (const char* caption : {"甲", "乙", "丙"}) {
    items.push_back(MakeTab(x, caption, kDesignDpi));
    x += kTabStep;
  }
  EXPECT_EQ(items[4].rect, (Rect{129, 27, 189, 79}));
  items.erase(items.begin() + 2);
  items[3].visible = false;  // hidden tabs keep no place
  EXPECT_EQ(RelayoutTabs(items, kDesignDpi), kFirstTabX + kTabStep);
  EXPECT_EQ(items[2].rect.left, 5);
  EXPECT_EQ(items[0].rect, Rect{});  // other elements stay where they are
  EXPECT_EQ(FindTab(items, "丙"), 3);
  EXPECT_EQ(FindTab(items, "丁"), -1);
}

TEST(SkinTabs, SelectingByCaptionShowsEveryMatchAndDeselectsTheRest) {
  std::vector<Element> items;
  for (const char* caption : {"甲", "乙", "甲", "丙"}) items.push_back(MakeTab(0, caption, kDesignDpi));
  items[3].selected = true;
  items[2].selected = true;
  const TabSelection picked = SelectTabsByCaption(items, "甲");
  EXPECT_TRUE(picked.matched);
  EXPECT_EQ(picked.shown, (std::vector<int>{0, 2}));
  EXPECT_EQ(picked.redraw, (std::vector<int>{0, 3}));  // 2 was selected already
  EXPECT_TRUE(items[0].selected && items[2].selected);
  EXPECT_FALSE(items[3].selected);

  const TabSelection none = SelectTabsByCaption(items, "丁");
  EXPECT_FALSE(none.matched);
  EXPECT_TRUE(none.redraw.empty());
  EXPECT_TRUE(items[0].selected);  // nothing matched: the selection stays
}

TEST(SkinTabs, IconBytesAreAHandleOrAnIconFile) {
  EXPECT_EQ(IconHandleBytes(std::string("\x78\x56\x34\x12", 4)), 0x12345678u);
  EXPECT_FALSE(IconHandleBytes("abc"));

  // ICONDIR with one entry: 32 x 32, image of 10 bytes at offset 22.
  std::string ico("\0\0\1\0\1\0", 6);
  ico += std::string("\x20\x20\0\0\1\0\x20\0", 8) + std::string("\x0a\0\0\0\x16\0\0\0", 8);
  ico += std::string(10, 'x');
  const auto image = FirstIconImage(ico);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->offset, 22u);
  EXPECT_EQ(image->size, 10u);
  struct Case {
    const char* name;
    std::string bytes;
  } broken[] = {
      {"empty", ""},
      {"cut inside the entry", ico.substr(0, 20)},
      {"image past the end", ico.substr(0, 30)},
      {"a cursor file, not an icon", std::string("\0\0\2\0", 4) + ico.substr(4)},
      {"no images", std::string("\0\0\1\0\0\0", 6) + ico.substr(6)},
  };
  for (const Case& c : broken) EXPECT_FALSE(FirstIconImage(c.bytes)) << c.name;
}

TEST(SkinTabs, AnIconFileGivesTheImageOfTheSizeAskedForElseTheNextLarger) {
  // Entries of 16, 64, 32 and 256 (written 0) pixels, each image 4 bytes, in that order.
  std::string ico("\0\0\1\0\4\0", 6);
  const int widths[] = {16, 64, 32, 0};
  for (int i = 0; i < 4; ++i) {
    ico += std::string(1, char(widths[i])) + std::string(1, char(widths[i])) + std::string("\0\0\1\0\x20\0", 6);
    ico += std::string("\4\0\0\0", 4) + std::string(1, char(6 + 64 + 4 * i)) + std::string("\0\0\0", 3);
  }
  ico += std::string(16, 'x');
  const std::pair<int, size_t> cases[] = {{16, 70}, {32, 78}, {64, 74}, {256, 82},
                                          {24, 78}, {48, 74}, {300, 82}, {8, 70}};
  for (const auto& [size, offset] : cases) {
    const auto image = IconImageFor(ico, size);
    ASSERT_TRUE(image) << size;
    EXPECT_EQ(image->offset, offset) << size;
  }
  // An entry pointing past the end is passed over; none whole, nothing.
  std::string broken = ico.substr(0, ico.size() - 4);  // the 256 one's image is cut
  EXPECT_EQ(IconImageFor(broken, 256)->offset, 74u);
  EXPECT_FALSE(IconImageFor(ico.substr(0, 40), 32));
}

TEST(SkinButtons, ClassificationFromTheStyle) {
  struct Case {
    std::uint32_t style;
    ButtonKind kind;
  } cases[] = {
      {0x0, ButtonKind::kPushButton},          {0x1, ButtonKind::kPushButton},
      {0x3, ButtonKind::kCheckBox},            {0x3 | kPushLike, ButtonKind::kPushButton},
      {0x6, ButtonKind::kCheckBox},            {0x9, ButtonKind::kRadioButton},
      {0x4 | kPushLike, ButtonKind::kPushButton}, {0x7, ButtonKind::kNotSkinned},  // group box
      {0xB, ButtonKind::kNotSkinned},          {0x50010000, ButtonKind::kPushButton},  // window bits ignored
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyButton(c.style), c.kind) << std::hex << c.style;
}

}  // namespace
}  // namespace velmora::skin
