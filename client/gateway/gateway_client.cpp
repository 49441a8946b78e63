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
  const auto handshake = Shake(*key);
  if (!handshake) return false;
  {
    const std::lock_guard lock(clock_mutex_);
    t0_ = handshake->server_time;
    c0_ = platform_.ticks_ms();
  }
  client_address_ = handshake->client_address;
  resync_wanted_ = false;
  stale_in_row_ = 0;
  connected_ = true;
  return true;
}

std::optional<Handshake> GatewayClient::Shake(const WireKey& key) {
  const std::string body = "p=" + EncodeWire("3", key) + "&f=" + EncodeWire(platform_.machine_id(), key);
  const std::string answer = platform_.post(address_, body);
  if (!IntegrityHolds()) return std::nullopt;
  return ParseHandshake(DecodeWire(answer, key));
}

DateTime GatewayClient::ServerNow() const {
  if (!connected_) return DateTime();
  const std::lock_guard lock(clock_mutex_);
  const uint64_t elapsed_ms = platform_.ticks_ms() - c0_;
  return t0_.PlusSeconds(int64_t(elapsed_ms / 1000));
}

std::string GatewayClient::Exchange(GatewayOp op, std::string_view sql) {
  if (!connected_ || !IntegrityHolds()) return {};
  if (platform_.pump) platform_.pump();
  const auto key = key_.Reveal();
  if (!key) return {};
  // The clock again, when asked or after answers that all came from another time. The address
  // the service saw at sign-in stays: the windows read it, and it is the session's.
  const auto resync = [&] {
    resync_wanted_ = false;
    stale_in_row_ = 0;
    const auto handshake = Shake(*key);
    if (!handshake) {
      resync_wanted_ = true;  // the next exchange tries again
      return false;
    }
    const std::lock_guard lock(clock_mutex_);
    t0_ = handshake->server_time;
    c0_ = platform_.ticks_ms();
    return true;
  };
  if (resync_wanted_) resync();
  bool stale = false;
  std::string answer = ExchangeOnce(op, sql, *key, stale);
  stale_in_row_ = stale ? stale_in_row_ + 1 : 0;
  // A read asked again changes nothing on the service; a write is never sent twice.
  if (stale_in_row_ >= kStaleAnswersBeforeResync && resync() && op != GatewayOp::kExecute) {
    answer = ExchangeOnce(op, sql, *key, stale);
    stale_in_row_ = stale ? 1 : 0;
  }
  return answer;
}

std::string GatewayClient::ExchangeOnce(GatewayOp op, std::string_view sql, const WireKey& key, bool& stale) {
  stale = false;
  const std::string body = "p=" + EncodeWire(std::string(1, char(op)), key) + "&post=" +
                           EncodeWire(StampedStatement(ServerNow(), sql), key);
  const std::string answer = platform_.post(address_, body);
  if (!IntegrityHolds()) return {};
  if (platform_.pump) platform_.pump();
  const auto decoded = TryDecodeWire(answer, key);
  if (!decoded) return {};
  const DateTime now = ServerNow();
  if (auto accepted = AcceptAnswer(*decoded, now)) return std::move(*accepted);
  stale = AnswerTimeOutOfBounds(*decoded, now);
  return {};
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
