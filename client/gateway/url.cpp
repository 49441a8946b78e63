#include "gateway/url.h"

#include "gateway/text.h"

namespace velmora {
namespace {

constexpr std::string_view kScheme = "http://";

// Where the host part starts: after "http://" (matched as written), else at the beginning.
size_t HostStart(std::string_view address) {
  const size_t scheme = address.find(kScheme);
  return scheme == std::string_view::npos ? 0 : scheme + kScheme.size();
}

}  // namespace

std::string UrlHost(std::string_view address, bool keep_port) {
  const size_t start = HostStart(address);
  const size_t slash = address.find('/', start);
  std::string host(address.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
  if (!keep_port) {
    const size_t colon = host.find(':');
    if (colon != std::string::npos) host.resize(colon);
  }
  for (size_t i = 0; i < host.size(); i += CharLengthAt(host, i)) {
    if (host[i] >= 'A' && host[i] <= 'Z') host[i] = char(host[i] - 'A' + 'a');
  }
  return host;
}

int UrlPort(std::string_view address) {
  const std::string host = UrlHost(address, true);
  const size_t colon = host.find(':');
  if (colon == std::string::npos) return 80;
  const int64_t port = LeadingNumber(std::string_view(host).substr(colon + 1));
  return port > 65535 ? 0 : int(port);
}

std::string UrlPath(std::string_view address) {
  // The "/" is searched from where the host starts, so a host that also occurs inside the
  // scheme ("http://h/") cannot pick the scheme's slashes as the path.
  const size_t slash = address.find('/', HostStart(address));
  return slash == std::string_view::npos ? std::string("/") : std::string(address.substr(slash));
}

}  // namespace velmora
