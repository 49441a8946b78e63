// White banner text over a dark halo, composed from the text's coverage mask. The text is drawn
// six times in translucent black, moved one pixel left and right (and diagonally), then once in
// white: it reads on any skin colour or picture. Composing the passes here from one mask costs a
// fraction of drawing the string seven times.
#pragma once
#include <cstdint>
#include <vector>

namespace velmora::skin {

// The six places the halo is drawn at, relative to the text.
inline constexpr int kHaloOffsets[6][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {1, -1}, {1, 0}, {1, 1}};
inline constexpr std::uint8_t kHaloOpacity = 90;

// `coverage` is the text's mask, `width` x `height`, one byte per pixel (0 none, 255 full), row
// after row. Returns the composed picture of the same size as premultiplied BGRA pixels
// (0xAARRGGBB with colour already multiplied by alpha), ready to be blended over the banner.
// Halo passes that would land outside the mask's area are cut off, so callers leave a pixel of
// room around the text.
std::vector<std::uint32_t> ComposeHaloText(const std::vector<std::uint8_t>& coverage, int width, int height);

}  // namespace velmora::skin
