// One form-encoded HTTP POST to an absolute address, returning the response body as bytes.
// Every failure is the empty text; every exchange ends within the transport's limits.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
inline constexpr char kFormContentType[] = "application/x-www-form-urlencoded";

// Receives (expected length, bytes received so far); the expected length is 0 when unknown.
using ProgressObserver = std::function<void(int64_t expected, int64_t received)>;

// Without an observer the scriptable request object is used (on Windows), with one the direct
// progress-reporting mode.
std::string PostForm(const std::string& address, const std::string& body,
                     const ProgressObserver& observer = nullptr);

// When an exchange is given up. A large answer on a slow link may take minutes and is still
// worth having, so what ends an exchange is silence: no sign of the other side for `silence`
// (no byte, or for the request object, which reports nothing finer, no change of its state).
// `whole` is the ceiling on one whole exchange, however lively, so that a server trickling
// without end cannot hold a worker for good.
struct TransportLimits {
  std::chrono::milliseconds silence{30000};
  std::chrono::milliseconds whole{std::chrono::minutes(5)};
};
// For every exchange started afterwards, on any thread.
void SetTransportLimits(const TransportLimits& limits);
TransportLimits CurrentTransportLimits();

// The two deadlines of one exchange, on the TickCountMs() clock.
class ExchangeClock {
 public:
  ExchangeClock(uint64_t now, const TransportLimits& limits = CurrentTransportLimits());
  // The other side showed life at `now`: the silence starts again.
  void Heard(uint64_t now) { heard_ = now; }
  // The earlier of the end of the allowed silence and the end of the whole exchange.
  uint64_t Deadline() const;
  bool Expired(uint64_t now) const { return now >= Deadline(); }
  // Milliseconds left before Deadline(), at least 0.
  uint64_t Left(uint64_t now) const { return Expired(now) ? 0 : Deadline() - now; }
  // Milliseconds left before the ceiling on the whole exchange, at least 0, whatever was heard.
  uint64_t WholeLeft(uint64_t now) const { return now >= end_ ? 0 : end_ - now; }

 private:
  uint64_t heard_;
  uint64_t silence_;
  uint64_t end_;
};

// The headers the default mode sends, in order; the language header's name is spelled as the
// service's peers have always received it.
std::vector<std::pair<std::string, std::string>> DefaultModeHeaders(const std::string& address);

// The progress-reporting mode's header block: Accept, Referer, Accept-Language, and for a
// non-empty body Content-Type (unless `extra` names one) and Content-Length.
std::string ProgressModeHeaders(const std::string& address, std::string_view body, std::string_view extra = {});

}  // namespace velmora
