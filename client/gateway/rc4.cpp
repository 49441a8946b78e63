#include "gateway/rc4.h"

#include "gateway/hex.h"

namespace velmora {

Rc4::Rc4(std::string_view key) {
  for (size_t n = 0; n < 256; ++n) s_[n] = uint8_t(n);
  uint8_t j = 0;
  for (size_t n = 0; n < 256; ++n) {
    const uint8_t k = key.empty() ? 0 : uint8_t(key[n % key.size()]);
    j = uint8_t(j + s_[n] + k);
    std::swap(s_[n], s_[j]);
  }
}

void Rc4::Apply(std::string& bytes) {
  for (char& c : bytes) {
    i_ = uint8_t(i_ + 1);
    j_ = uint8_t(j_ + s_[i_]);
    std::swap(s_[i_], s_[j_]);
    c = char(uint8_t(c) ^ s_[uint8_t(s_[i_] + s_[j_])]);
  }
}

namespace {
// An empty password: RC4's key schedule then runs on a single zero byte.
Rc4 StoredValueCipher() { return Rc4(std::string_view("\0", 1)); }
}  // namespace

std::string Rc4HexEncode(std::string_view text) {
  std::string bytes(text);
  StoredValueCipher().Apply(bytes);
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (char b : bytes) AppendHexByte(hex, static_cast<uint8_t>(b));
  return hex;
}

std::optional<std::string> TryRc4HexDecode(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int hi = HexDigitValue(hex[i]);
    const int lo = HexDigitValue(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes.push_back(char(hi << 4 | lo));
  }
  StoredValueCipher().Apply(bytes);
  const size_t zero = bytes.find('\0');
  if (zero != std::string::npos) bytes.resize(zero);
  return bytes;
}

std::string Rc4HexDecode(std::string_view hex) { return TryRc4HexDecode(hex).value_or(std::string()); }

}  // namespace velmora
