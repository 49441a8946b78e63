#include "http_test_server.h"

#include <cctype>
#include <cstdio>
#include <chrono>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socklen_type = int;
constexpr int kSendFlags = 0;
static void CloseSocket(intptr_t s) { closesocket(SOCKET(s)); }
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using socklen_type = socklen_t;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a client that gave up must not end the test process
static void CloseSocket(intptr_t s) { close(int(s)); }
#endif

namespace velmora::testing {
namespace {

#ifdef _WIN32
struct WinsockInit {
  WinsockInit() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockInit() { WSACleanup(); }
};
#endif

void EnsureSockets() {
#ifdef _WIN32
  static WinsockInit init;
#endif
}

// Waits up to `ms` for `s` to be readable.
bool Readable(intptr_t s, int ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv{ms / 1000, (ms % 1000) * 1000};
  return select(int(s + 1), &set, nullptr, nullptr, &tv) > 0;
}

// False when the peer went away first.
bool SendAll(intptr_t s, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const int n = int(send(s, data.data() + sent, int(data.size() - sent), kSendFlags));
    if (n <= 0) return false;
    sent += size_t(n);
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

intptr_t Listen(int& port) {
  EnsureSockets();
  const intptr_t s = intptr_t(socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  listen(s, 16);
  socklen_type len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return s;
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& [n, v] : headers) {
    if (Lower(n) == Lower(name)) return v;
  }
  return {};
}

HttpTestServer::HttpTestServer(Handler handler) : handler_(std::move(handler)) {
  listener_ = Listen(port_);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
  stop_ = true;
  acceptor_.join();
  for (auto& w : workers_) w.join();
  CloseSocket(listener_);
}

std::vector<RecordedRequest> HttpTestServer::Requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

void HttpTestServer::AcceptLoop() {
  while (!stop_) {
    if (!Readable(listener_, 20)) continue;
    const intptr_t client = intptr_t(accept(listener_, nullptr, nullptr));
    if (client < 0) continue;
    workers_.emplace_back([this, client] { Serve(client); });
  }
}

void HttpTestServer::Serve(intptr_t client) {
  std::string data;
  RecordedRequest req;
  size_t header_end = std::string::npos;
  size_t content_length = 0;
  char buf[4096];
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!stop_ && std::chrono::steady_clock::now() < give_up) {
    if (header_end != std::string::npos && data.size() >= header_end + 4 + content_length) break;
    if (!Readable(client, 20)) continue;
    const int n = int(recv(client, buf, sizeof buf, 0));
    if (n <= 0) break;
    data.append(buf, size_t(n));
    if (header_end == std::string::npos && (header_end = data.find("\r\n\r\n")) != std::string::npos) {
      size_t pos = data.find("\r\n");
      req.request_line = data.substr(0, pos);
      while (pos < header_end) {
        const size_t next = data.find("\r\n", pos + 2);
        const std::string line = data.substr(pos + 2, next - pos - 2);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
          std::string value = line.substr(colon + 1);
          while (!value.empty() && value.front() == ' ') value.erase(0, 1);
          req.headers.emplace_back(line.substr(0, colon), value);
        }
        pos = next;
      }
      content_length = std::stoul("0" + req.Header("Content-Length"));
    }
  }
  if (header_end == std::string::npos) {
    CloseSocket(client);
    return;
  }
  req.body = data.substr(header_end + 4, content_length);
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(req);
  }
  const Reply reply = handler_(req);
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " OK\r\nContent-Type: text/html\r\n";
  switch (reply.framing) {
    case Reply::Framing::kContentLength:
      SendAll(client, head + "Content-Length: " + std::to_string(reply.body.size()) +
                          "\r\nConnection: close\r\n\r\n" + reply.body);
      break;
    case Reply::Framing::kClose:
      SendAll(client, head + "Connection: close\r\n\r\n" + reply.body);
      break;
    case Reply::Framing::kChunked: {
      std::string out = head + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
      for (size_t i = 0; i < reply.body.size(); i += 7) {
        const std::string piece = reply.body.substr(i, 7);
        char size[16];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        out += size + piece + "\r\n";
      }
      SendAll(client, out + "0\r\n\r\n");
      break;
    }
    case Reply::Framing::kNever:
      while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      break;
    case Reply::Framing::kTrickled: {
      if (!SendAll(client, head + "Content-Length: " + std::to_string(reply.body.size()) +
                               "\r\nConnection: close\r\n\r\n")) {
        break;
      }
      const size_t piece = (reply.body.size() + 9) / 10;
      for (size_t i = 0; i < reply.body.size() && !stop_; i += piece) {
        std::this_thread::sleep_for(reply.pause);
        if (!SendAll(client, reply.body.substr(i, piece))) break;
      }
      break;
    }
    case Reply::Framing::kStalled:
      SendAll(client, head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" +
                          reply.body.substr(0, reply.body.size() / 2));
      while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      break;
    case Reply::Framing::kEndless:
      if (!SendAll(client, head + "Content-Length: 1000000000\r\nConnection: close\r\n\r\n")) break;
      while (!stop_) {
        std::this_thread::sleep_for(reply.pause);
        if (!SendAll(client, reply.body)) break;
      }
      break;
    case Reply::Framing::kKeptAlive:
      SendAll(client, head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" + reply.body);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      break;
  }
  CloseSocket(client);
}

int UnusedPort() {
  int port = 0;
  const intptr_t s = Listen(port);
  CloseSocket(s);
  return port;
}

}  // namespace velmora::testing
