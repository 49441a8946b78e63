#include "deadline_stream.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace velmora::service {
namespace {

// Numeric host and port of the socket's own end or its peer's; false when the socket has none.
bool Endpoint(socket_t sock, bool peer, std::string& ip, int& port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  auto* raw = reinterpret_cast<sockaddr*>(&address);
  if ((peer ? getpeername(sock, raw, &length) : getsockname(sock, raw, &length)) != 0) return false;
  char host[NI_MAXHOST];
  char service[NI_MAXSERV];
  if (getnameinfo(raw, length, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return false;
  }
  ip = host;
  port = std::atoi(service);
  return true;
}

// poll() for one socket, restarted when a signal interrupts it; > 0 when an event came.
int PollOne(socket_t sock, short events, int timeout_ms) {
  pollfd entry{sock, events, 0};
  int ready;
  do ready = ::poll(&entry, 1, timeout_ms);
  while (ready < 0 && errno == EINTR);
  return ready;
}

}  // namespace

DeadlineStream::DeadlineStream(socket_t sock, std::chrono::milliseconds write_timeout)
    : sock_(sock), write_timeout_ms_(int(std::min<std::chrono::milliseconds::rep>(write_timeout.count(), INT_MAX))) {
  Endpoint(sock_, true, remote_ip_, remote_port_);
}

bool DeadlineStream::ReadableWithin(std::chrono::milliseconds wait) const {
  return buffered_from_ < buffered_to_ || PollOne(sock_, POLLIN, int(wait.count())) != 0;
}

bool DeadlineStream::WaitForBytes() const {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(read_deadline_ - Clock::now()).count();
    if (left <= 0) {
      deadline_passed_ = true;
      return false;
    }
    const int ready = PollOne(sock_, POLLIN, int(std::min<decltype(left)>(left, INT_MAX)));
    if (ready != 0) return ready > 0;
  }
}

bool DeadlineStream::is_readable() const { return buffered_from_ < buffered_to_ || WaitForBytes(); }

bool DeadlineStream::is_writable() const { return PollOne(sock_, POLLOUT, write_timeout_ms_) > 0; }

ssize_t DeadlineStream::read(char* ptr, size_t size) {
  if (buffered_from_ == buffered_to_) {
    if (!WaitForBytes()) return -1;
    ssize_t received;
    do received = ::recv(sock_, buffer_.data(), buffer_.size(), 0);
    while (received < 0 && errno == EINTR);
    if (received <= 0) return received;
    buffered_from_ = 0;
    buffered_to_ = size_t(received);
  }
  const size_t n = std::min(size, buffered_to_ - buffered_from_);
  std::memcpy(ptr, buffer_.data() + buffered_from_, n);
  buffered_from_ += n;
  return ssize_t(n);
}

ssize_t DeadlineStream::write(const char* ptr, size_t size) {
  if (!is_writable()) return -1;
  ssize_t sent;
  do sent = ::send(sock_, ptr, size, MSG_NOSIGNAL);
  while (sent < 0 && errno == EINTR);
  return sent;
}

void DeadlineStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  ip = remote_ip_;
  port = remote_port_;
}

void DeadlineStream::get_local_ip_and_port(std::string& ip, int& port) const { Endpoint(sock_, false, ip, port); }

}  // namespace velmora::service
