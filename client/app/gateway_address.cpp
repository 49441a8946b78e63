#include "app/gateway_address.h"

#include <array>
#include <cstdint>

#include "gateway/gateway_client.h"
#include "gateway/rc4.h"

#ifndef VELMORA_GATEWAY_BASE
#define VELMORA_GATEWAY_BASE "http://127.0.0.1:8080/"
#endif

namespace velmora {
namespace {

// The address is enciphered while compiling, so its plain text is not in the program.
constexpr std::string_view kPlainBase = VELMORA_GATEWAY_BASE;

constexpr std::array<char, kPlainBase.size() * 2> EncipherAtCompileTime() {
  std::array<uint8_t, 256> s{};
  for (int n = 0; n < 256; ++n) s[size_t(n)] = uint8_t(n);
  uint8_t j = 0;
  for (int n = 0; n < 256; ++n) {  // an empty password: the key bytes are zero
    j = uint8_t(j + s[size_t(n)]);
    const uint8_t t = s[size_t(n)];
    s[size_t(n)] = s[j];
    s[j] = t;
  }
  std::array<char, kPlainBase.size() * 2> hex{};
  constexpr char kDigits[] = "0123456789ABCDEF";
  uint8_t i = 0;
  j = 0;
  for (size_t k = 0; k < kPlainBase.size(); ++k) {
    i = uint8_t(i + 1);
    j = uint8_t(j + s[i]);
    const uint8_t t = s[i];
    s[i] = s[j];
    s[j] = t;
    const uint8_t b = uint8_t(uint8_t(kPlainBase[k]) ^ s[uint8_t(s[i] + s[j])]);
    hex[2 * k] = kDigits[b >> 4];
    hex[2 * k + 1] = kDigits[b & 15];
  }
  return hex;
}

constexpr auto kStoredBase = EncipherAtCompileTime();

}  // namespace

std::string BuiltInGatewayBase() { return Rc4HexDecode(std::string_view(kStoredBase.data(), kStoredBase.size())); }

std::string GatewayPage(std::string_view base) {
  std::string page(base);
  if (page.empty() || page.back() != '/') page.push_back('/');
  page.append(kGatewayPage);
  return page;
}

}  // namespace velmora
