// A raw client socket for the service tests: from a chosen loopback address, sending bytes as
// they are and reading responses with time limits.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace velmora::service::testing {

using Clock = std::chrono::steady_clock;

// A client socket from a chosen loopback address, read with time limits.
class RawConnection {
 public:
  RawConnection(int port, const char* from) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, from, &address.sin_addr);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return;
    address.sin_port = htons(uint16_t(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawConnection() {
    if (fd_ >= 0) close(fd_);
  }
  // Ends the connection at once with a reset, as a client that crashes or loses its network does.
  void Reset() {
    const linger abort{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(fd_);
    fd_ = -1;
  }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  bool connected() const { return connected_; }
  int fd() const { return fd_; }
  bool Readable() const {
    pollfd entry{fd_, POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
  }
  bool Send(const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
      const ssize_t sent = send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
      if (sent <= 0) return false;
      at += size_t(sent);
    }
    return true;
  }
  // One whole response (headers and Content-Length body), or "" when none came within `limit`.
  std::string ReadResponse(Clock::duration limit) {
    const auto until = Clock::now() + limit;
    for (;;) {
      const size_t head_end = pending_.find("\r\n\r\n");
      if (head_end != std::string::npos) {
        const size_t length_at = pending_.find("Content-Length: ");
        const size_t body = length_at < head_end ? std::stoul(pending_.substr(length_at + 16)) : 0;
        if (pending_.size() >= head_end + 4 + body) {
          std::string response = pending_.substr(0, head_end + 4 + body);
          pending_.erase(0, response.size());
          return response;
        }
      }
      if (!Receive(until)) return "";
    }
  }
  // Everything up to the server's close (an end or a reset); false when it stays open past `limit`.
  bool ReadUntilClosed(Clock::duration limit, std::string& received) {
    const auto until = Clock::now() + limit;
    while (Receive(until)) {
    }
    received = pending_;
    return closed_;
  }

 private:
  // Adds what arrives before `until` to pending_; false at the close or the time limit.
  bool Receive(Clock::time_point until) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    pollfd entry{fd_, POLLIN, 0};
    if (closed_ || left <= 0 || poll(&entry, 1, int(left)) <= 0) return false;
    char buffer[4096];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) {
      closed_ = true;
      return false;
    }
    pending_.append(buffer, size_t(n));
    return true;
  }

  int fd_;
  bool connected_ = false;
  bool closed_ = false;
  std::string pending_;
};

// The status line of a response.
inline std::string Status(const std::string& response) { return response.substr(0, response.find("\r\n")); }

// A kept-alive POST of `body` to the gateway's page.
inline std::string PageRequest(const std::string& body) {
  return "POST /talvenor.asp HTTP/1.1\r\nHost: velmora\r\nContent-Type: application/x-www-form-urlencoded\r\n"
         "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The body of a whole response.
inline std::string Body(const std::string& response) {
  const size_t head_end = response.find("\r\n\r\n");
  return head_end == std::string::npos ? std::string() : response.substr(head_end + 4);
}

}  // namespace velmora::service::testing
