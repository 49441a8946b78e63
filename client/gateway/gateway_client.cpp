#include "gateway/gateway_client.h"

#include <random>

#include "gateway/machine_id.h"
#include "gateway/md5.h"
#include "gateway/platform.h"
#include "gateway/text.h"
#include "gateway/transport.h"

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

GatewayClient::GatewayClient(GatewayPlatform platform) : platform_(std::move(platform)) {}

std::string GatewayClient::Seal() const {
  std::string sealed = address_;
  sealed.push_back('\0');
  sealed.append(key_.MaskedBytes());
  return Md5Hex(sealed);
}

bool GatewayClient::IntegrityHolds() const { return Seal() == seal_; }

bool GatewayClient::Connect(const std::string& address, std::string_view key_digits) {
  connected_ = false;
  client_address_.clear();
  address_ = address;
  key_ = HiddenKey(key_digits);
  seal_ = Seal();
  const auto key = key_.Reveal();
  if (!key) return false;

  const std::string body = "p=" + EncodeWire("3", *key) + "&f=" + EncodeWire(platform_.machine_id(), *key);
  const std::string answer = platform_.post(address_, body);
  if (!IntegrityHolds()) return false;
  const auto handshake = ParseHandshake(DecodeWire(answer, *key));
  if (!handshake) return false;
  t0_ = handshake->server_time;
  c0_ = platform_.ticks_ms();
  client_address_ = handshake->client_address;
  connected_ = true;
  return true;
}

DateTime GatewayClient::ServerNow() const {
  if (!connected_) return DateTime();
  const uint64_t elapsed_ms = platform_.ticks_ms() - c0_;
  return t0_.PlusSeconds(int64_t(elapsed_ms / 1000));
}

std::string GatewayClient::Exchange(GatewayOp op, std::string_view sql) {
  if (!connected_ || !IntegrityHolds()) return {};
  if (platform_.pump) platform_.pump();
  const auto key = key_.Reveal();
  if (!key) return {};
  const std::string body = "p=" + EncodeWire(std::string(1, char(op)), *key) + "&post=" +
                           EncodeWire(StampedStatement(ServerNow(), sql), *key);
  const std::string answer = platform_.post(address_, body);
  if (!IntegrityHolds()) return {};
  if (platform_.pump) platform_.pump();
  const auto decoded = TryDecodeWire(answer, *key);
  if (!decoded) return {};
  return AcceptAnswer(*decoded, ServerNow()).value_or(std::string());
}

GatewayClient& ProcessGateway() {
  static GatewayClient gateway(GatewayPlatform{
      [](const std::string& address, const std::string& body) { return PostForm(address, body); },
      TickCountMs, MachineIdentifier, [] { PumpPendingMessages(); }});
  return gateway;
}

bool ConnectGateway(const std::string& address, std::string_view key_digits) {
  return ProcessGateway().Connect(address, key_digits);
}
std::string GatewayQuery(const std::string& sql) { return ProcessGateway().Query(sql); }
std::string GatewayExecute(const std::string& sql) { return ProcessGateway().Execute(sql); }
std::string GatewayCheck(const std::string& sql) { return ProcessGateway().Check(sql); }
DateTime ServerNow() { return ProcessGateway().ServerNow(); }
const std::string& ClientAddress() { return ProcessGateway().ClientAddress(); }

}  // namespace velmora
