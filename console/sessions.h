// Who is signed in to the console, and how fast an address may keep guessing passwords.
// Both live in the gateway's memory: a restart signs every operator out.
#pragma once
#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace velmora::console {

using Clock = std::chrono::steady_clock;

// 32 random bytes (libsodium's randombytes) as 64 hex digits.
std::string RandomToken();

// True when `a` and `b` are equal, in time that does not depend on where they differ.
bool SameToken(const std::string& a, const std::string& b);

struct Session {
  std::string operator_name;
  std::string csrf;  // the token every state-changing form of this session carries
};

// Sessions by their cookie's id; one unused for `idle_limit` is gone.
class SessionStore {
 public:
  explicit SessionStore(Clock::duration idle_limit = std::chrono::minutes(30)) : idle_limit_(idle_limit) {}

  // A new session for `operator_name`; its id (for the cookie).
  std::string Create(const std::string& operator_name, Clock::time_point now = Clock::now());
  // The session `id` names, if it is still alive; its idle time starts again.
  std::optional<Session> Touch(const std::string& id, Clock::time_point now = Clock::now());
  void Remove(const std::string& id);
  size_t size() const;

 private:
  struct Entry {
    Session session;
    Clock::time_point last_seen;
  };
  void DropExpired(Clock::time_point now);  // under mutex_

  const Clock::duration idle_limit_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Entry> sessions_;
};

// Failed sign-ins per client address within a window (10 minutes): after the third, each
// failure's answer waits, twice as long as the one before, from `base` up to `cap`. A success
// clears the address's count. The same rule whether the name or the password was wrong.
class LoginThrottle {
 public:
  LoginThrottle(Clock::duration window = std::chrono::minutes(10),
                std::chrono::milliseconds base = std::chrono::milliseconds(500),
                std::chrono::milliseconds cap = std::chrono::seconds(8))
      : window_(window), base_(base), cap_(cap) {}

  // Records a failure from `address`; how long its answer waits.
  std::chrono::milliseconds Failed(const std::string& address, Clock::time_point now = Clock::now());
  void Succeeded(const std::string& address);

 private:
  const Clock::duration window_;
  const std::chrono::milliseconds base_, cap_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::deque<Clock::time_point>> failures_;
};

}  // namespace velmora::console
