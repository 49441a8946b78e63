#include "gateway/protocol.h"

#include <random>

#include "gateway/text.h"

namespace velmora {

std::optional<std::string> AcceptAnswer(std::string_view decoded, DateTime now) {
  // A marker at the very end adds no empty piece, so an empty payload reads as no answer, the
  // same as "" does for every caller.
  const auto parts = SplitOnCharBoundary(decoded, kAnswerMarker);
  if (parts.size() != 2) return std::nullopt;
  const auto stamped = ParseClockText(parts[0]);
  if (!stamped) return std::nullopt;
  const int64_t d = now - *stamped;
  if (d <= -90 || d >= 90) return std::nullopt;
  return std::string(parts[1]);
}

bool AnswerTimeOutOfBounds(std::string_view decoded, DateTime now) {
  const auto parts = SplitOnCharBoundary(decoded, kAnswerMarker);
  if (parts.size() != 2) return false;
  const auto stamped = ParseClockText(parts[0]);
  if (!stamped) return false;
  const int64_t d = now - *stamped;
  return d <= -90 || d >= 90;
}

std::optional<Handshake> ParseHandshake(std::string_view decoded) {
  if (decoded.empty() || decoded == "1" || decoded == "11" || decoded == "12") return std::nullopt;
  const auto parts = SplitOnCharBoundary(decoded, kAnswerMarker);
  if (parts.empty() || parts.size() > 2) return std::nullopt;
  const auto t0 = ParseClockText(parts[0]);
  if (!t0 || t0->IsEmpty()) return std::nullopt;
  return Handshake{*t0, parts.size() == 2 ? std::string(parts[1]) : std::string()};
}

std::string StampedStatement(DateTime server_now, std::string_view sql) {
  std::string out = ClockStamp(server_now);
  out.append(kStampMarker);
  out.append(sql);
  return out;
}

namespace {
std::string RandomBytes(size_t n) {
  std::random_device rd;
  std::string bytes(n, '\0');
  for (char& b : bytes) b = char(rd() & 0xFF);
  return bytes;
}
}  // namespace

HiddenKey::HiddenKey(std::string_view digits) : masked_(digits), mask_(RandomBytes(digits.size())) {
  for (size_t i = 0; i < masked_.size(); ++i) masked_[i] = char(masked_[i] ^ mask_[i]);
}

std::optional<WireKey> HiddenKey::Reveal() const {
  std::string digits(masked_);
  for (size_t i = 0; i < digits.size(); ++i) digits[i] = char(digits[i] ^ mask_[i]);
  return WireKey::FromDigits(digits);
}

std::string BuiltInRequestKey() {
  // "58304172", each digit XOR 0x5A.
  static constexpr unsigned char kMasked[] = {0x6F, 0x62, 0x69, 0x6A, 0x6E, 0x6B, 0x6D, 0x68};
  std::string digits;
  for (unsigned char b : kMasked) digits.push_back(char(b ^ 0x5A));
  return digits;
}

}  // namespace velmora
