// RC4 stream cipher and the "RC4 hex text" in which the service stores passwords, contacts,
// page addresses and most feed texts.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

class Rc4 {
 public:
  explicit Rc4(std::string_view key);
  void Apply(std::string& bytes);  // enciphers or deciphers in place

 private:
  std::array<uint8_t, 256> s_;
  uint8_t i_ = 0, j_ = 0;
};

// Stored values use RC4 with an empty password, whose key bytes are taken as zero.
// Encoding: RC4 output as two upper-case hexadecimal digits per byte.
std::string Rc4HexEncode(std::string_view text);
// Decoding: hexadecimal pairs in either case; the text ends at the first zero byte.
// Odd length or a non-hexadecimal digit gives nothing (a corrupt stored value, not a text).
std::optional<std::string> TryRc4HexDecode(std::string_view hex);
// As TryRc4HexDecode, with the empty text for a corrupt value.
std::string Rc4HexDecode(std::string_view hex);

}  // namespace velmora
