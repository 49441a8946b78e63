#include "gateway/transport.h"

#include <atomic>
#include <cctype>

namespace velmora {
namespace {
std::atomic<int64_t> g_timeout_ms{30000};

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

void SetTransportTimeout(std::chrono::milliseconds timeout) { g_timeout_ms = timeout.count(); }
std::chrono::milliseconds TransportTimeout() { return std::chrono::milliseconds(g_timeout_ms.load()); }

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
