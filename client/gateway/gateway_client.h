// The gateway road: the handshake that fixes the server clock, and the encoded, time-stamped
// exchanges whose answers are accepted only when the server's time in them is close to ours. The
// rules of the exchange itself, which the service shares, are the protocol's (protocol.h).
#pragma once
#include <array>
#include <atomic>
#include <mutex>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "gateway/date_time.h"
#include "gateway/protocol.h"
#include "gateway/statements.h"
#include "gateway/wire_codec.h"

namespace velmora {

// What the road needs from its surroundings; tests put fakes here.
struct GatewayPlatform {
  std::function<std::string(const std::string& address, const std::string& body)> post;
  std::function<uint64_t()> ticks_ms;
  std::function<std::string()> machine_id;
  std::function<void()> pump;  // lets the window system run before each encode and decode
};

class GatewayClient final : public GatewayLink {
 public:
  explicit GatewayClient(GatewayPlatform platform);

  // Fixes the address and key, performs the handshake; false when it was refused or failed.
  bool Connect(const std::string& address, std::string_view key_digits);

  std::string Query(const std::string& sql) override { return Exchange(GatewayOp::kQuery, sql); }
  std::string Execute(const std::string& sql) override { return Exchange(GatewayOp::kExecute, sql); }
  std::string Check(const std::string& sql) override { return Exchange(GatewayOp::kCheck, sql); }

  // Handshake time plus the whole seconds elapsed since; the empty date before a handshake.
  // From any thread.
  DateTime ServerNow() const;

  // Asks for a new handshake before the next exchange, on whichever thread makes it: after the
  // machine slept (the tick count may have stood still meanwhile) or the server's clock stepped,
  // ServerNow no longer follows the server, whose answers would all be rejected as stale. A
  // handshake that fails is tried again before the exchange after.
  void RequestResync() { resync_wanted_ = true; }
  // Answers rejected in a row for their server time, after which the client handshakes again
  // by itself (and asks a query or check once more at once).
  static constexpr int kStaleAnswersBeforeResync = 3;
  const std::string& ClientAddress() const { return client_address_; }
  const std::string& Address() const { return address_; }
  bool Connected() const { return connected_; }

  // The state fixed at the handshake (address, hidden key) is still the one in memory.
  bool IntegrityHolds() const;

 private:
  // Defined by the tests of the integrity check only, to change the state behind its seal.
  friend struct GatewayClientTamper;

  std::string Exchange(GatewayOp op, std::string_view sql);
  // One exchange; `stale` tells whether an answer came whose server time was out of bounds.
  std::string ExchangeOnce(GatewayOp op, std::string_view sql, const WireKey& key, bool& stale);
  // The handshake on the fixed address and key: the server's time and this client's address.
  std::optional<Handshake> Shake(const WireKey& key);
  std::string Seal() const;

  GatewayPlatform platform_;
  std::string address_;
  HiddenKey key_;
  std::string seal_;
  bool connected_ = false;
  // The clock fixed at the last handshake; a resync on the worker changes it while the window's
  // thread reads ServerNow.
  mutable std::mutex clock_mutex_;
  DateTime t0_;
  uint64_t c0_ = 0;
  std::atomic<bool> resync_wanted_{false};
  int stale_in_row_ = 0;  // only the thread making the exchanges touches it
  std::string client_address_;
};

// What a gateway client needs on this platform: its transport, clock, machine identifier and,
// on Windows, the message pump. The process-wide gateway is one client on it; a test may make
// a client of its own on it to hand to the windows.
GatewayPlatform ThisPlatform();

// The process-wide gateway the program's windows share.
GatewayClient& ProcessGateway();

}  // namespace velmora
