// Hexadecimal digits, table-driven because the codec runs them over every byte of every answer.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velmora {

namespace hex_detail {
constexpr std::array<int8_t, 256> MakeDigitTable() {
  std::array<int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (size_t c = '0'; c <= '9'; ++c) t[c] = int8_t(c - '0');
  for (size_t c = 'a'; c <= 'f'; ++c) t[c] = int8_t(c - 'a' + 10);
  for (size_t c = 'A'; c <= 'F'; ++c) t[c] = int8_t(c - 'A' + 10);
  return t;
}
inline constexpr std::array<int8_t, 256> kDigitValue = MakeDigitTable();
inline constexpr char kUpperDigits[] = "0123456789ABCDEF";
}  // namespace hex_detail

// Value of a hexadecimal digit in either case, or -1.
inline int HexDigitValue(char c) { return hex_detail::kDigitValue[static_cast<unsigned char>(c)]; }

inline void AppendHexByte(std::string& out, uint8_t b) {
  out.push_back(hex_detail::kUpperDigits[b >> 4]);
  out.push_back(hex_detail::kUpperDigits[b & 15]);
}

}  // namespace velmora
