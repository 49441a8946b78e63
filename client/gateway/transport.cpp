#include "gateway/transport.h"

#include <algorithm>
#include <atomic>
#include <cctype>

namespace velmora {
namespace {
std::atomic<int64_t> g_silence_ms{TransportLimits{}.silence.count()};
std::atomic<int64_t> g_whole_ms{TransportLimits{}.whole.count()};

bool ContainsNoCase(std::string_view text, std::string_view what) {
  if (what.size() > text.size()) return false;
  for (size_t i = 0; i + what.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < what.size() && std::tolower(static_cast<unsigned char>(text[i + j])) ==
                                  std::tolower(static_cast<unsigned char>(what[j]))) {
      ++j;
    }
    if (j == what.size()) return true;
  }
  return false;
}
}  // namespace

void SetTransportLimits(const TransportLimits& limits) {
  g_silence_ms = std::max<int64_t>(limits.silence.count(), 0);
  g_whole_ms = std::max<int64_t>(limits.whole.count(), 0);
}

TransportLimits CurrentTransportLimits() {
  return {std::chrono::milliseconds(g_silence_ms.load()), std::chrono::milliseconds(g_whole_ms.load())};
}

ExchangeClock::ExchangeClock(uint64_t now, const TransportLimits& limits)
    : heard_(now),
      silence_(uint64_t(std::max<int64_t>(limits.silence.count(), 0))),
      end_(now + uint64_t(std::max<int64_t>(limits.whole.count(), 0))) {}

uint64_t ExchangeClock::Deadline() const { return std::min(heard_ + silence_, end_); }

std::vector<std::pair<std::string, std::string>> DefaultModeHeaders(const std::string& address) {
  return {{"Accept", "*/*"},
          {"Referer", address},
          {"Accept-Languge", "zh-CN"},
          {"User-Agent", kUserAgent},
          {"Content-Type", kFormContentType}};
}

std::string ProgressModeHeaders(const std::string& address, std::string_view body, std::string_view extra) {
  std::string block = "Accept: */*\r\nReferer: " + address + "\r\nAccept-Language: zh-CN\r\n";
  block.append(extra);
  if (!body.empty()) {
    if (!ContainsNoCase(block, "Content-Type: ")) {
      block += "Content-Type: ";
      block += kFormContentType;
      block += "\r\n";
    }
    block += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  }
  return block;
}

}  // namespace velmora
