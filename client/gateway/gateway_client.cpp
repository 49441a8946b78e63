#include "gateway/gateway_client.h"

#include "gateway/machine_id.h"
#include "gateway/md5.h"
#include "gateway/platform.h"
#include "gateway/transport.h"

namespace velmora {

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

GatewayPlatform ThisPlatform() {
  return GatewayPlatform{[](const std::string& address, const std::string& body) { return PostForm(address, body); },
                         TickCountMs, MachineIdentifier, [] { PumpPendingMessages(); }};
}

GatewayClient& ProcessGateway() {
  static GatewayClient gateway(ThisPlatform());
  return gateway;
}

}  // namespace velmora
