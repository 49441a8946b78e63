// The HTTP front of our servers (the gateway and the benchmark's baseline): one event loop holds
// every connection, so the number of connected clients is bounded by memory and the limits below,
// not by threads. Handlers answer through a callback that any thread may call, so slow work (the
// database) runs elsewhere while the loop keeps serving the other connections.
//
// What a client must keep to, or its connection is closed:
//   - a request's headers arrive within `header_time` of its first byte, and its body within
//     `body_time` of the headers' end (408, then close);
//   - a body is at most `max_body` bytes: a larger declared one is refused (413) before a byte of
//     it is read, and so is a 100-continue wait for one; a chunked one is cut off at the limit;
//   - between requests, a kept-alive connection may stay silent for `idle_time`;
//   - an answer being sent may go unread for `send_silence` at a time, however long it takes whole;
//   - one client address holds at most `max_per_address` connections, and the server
//     `max_connections`: a connection over either is closed as it arrives, never by stalling
//     the connections already served.
// A load balancer in front (an address in `trusted_proxies`) carries many clients: its
// connections count only against `max_connections`, and a request it forwards is from the
// address it appended last to X-Forwarded-For. Anyone else's X-Forwarded-For is ignored.
// Implementation: Boost.Beast on Boost.Asio, kept out of this header.
#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora::service {

struct FrontLimits {
  std::chrono::seconds header_time{5};
  std::chrono::seconds body_time{5};
  std::chrono::seconds idle_time{30};
  std::chrono::seconds send_silence{30};
  size_t max_body = size_t(1) << 20;
  size_t max_per_address = 32;
  size_t max_connections = 20000;
  std::vector<std::string> trusted_proxies;  // IP addresses as written by NormalizedAddress
};

// `text` as an IP address in its canonical spelling ("::ffff:10.0.0.1" stays IPv6), or "" when it
// is none.
std::string NormalizedAddress(const std::string& text);

struct HttpRequest {
  std::string method;  // "GET", "POST", …
  std::string path;    // the target without its query
  std::string body;
  std::string remote_address;
};

struct HttpReply {
  int status = 200;
  std::string content_type = "text/plain";
  std::string body;
};

// Called exactly once per request, from any thread, with the answer to send.
using Respond = std::function<void(HttpReply reply)>;
// Runs on the event loop: must not block. Slow work goes to another thread, which responds.
using HttpHandler = std::function<void(HttpRequest&& request, Respond respond)>;

class HttpFront {
 public:
  explicit HttpFront(FrontLimits limits);
  ~HttpFront();
  HttpFront(const HttpFront&) = delete;
  HttpFront& operator=(const HttpFront&) = delete;

  // Requests with this method and path go to `handler`; any other gets 404.
  void Route(const std::string& method, const std::string& path, HttpHandler handler);
  // Hears the front's own events: refused connections and bodies, accept failures.
  void set_log(std::function<void(const std::string&)> log);

  // Listens on host:port (0: any free port) with the system's full queue; the port, or -1.
  int Bind(const std::string& host, int port);
  // Serves until SIGTERM or SIGINT, which `on_signal` hears of first. Then no new connection is
  // taken, idle ones close, and requests under way are answered (for at most `header_time` +
  // `body_time` + a grace for their answers) before it returns. False when serving failed.
  bool ServeUntilSignalled(const std::function<void(int)>& on_signal);

  // The limit in force: `max_connections` lowered, if need be, to what the process's file limit
  // allows (raised to its hard limit at construction).
  size_t max_connections() const;
  // Connections open now (for tests and the log).
  size_t open_connections() const;

  // The event loop and its state (with the implementation; its connections refer to it).
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace velmora::service
