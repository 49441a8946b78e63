#include "gateway/wire_codec.h"

#include "gateway/hex.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

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

// Writes the one or two bytes of a decoded character without a branch on its width (mixed text
// switches width too often for prediction): both bytes are stored, the cursor moves by one or two.
// The output holds two bytes per whole group, so the second store always lands inside it.
inline char* PutChar(char* o, unsigned y) {
  const unsigned two = y > 0xFF;
  o[0] = char(two ? y >> 8 : y);
  o[1] = char(y);
  return o + 1 + two;
}

// One group of four digits at `p`; false when it is corrupt.
inline bool DecodeGroup(const char* p, unsigned x, char*& o) {
  const int a = HexDigitValue(p[0]), b = HexDigitValue(p[1]), c = HexDigitValue(p[2]), d = HexDigitValue(p[3]);
  int v;
  if ((a | b | c | d) >= 0) {
    v = a << 12 | b << 8 | c << 4 | d;
  } else {
    v = GroupValue(std::string_view(p, 4));  // the "0x41" spelling, or corrupt
    if (v < 0) return false;
  }
  o = PutChar(o, unsigned(v) ^ x);
  return true;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VELMORA_WIRE_SSSE3 1

// Sixteen digits (four groups) per step with SSSE3, which x86 processors have had since about
// 2011 (Intel since 2006); whether this one does is asked once at run time. A block holding
// anything but hexadecimal digits ("0x", white space, corruption) is left to the group-by-group code.
struct Ssse3Tables {
  // For each combination of one- and two-byte characters among four groups: where each output byte
  // comes from in the four 32-bit values (high byte before low byte), and how many bytes there are.
  alignas(16) uint8_t shuffle[16][16];
  uint8_t length[16];
};

constexpr Ssse3Tables MakeSsse3Tables() {
  Ssse3Tables t{};
  for (int m = 0; m < 16; ++m) {
    int n = 0;
    for (int i = 0; i < 16; ++i) t.shuffle[m][i] = 0x80;
    for (int g = 0; g < 4; ++g) {
      if (m >> g & 1) t.shuffle[m][n++] = uint8_t(4 * g + 1);
      t.shuffle[m][n++] = uint8_t(4 * g);
    }
    t.length[m] = uint8_t(n);
  }
  return t;
}
constexpr Ssse3Tables kSsse3 = MakeSsse3Tables();

// Decodes whole blocks from `p` for as long as they are plain digits. `xk` holds the key's XOR
// values as 32-bit numbers, repeated so that four follow any position below the key's length.
// Advances `p`, `o` and the key position `k`; returns the number of groups done.
__attribute__((target("ssse3"))) size_t DecodeBlocksSsse3(const char*& p, size_t groups, char*& o,
                                                          const uint32_t* xk, size_t key_length, size_t& k) {
  const __m128i c0 = _mm_set1_epi8('0' - 1), c9 = _mm_set1_epi8('9' + 1);
  const __m128i ca = _mm_set1_epi8('a' - 1), cf = _mm_set1_epi8('f' + 1);
  const __m128i lower = _mm_set1_epi8(0x20), low_nibble = _mm_set1_epi8(0x0F), nine = _mm_set1_epi8(9);
  const __m128i nibble_weights = _mm_set1_epi16(0x0110);  // bytes 16, 1: first digit high
  const __m128i byte_weights = _mm_set1_epi32(0x00010100);  // words 256, 1: first byte high
  const __m128i one_byte_max = _mm_set1_epi32(0xFF);
  size_t done = 0;
  for (; done + 4 <= groups; done += 4) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Signed compares: bytes of 0x80 and above are negative and fail both ranges.
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(x, c0), _mm_cmplt_epi8(x, c9));
    const __m128i folded = _mm_or_si128(x, lower);  // only 'A'-'F' and 'a'-'f' fold into 'a'-'f'
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, ca), _mm_cmplt_epi8(folded, cf));
    if (_mm_movemask_epi8(_mm_or_si128(digit, letter)) != 0xFFFF) break;
    // '0'-'9' carry their value in the low nibble, the letters theirs minus nine.
    const __m128i nibbles = _mm_add_epi8(_mm_and_si128(x, low_nibble), _mm_and_si128(letter, nine));
    const __m128i bytes = _mm_maddubs_epi16(nibbles, nibble_weights);
    const __m128i values = _mm_madd_epi16(bytes, byte_weights);
    const __m128i y = _mm_xor_si128(values, _mm_loadu_si128(reinterpret_cast<const __m128i*>(xk + k)));
    const int wide = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(y, one_byte_max)));
    const __m128i packed =
        _mm_shuffle_epi8(y, _mm_load_si128(reinterpret_cast<const __m128i*>(kSsse3.shuffle[wide])));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(o), packed);  // at most eight bytes, all inside
    o += kSsse3.length[wide];
    p += 16;
    k += 4;
    while (k >= key_length) k -= key_length;
  }
  return done;
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

}  // namespace

std::optional<std::string> TryDecodeWire(std::string_view wire, const WireKey& key) {
  const auto& xors = key.Xors();
  const size_t key_length = xors.size();
  std::string out;
  out.resize(wire.size() / 2 + 2);  // at most two bytes per group of four, plus a short last group
  char* o = out.data();
  size_t k = 0;
  const char* p = wire.data();
  const size_t whole = wire.size() / 4;
  size_t g = 0;
#ifdef VELMORA_WIRE_SSSE3
  if (whole >= 8 && HasSsse3()) {
    std::vector<uint32_t> xk(key_length + 3);
    for (size_t i = 0; i < xk.size(); ++i) xk[i] = xors[i % key_length];
    while (g + 4 <= whole) {
      g += DecodeBlocksSsse3(p, whole - g, o, xk.data(), key_length, k);
      if (g + 4 > whole) break;
      // A block that is not plain digits: its four groups one by one.
      for (int i = 0; i < 4; ++i, ++g, p += 4) {
        if (!DecodeGroup(p, xors[k], o)) return std::nullopt;
        if (++k == key_length) k = 0;
      }
    }
  }
#endif
  for (; g < whole; ++g, p += 4) {
    if (!DecodeGroup(p, xors[k], o)) return std::nullopt;
    if (++k == key_length) k = 0;
  }
  if (wire.size() % 4 != 0) {
    const int v = GroupValue(wire.substr(whole * 4));
    if (v < 0) return std::nullopt;
    o = PutChar(o, unsigned(v) ^ xors[k]);
  }
  out.resize(size_t(o - out.data()));
  return out;
}

std::string DecodeWire(std::string_view wire, const WireKey& key) {
  return TryDecodeWire(wire, key).value_or(std::string());
}

}  // namespace velmora
