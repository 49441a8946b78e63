// GBK text helpers shared by the codec, the result rows and the statement builders.
// A character is one byte below 0x80, or a byte of 0x80 or above together with the byte after it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

constexpr bool IsLeadByte(unsigned char b) { return b >= 0x80; }

// Length in bytes of the character starting at `pos`; a lead byte at the very end counts as one.
inline size_t CharLengthAt(std::string_view text, size_t pos) {
  return (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// Splits at `separator`, recognised only where a character starts. Two adjacent separators give an
// empty piece, a separator at the very end adds no empty last piece, an empty text gives no pieces.
// At most `limit` pieces are returned (0 = no limit); what follows the last kept piece is dropped.
std::vector<std::string_view> SplitOnCharBoundary(std::string_view text, std::string_view separator,
                                                  size_t limit = 0);

// Decimal number from the leading digits of a text ("" and "abc" read 0, "06" reads 6).
// Values too large for the type saturate instead of wrapping.
int64_t LeadingNumber(std::string_view text);

// Replaces every occurrence of `from` (searched byte-wise) by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace velmora

