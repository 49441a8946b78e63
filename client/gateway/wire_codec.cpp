#include "gateway/wire_codec.h"

#include "gateway/hex.h"

namespace velmora {

std::optional<WireKey> WireKey::FromDigits(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  WireKey key;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    key.xors_.push_back(uint8_t(c - '0' + 1));
  }
  return key;
}

std::string EncodeWire(std::string_view text, const WireKey& key) {
  const auto& xors = key.Xors();
  std::string out;
  out.resize(text.size() * 4);  // upper bound: four digits per character, one or two bytes each
  char* o = out.data();
  size_t k = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned x = xors[k];
    unsigned v;
    if (*p >= 0x80 && p + 1 < end) {
      v = (unsigned(p[0]) << 8 | p[1]) ^ x;
      p += 2;
    } else {
      v = unsigned(*p) ^ x;
      ++p;
    }
    o[0] = hex_detail::kUpperDigits[(v >> 12) & 15];
    o[1] = hex_detail::kUpperDigits[(v >> 8) & 15];
    o[2] = hex_detail::kUpperDigits[(v >> 4) & 15];
    o[3] = hex_detail::kUpperDigits[v & 15];
    o += 4;
    if (++k == xors.size()) k = 0;
  }
  out.resize(size_t(o - out.data()));
  return out;
}

namespace {

// Value of one group of digits, or -1 when it is not hexadecimal.
int GroupValue(std::string_view group) {
  if (group.size() > 2 && group[0] == '0' && (group[1] == 'x' || group[1] == 'X')) group.remove_prefix(2);
  int v = 0;
  for (char c : group) {
    const int d = HexDigitValue(c);
    if (d < 0) return -1;
    v = v << 4 | d;
  }
  return v;
}

}  // namespace

std::optional<std::string> TryDecodeWire(std::string_view wire, const WireKey& key) {
  const auto& xors = key.Xors();
  std::string out;
  out.resize(wire.size() / 2 + 2);  // at most two bytes per group of four
  char* o = out.data();
  size_t k = 0;
  const char* p = wire.data();
  const size_t whole = wire.size() / 4;
  for (size_t g = 0; g < whole; ++g, p += 4) {
    const int a = HexDigitValue(p[0]), b = HexDigitValue(p[1]), c = HexDigitValue(p[2]),
              d = HexDigitValue(p[3]);
    int v;
    if ((a | b | c | d) >= 0) {
      v = a << 12 | b << 8 | c << 4 | d;
    } else {
      v = GroupValue(std::string_view(p, 4));  // the "0x41" spelling, or corrupt
      if (v < 0) return std::nullopt;
    }
    const unsigned y = unsigned(v ^ xors[k]) & 0xFFFF;
    if (y > 0xFF) *o++ = char(y >> 8);
    *o++ = char(y & 0xFF);
    if (++k == xors.size()) k = 0;
  }
  if (wire.size() % 4 != 0) {
    const int v = GroupValue(wire.substr(whole * 4));
    if (v < 0) return std::nullopt;
    const unsigned y = unsigned(v ^ xors[k]) & 0xFFFF;
    if (y > 0xFF) *o++ = char(y >> 8);
    *o++ = char(y & 0xFF);
  }
  out.resize(size_t(o - out.data()));
  return out;
}

std::string DecodeWire(std::string_view wire, const WireKey& key) {
  return TryDecodeWire(wire, key).value_or(std::string());
}

}  // namespace velmora
