// One form-encoded HTTP POST to an absolute address, returning the response body as bytes.
// Every failure is the empty text; every exchange ends within the transport time-out.
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

// The bound on one whole exchange (connecting, sending and receiving); 30 s unless changed.
void SetTransportTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds TransportTimeout();

// The headers the default mode sends, in order; the language header's name is spelled as the
// service's peers have always received it.
std::vector<std::pair<std::string, std::string>> DefaultModeHeaders(const std::string& address);

// The progress-reporting mode's header block: Accept, Referer, Accept-Language, and for a
// non-empty body Content-Type (unless `extra` names one) and Content-Length.
std::string ProgressModeHeaders(const std::string& address, std::string_view body, std::string_view extra = {});

}  // namespace velmora
