#include "skin/halo_text.h"

#include <cstddef>

namespace velmora::skin {

std::vector<std::uint32_t> ComposeHaloText(const std::vector<std::uint8_t>& coverage, int width, int height) {
  std::vector<std::uint32_t> out;
  if (width <= 0 || height <= 0 || coverage.size() < std::size_t(width) * std::size_t(height)) return out;
  out.resize(std::size_t(width) * std::size_t(height));
  const auto mask = [&](int x, int y) -> int {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return coverage[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Premultiplied source-over, in 0..255*255 fixed point: colour (white's level) and alpha.
      int level = 0, alpha = 0;  // scaled by 255
      for (const auto& offset : kHaloOffsets) {
        const int a = mask(x - offset[0], y - offset[1]) * kHaloOpacity / 255;  // this pass's opacity
        level = level * (255 - a) / 255;
        alpha = alpha * (255 - a) / 255 + a * 255;
      }
      const int a = mask(x, y);
      level = level * (255 - a) / 255 + a * 255;
      alpha = alpha * (255 - a) / 255 + a * 255;
      const auto c = std::uint32_t((level + 127) / 255);
      const auto al = std::uint32_t((alpha + 127) / 255);
      out[std::size_t(y) * std::size_t(width) + std::size_t(x)] = (al << 24) | (c << 16) | (c << 8) | c;
    }
  }
  return out;
}

}  // namespace velmora::skin
