// The console's own small HTTP server, beside the client's page: a listener and an event loop on
// a thread of their own, plain HTTP or TLS (OpenSSL, from a certificate and key file). Few
// operators use it at once, so it keeps a small connection cap and short deadlines; slow work
// (the database, password hashing) runs where the handler sends it, and the loop serves the other
// connections meanwhile.
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velmora::console {

struct ConsoleRequest {
  std::string method;  // "GET", "POST"
  std::string path;    // the target without its query
  std::string query;   // after '?', still encoded
  std::string body;
  std::string cookie;        // the Cookie header, or ""
  std::string content_type;  // the Content-Type header, or ""
  std::string remote_address;
  bool tls = false;
};

struct ConsoleReply {
  int status = 200;
  std::string content_type = "text/html; charset=utf-8";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;  // Set-Cookie, Location, ...
  std::chrono::milliseconds delay{0};                          // the answer waits this long first
};

// Called exactly once per request, from any thread.
using ConsoleRespond = std::function<void(ConsoleReply reply)>;
// Runs on the server's loop: must not block.
using ConsoleHandler = std::function<void(ConsoleRequest&& request, ConsoleRespond respond)>;

struct ConsoleTls {
  std::string certificate_file, key_file;  // PEM; both empty: plain HTTP
};

class ConsoleServer {
 public:
  ConsoleServer(ConsoleHandler handler, std::function<void(const std::string&)> log);
  ~ConsoleServer();  // stops and joins the loop
  ConsoleServer(const ConsoleServer&) = delete;
  ConsoleServer& operator=(const ConsoleServer&) = delete;

  // Listens on host:port (0: a free one) and starts serving on a thread of its own. The port, or
  // -1 with `error` set (cannot listen, or the certificate or key cannot be used).
  int Start(const std::string& host, int port, const ConsoleTls& tls, std::string& error);
  // Takes no new connection and closes the open ones; returns once the loop has ended.
  void Stop();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// True when `host` is a loopback address (127.0.0.0/8, ::1) or "localhost".
bool IsLoopbackHost(const std::string& host);

}  // namespace velmora::console
