#include "sessions.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>

namespace velmora::console {

std::string RandomToken() {
  if (sodium_init() < 0) throw std::runtime_error("libsodium cannot start");
  unsigned char bytes[32];
  randombytes_buf(bytes, sizeof bytes);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : bytes) hex += {kHex[b >> 4], kHex[b & 15]};
  return hex;
}

bool SameToken(const std::string& a, const std::string& b) {
  return a.size() == b.size() && !a.empty() && sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string SessionStore::Create(const std::string& operator_name, Clock::time_point now) {
  std::string id = RandomToken();
  std::lock_guard lock(mutex_);
  DropExpired(now);
  sessions_[id] = Entry{Session{operator_name, RandomToken()}, now};
  return id;
}

std::optional<Session> SessionStore::Touch(const std::string& id, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  const auto it = sessions_.find(id);
  if (it == sessions_.end()) return std::nullopt;
  if (now - it->second.last_seen >= idle_limit_) {
    sessions_.erase(it);
    return std::nullopt;
  }
  it->second.last_seen = now;
  return it->second.session;
}

void SessionStore::Remove(const std::string& id) {
  std::lock_guard lock(mutex_);
  sessions_.erase(id);
}

size_t SessionStore::size() const {
  std::lock_guard lock(mutex_);
  return sessions_.size();
}

void SessionStore::DropExpired(Clock::time_point now) {
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    it = now - it->second.last_seen >= idle_limit_ ? sessions_.erase(it) : std::next(it);
  }
}

std::chrono::milliseconds LoginThrottle::Failed(const std::string& address, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  // Addresses whose failures are all old are forgotten, so the map cannot grow without bound.
  for (auto it = failures_.begin(); it != failures_.end();) {
    auto& times = it->second;
    while (!times.empty() && now - times.front() >= window_) times.pop_front();
    it = times.empty() && it->first != address ? failures_.erase(it) : std::next(it);
  }
  auto& times = failures_[address];
  times.push_back(now);
  constexpr size_t kFree = 3;
  if (times.size() <= kFree) return std::chrono::milliseconds(0);
  const size_t doublings = std::min<size_t>(times.size() - kFree - 1, 16);
  return std::min(cap_, base_ * (int64_t(1) << doublings));
}

void LoginThrottle::Succeeded(const std::string& address) {
  std::lock_guard lock(mutex_);
  failures_.erase(address);
}

}  // namespace velmora::console
