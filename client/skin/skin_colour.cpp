#include "skin/skin_colour.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace velmora::skin {

namespace {

std::uint8_t BlendChannel(unsigned below, unsigned above, unsigned alpha) {
  return static_cast<std::uint8_t>((above * alpha + below * (255 - alpha) + 127) / 255);
}

std::uint8_t LerpChannel(unsigned from, unsigned to, double t) {
  return static_cast<std::uint8_t>(std::lround(from + (static_cast<double>(to) - from) * t));
}

}  // namespace

ColourRef BlendOver(ColourRef below, ColourRef above, std::uint8_t alpha) {
  return MakeColourRef(BlendChannel(RedOf(below), RedOf(above), alpha),
                      BlendChannel(GreenOf(below), GreenOf(above), alpha),
                      BlendChannel(BlueOf(below), BlueOf(above), alpha));
}

std::optional<ColourRef> ChangedBackColour(ColourRef requested, ColourRef current, ColourRef button_face) {
  const ColourRef wanted = requested == kUseButtonFace ? button_face : requested;
  if (wanted == current) return std::nullopt;
  return wanted;
}

std::optional<BannerPicture> PlaceBannerPicture(int picture_width, int picture_height, int window_width,
                                                int banner_height, ColourRef gradient) {
  if (picture_width <= 0 || picture_height <= 0) return std::nullopt;

  // Right-aligned: a narrow picture moves right, a wide one is cut on its left.
  const bool narrow = picture_width < window_width;
  const int dest_x = narrow ? window_width - picture_width : 0;
  const int source_x = narrow ? 0 : picture_width - window_width;
  const int width = picture_width - source_x;
  const int reach = banner_height + kPictureLowerFadeHeight;
  const int height = std::min(reach, picture_height);

  BannerPicture placed;
  placed.source = {source_x, 0, width, height};
  placed.dest = {dest_x, 0, width, height};
  if (dest_x > 0) {
    // Solid skin colour at the picture's left edge, clear 150 pixels in.
    placed.side_fade = Fade{{dest_x, 0, kPictureSideFadeWidth, reach},
                            dest_x,
                            0,
                            dest_x + kPictureSideFadeWidth,
                            0,
                            ToArgb(gradient, 255),
                            ToArgb(gradient, 0)};
  }
  // Clear at the banner's lower edge, solid skin colour 10 pixels further down. It covers the band
  // whatever the picture's height, so a low picture still ends in the skin colour.
  placed.lower_fade = Fade{{0, banner_height, window_width, kPictureLowerFadeHeight},
                           0,
                           banner_height,
                           0,
                           reach,
                           ToArgb(gradient, 0),
                           ToArgb(gradient, 255)};
  return placed;
}

Argb FadeColourAt(const Fade& fade, int x, int y) {
  const PixelRect& a = fade.area;
  if (a.empty() || x < a.x || x >= a.right() || y < a.y || y >= a.bottom()) return 0;
  const double ax = fade.to_x - fade.from_x;
  const double ay = fade.to_y - fade.from_y;
  const double length2 = ax * ax + ay * ay;
  // Position along the gradient line; a degenerate line paints its start colour.
  double t = length2 > 0 ? ((x - fade.from_x) * ax + (y - fade.from_y) * ay) / length2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  const Argb f = fade.from_colour;
  const Argb to = fade.to_colour;
  auto channel = [&](int shift) {
    return static_cast<Argb>(LerpChannel((f >> shift) & 0xFF, (to >> shift) & 0xFF, t)) << shift;
  };
  return channel(24) | channel(16) | channel(8) | channel(0);
}

ColourRef AverageColour(const Argb* pixels, int width, int height, int stride) {
  if (width <= 0 || height <= 0) return 0;
  std::uint64_t sums[3] = {0, 0, 0};
  for (int y = 0; y < height; ++y) {
    const Argb* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const Argb p = row[x];
      const std::uint32_t alpha = p >> 24;
      sums[0] += ((p >> 16) & 0xFF) * alpha;
      sums[1] += ((p >> 8) & 0xFF) * alpha;
      sums[2] += (p & 0xFF) * alpha;
    }
  }
  const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 255;
  auto channel = [&](int i) { return static_cast<std::uint8_t>((sums[i] + count / 2) / count); };
  return MakeColourRef(channel(0), channel(1), channel(2));
}

}  // namespace velmora::skin
