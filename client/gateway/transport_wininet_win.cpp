// Progress-reporting transport: WinINet directly, 512 bytes at a time, reporting each piece.
#include <windows.h>
#include <wininet.h>

#include <algorithm>

#include "gateway/platform.h"
#include "gateway/transport_win.h"
#include "gateway/url.h"

namespace velmora {
namespace {

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET h) : h_(h) {}
  ~InternetHandle() {
    if (h_) InternetCloseHandle(h_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  const HINTERNET h_;
};

// WinINet's own time-outs bound each connect, send and receive, which is the allowed silence;
// they only take effect on the request handle (set on the session, Wine ignores them).
void BoundRequest(HINTERNET request, const TransportLimits& limits) {
  DWORD ms = DWORD(std::min<int64_t>(limits.silence.count(), MAXDWORD - 1));
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(request, option, &ms, sizeof ms);
  }
}

}  // namespace

std::string PostFormWinInet(const std::string& address, const std::string& body, const ProgressObserver& observer) {
  const TransportLimits limits = CurrentTransportLimits();
  ExchangeClock clock(TickCountMs(), limits);
  // Declared in opening order, so they close request, connection, internet.
  const InternetHandle internet(InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, "", "", 0));
  if (!internet) return {};
  const std::string host = UrlHost(address, false);
  const InternetHandle connection(InternetConnectA(internet.get(), host.c_str(), INTERNET_PORT(UrlPort(address)), "",
                                                   "", INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  const std::string path = UrlPath(address);
  const InternetHandle request(HttpOpenRequestA(connection.get(), "POST", path.c_str(), "HTTP/1.1", "", nullptr,
                                                INTERNET_FLAG_RELOAD, 0));
  if (!request) return {};
  BoundRequest(request.get(), limits);

  const std::string headers = ProgressModeHeaders(address, body);
  if (!HttpSendRequestA(request.get(), headers.c_str(), DWORD(headers.size()),
                        const_cast<char*>(body.data()), DWORD(body.size()))) {
    return {};
  }

  DWORD expected = 0;
  DWORD size = sizeof expected;
  if (!HttpQueryInfoA(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &expected, &size, nullptr)) {
    expected = 0;
  }

  std::string result;
  char piece[512];
  for (;;) {
    if (!PumpPendingMessages() || clock.Expired(TickCountMs())) return {};
    DWORD read = 0;
    // A read that fails part-way (the silence ran out in it, or the connection broke) leaves a
    // truncated body, which is no answer.
    if (!InternetReadFile(request.get(), piece, sizeof piece, &read)) return {};
    if (read) clock.Heard(TickCountMs());
    result.append(piece, read);
    if (observer) observer(int64_t(expected), int64_t(result.size()));
    if (read == 0) break;
  }
  return result;
}

}  // namespace velmora
