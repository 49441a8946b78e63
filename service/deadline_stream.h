// One client connection's socket as cpp-httplib reads and writes it. Reads are held to a deadline
// for the whole part of the request being read (its headers, then its body) instead of a time-out
// per recv: a sender trickling a byte at a time cannot hold a pool thread past it. Writes keep a
// time-out per write, so a slow but real reader of a large answer is not cut off.
#pragma once
#include <httplib.h>

#include <array>
#include <chrono>
#include <string>

namespace velmora::service {

class DeadlineStream final : public httplib::Stream {
 public:
  using Clock = std::chrono::steady_clock;

  DeadlineStream(socket_t sock, std::chrono::milliseconds write_timeout);

  // Reads fail once `deadline` has passed, however the bytes before it came.
  void set_read_deadline(Clock::time_point deadline) { read_deadline_ = deadline; }
  // Whether a read failed because the deadline passed (rather than the peer closing).
  bool deadline_passed() const { return deadline_passed_; }
  // Whether something arrives within `wait`: bytes already received (a pipelined request), new
  // bytes, or the peer's close. The keep-alive wait between requests, which has no deadline.
  bool ReadableWithin(std::chrono::milliseconds wait) const;
  // The peer's numeric address, taken once when the connection arrives; empty when it is gone.
  const std::string& remote_ip() const { return remote_ip_; }

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return sock_; }

 private:
  bool WaitForBytes() const;

  socket_t sock_;
  int write_timeout_ms_;
  std::string remote_ip_;
  int remote_port_ = 0;
  Clock::time_point read_deadline_ = Clock::now();
  mutable bool deadline_passed_ = false;
  // The library reads request lines a byte at a time: one recv per byte would be ruinous.
  std::array<char, 16384> buffer_;
  size_t buffered_from_ = 0;
  size_t buffered_to_ = 0;
};

}  // namespace velmora::service
