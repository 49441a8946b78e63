// The gateway's wire encoding: every character becomes four hexadecimal digits, XORed with a
// digit of the request key (plus one) that advances once per character.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The per-character XOR values (key digit + 1, so 1..10) of a request key.
class WireKey {
 public:
  // Nothing when `digits` is empty or holds a non-digit.
  static std::optional<WireKey> FromDigits(std::string_view digits);
  const std::vector<uint8_t>& Xors() const { return xors_; }

 private:
  std::vector<uint8_t> xors_;
};

// Lossless for any bytes: a lead byte at the very end is written as a one-byte character.
std::string EncodeWire(std::string_view text, const WireKey& key);

// Groups of four digits (a short last group taken as it is; "0x" before the digits allowed).
// Nothing when a group is not hexadecimal: such an answer is corrupt and is rejected whole.
std::optional<std::string> TryDecodeWire(std::string_view wire, const WireKey& key);
// As TryDecodeWire, with the empty text for a corrupt answer.
std::string DecodeWire(std::string_view wire, const WireKey& key);

}  // namespace velmora
