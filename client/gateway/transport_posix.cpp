// The transport on POSIX systems: a plain HTTP/1.1 POST over a socket, sending the same method,
// headers, body and user agent as the Windows request object, bounded by the transport's limits:
// every byte that moves restarts the allowed silence.
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "gateway/http_response.h"
#include "gateway/platform.h"
#include "gateway/transport.h"
#include "gateway/url.h"

namespace velmora {
namespace {

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  const int fd_;
};

class AddressList {
 public:
  AddressList(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list_) != 0) list_ = nullptr;
  }
  ~AddressList() {
    if (list_) freeaddrinfo(list_);
  }
  AddressList(const AddressList&) = delete;
  AddressList& operator=(const AddressList&) = delete;
  const addrinfo* first() const { return list_; }

 private:
  addrinfo* list_ = nullptr;
};

// Waits for `events` on `fd` until the clock's deadline; false when it passed first.
bool WaitFor(int fd, short events, const ExchangeClock& clock) {
  pollfd p{fd, events, 0};
  for (;;) {
    const uint64_t left = clock.Left(TickCountMs());
    if (left == 0) return false;
    const int r = poll(&p, 1, int(std::min<uint64_t>(left, 60000)));
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
  }
}

int ConnectBounded(const addrinfo* ai, const ExchangeClock& clock) {
  for (; ai; ai = ai->ai_next) {
    const int fd = socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) return fd;
    if (errno == EINPROGRESS && WaitFor(fd, POLLOUT, clock)) {
      int err = 0;
      socklen_t len = sizeof err;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0) return fd;
    }
    close(fd);
  }
  return -1;
}

bool SendAll(int fd, std::string_view data, ExchangeClock& clock) {
  while (!data.empty()) {
    const ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n > 0) {
      data.remove_prefix(size_t(n));
      clock.Heard(TickCountMs());
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      if (!WaitFor(fd, POLLOUT, clock)) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string PostForm(const std::string& address, const std::string& body, const ProgressObserver& observer) {
  ExchangeClock clock(TickCountMs());
  const std::string host = UrlHost(address, false);
  const int port = UrlPort(address);
  if (host.empty() || port <= 0) return {};
  const AddressList addresses(host, port);
  if (!addresses.first()) return {};
  const Socket sock(ConnectBounded(addresses.first(), clock));
  if (sock.fd() < 0) return {};

  std::string request = "POST " + UrlPath(address) + " HTTP/1.1\r\nHost: " + UrlHost(address, true) + "\r\n";
  for (const auto& [name, value] : DefaultModeHeaders(address)) request += name + ": " + value + "\r\n";
  request += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
  request += body;
  if (!SendAll(sock.fd(), request, clock)) return {};

  HttpResponseReader reader;
  char buf[16384];
  for (;;) {
    if (!WaitFor(sock.fd(), POLLIN, clock)) return {};
    const ssize_t n = recv(sock.fd(), buf, sizeof buf, 0);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
      return {};
    }
    clock.Heard(TickCountMs());
    const auto state = n == 0 ? reader.FinishAtClose() : reader.Feed(std::string_view(buf, size_t(n)));
    if (observer && reader.state() != HttpResponseReader::State::kHeaders) {
      observer(reader.content_length() < 0 ? 0 : reader.content_length(), int64_t(reader.body().size()));
    }
    if (state == HttpResponseReader::State::kDone) return reader.body();
    if (state == HttpResponseReader::State::kBad) return {};
  }
}

}  // namespace velmora
