// How every HTTP server of ours is set up and run: the gateway and the benchmark's baseline
// share it, so the baseline measures the same stack.
#pragma once
#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "address_slots.h"

namespace velmora::service {

class DeadlineStream;

// cpp-httplib's server with its connection loop replaced so that no client holds a pool thread
// for long (each open connection holds one): a request's headers must arrive within kHeaderTime
// of its first byte and its body within kBodyTime of the headers' end, or the connection is
// closed; a declared body over the payload limit is answered 413 without being read; and one
// client address holds at most a set number of connections. Idle kept-alive connections still go
// after the keep-alive time-out. It owns the pre-routing, post-routing and 100-continue handlers.
class GatewayHttpServer : public httplib::Server {
 public:
  static constexpr std::chrono::seconds kHeaderTime{5};
  static constexpr std::chrono::seconds kBodyTime{5};
  static constexpr size_t kDefaultMaxPerAddress = 32;

  GatewayHttpServer();

  // Connections from one address beyond `n` open at once are closed as they arrive.
  GatewayHttpServer& set_max_connections_per_address(size_t n);
  // Hears one line for each connection closed that way.
  GatewayHttpServer& set_refusal_log(std::function<void(const std::string&)> log);

 private:
  // The library's per-connection entry, run on a pool thread: admission, requests, close.
  bool process_and_close_socket(socket_t sock) override;
  // Request after request while the client keeps the connection and meets every deadline.
  bool ServeConnection(DeadlineStream& stream, bool& close_after_response);
  // The keep-alive wait: false once it is over or the server is stopping.
  bool AwaitRequest(const DeadlineStream& stream) const;
  bool DeclaresOversizedBody(const httplib::Request& req) const;

  AddressSlots slots_{kDefaultMaxPerAddress};
  std::function<void(const std::string&)> refusal_log_;
};

// Thread pool, body limit, time-outs, and no Nagle delay between headers and body.
void ConfigureServer(httplib::Server& server, int threads, size_t max_body);

// Binds to host:port (0: any free port) with the system's full listen queue; the port, or -1.
int BindServer(httplib::Server& server, const std::string& host, int port);

// Serves until SIGTERM or SIGINT, which `on_signal` hears of first; false when serving failed.
bool ServeUntilSignalled(httplib::Server& server, const std::function<void(int)>& on_signal);

}  // namespace velmora::service
