// Colour arithmetic of the skin engine and the layout of the skin picture in the banner.
//
// Windows hands colours around as COLORREF (0x00BBGGRR); GDI+ brushes and pens want ARGB
// (0xAARRGGBB). Everything here is plain arithmetic so that the drawing code only has to make
// brushes from the numbers.
#pragma once
#include <cstdint>
#include <optional>

#include "skin/pixel_rect.h"

namespace velmora::skin {

using ColourRef = std::uint32_t;  // 0x00BBGGRR
using Argb = std::uint32_t;      // 0xAARRGGBB

constexpr std::uint8_t RedOf(ColourRef c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(ColourRef c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(ColourRef c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }
constexpr std::uint8_t AlphaOf(Argb c) { return static_cast<std::uint8_t>(c >> 24); }

constexpr ColourRef MakeColourRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<ColourRef>(red) | (static_cast<ColourRef>(green) << 8) | (static_cast<ColourRef>(blue) << 16);
}

// The GDI+ colour of a COLORREF at the given opacity. The COLORREF's top byte (a palette flag in
// GDI) is not part of the colour and is dropped.
constexpr Argb ToArgb(ColourRef c, std::uint8_t alpha) {
  return (static_cast<Argb>(alpha) << 24) | (static_cast<Argb>(RedOf(c)) << 16) |
         (static_cast<Argb>(GreenOf(c)) << 8) | BlueOf(c);
}

// The skin colour before any setting is read: red 14, green 179, blue 210.
inline constexpr ColourRef kDefaultSkinColour = 0x00D2B30E;
// Text on the banner is white over a dark halo, so it reads on any skin colour or picture.
inline constexpr Argb kHaloArgb = ToArgb(0x000000, 90);
inline constexpr Argb kTextArgb = ToArgb(0xFFFFFF, 255);
// The thin outline around the client panel.
inline constexpr Argb kPanelPenArgb = ToArgb(0x000000, 150);

// What an opaque pixel `below` becomes when `above` is painted over it at `alpha` (0 leaves it,
// 255 replaces it), each channel rounded to nearest. This is how the halo, the panel outline and
// the fades land on the frame.
ColourRef BlendOver(ColourRef below, ColourRef above, std::uint8_t alpha);

// The average colour of a picture's pixels (ARGB, `stride` pixels from one row to the next), as the
// picture would look over black: each pixel counts with its opacity. Black for no pixels.
ColourRef AverageColour(const Argb* pixels, int width, int height, int stride);

// The background-colour setter takes a colour or this value for the system button-face colour.
inline constexpr ColourRef kUseButtonFace = 0xFFFFFFFF;

// The background colour a set call asks for, or nothing when it is the colour already in use
// (then no brush is remade and nothing repaints).
std::optional<ColourRef> ChangedBackColour(ColourRef requested, ColourRef current, ColourRef button_face);

// --- The skin picture in the banner ---

// The picture sits against the banner's right edge; when it is narrower than the window its left
// edge fades into the skin colour over this many pixels.
inline constexpr int kPictureSideFadeWidth = 150;
// The picture reaches this far below the banner, and its lower edge fades out over the same band.
inline constexpr int kPictureLowerFadeHeight = 10;

// A rectangle filled with a linear gradient brush running from one point to another; colours in
// between are interpolated channel by channel, alpha included.
struct Fade {
  PixelRect area;
  int from_x = 0;
  int from_y = 0;
  int to_x = 0;
  int to_y = 0;
  Argb from_colour = 0;
  Argb to_colour = 0;

  bool operator==(const Fade&) const = default;
};

struct BannerPicture {
  PixelRect source;               // part of the picture, drawn unscaled
  PixelRect dest;                 // same size as source
  std::optional<Fade> side_fade;  // only for a picture narrower than the window
  Fade lower_fade;                // always, across the whole width
};

// Where a picture of `picture_width` x `picture_height` goes in a window `window_width` wide with
// a banner `banner_height` high, and the two fades in `gradient` (the picture's average colour,
// which is also the skin colour while a picture is set). A wider picture shows its right-hand
// part from x 0; a picture lower than the banner plus the fade band is drawn at its own height.
// Nothing (no picture, no fades) for an empty picture.
std::optional<BannerPicture> PlaceBannerPicture(int picture_width, int picture_height, int window_width,
                                                int banner_height, ColourRef gradient);

// The colour a fade paints at pixel (x, y): the gradient sampled at the pixel's own coordinates
// (GDI+'s default pixel offset puts pixel centres on whole numbers), each channel rounded to
// nearest. Fully transparent outside the fade's area, where it paints nothing.
Argb FadeColourAt(const Fade& fade, int x, int y);

}  // namespace velmora::skin
