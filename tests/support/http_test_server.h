// A small HTTP/1.1 server on 127.0.0.1 for transport tests, native and under Wine: it records
// each request and answers as the test says (with or without Content-Length, chunked, never).
#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::testing {

struct RecordedRequest {
  std::string request_line;                                  // "POST /path HTTP/1.1"
  std::vector<std::pair<std::string, std::string>> headers;  // in the order sent
  std::string body;
  std::string Header(const std::string& name) const;         // "" when absent
};

struct Reply {
  // kKeptAlive: Content-Length and no "Connection: close", then the server drops the idle
  // connection after a tenth of a second, as a server with a short keep-alive time does.
  // kTrickled: Content-Length at once, then the body in ten pieces, `pause` before each.
  // kStalled: Content-Length and half the body at once, then nothing more.
  // kEndless: a Content-Length never reached, and the body again and again, `pause` apart,
  // without end.
  enum class Framing { kContentLength, kClose, kChunked, kNever, kKeptAlive, kTrickled, kStalled, kEndless };
  std::string body;
  Framing framing = Framing::kContentLength;
  int status = 200;
  std::chrono::milliseconds pause{0};
};

class HttpTestServer {
 public:
  using Handler = std::function<Reply(const RecordedRequest&)>;
  explicit HttpTestServer(Handler handler);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  int port() const { return port_; }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::vector<RecordedRequest> Requests();

 private:
  void AcceptLoop();
  void Serve(intptr_t client);

  Handler handler_;
  intptr_t listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// A port on 127.0.0.1 on which nothing listens (connections are refused).
int UnusedPort();

}  // namespace velmora::testing
