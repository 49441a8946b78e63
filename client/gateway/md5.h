// MD5 message digest as published in RFC 1321.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

class Md5 {
 public:
  Md5();
  void Update(std::string_view bytes);
  std::array<uint8_t, 16> Finish();

 private:
  void Transform(const uint8_t block[64]);

  std::array<uint32_t, 4> state_;
  uint64_t length_ = 0;  // bytes hashed so far
  std::array<uint8_t, 64> buffer_{};
};

// The digest of `bytes` as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace velmora
