// A browser's part for the console tests: requests over a raw socket (or TLS), the session
// cookie and the CSRF token taken from the pages, and the gateway's console port from its log.
#pragma once
#include <openssl/ssl.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "raw_connection.h"

namespace velmora::service::testing {

// `text` as a form value (every byte but letters and digits %-escaped).
inline std::string FormEncoded(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      out.push_back(char(c));
    } else {
      out += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return out;
}

// A response header's value ("" when absent); names compared as written.
inline std::string Header(const std::string& response, const std::string& name) {
  const size_t head_end = response.find("\r\n\r\n");
  const size_t at = response.find("\r\n" + name + ": ");
  if (at == std::string::npos || at > head_end) return "";
  const size_t start = at + 4 + name.size();
  return response.substr(start, response.find("\r\n", start) - start);
}

// The port in the gateway log's "console on http(s)://HOST:PORT/" line, or 0.
inline int ConsolePort(const std::string& log) {
  const size_t at = log.find("console on ");
  if (at == std::string::npos) return 0;
  const size_t slash = log.find('/', log.find("://", at) + 3);
  const size_t colon = log.rfind(':', slash);
  return std::stoi(log.substr(colon + 1, slash - colon - 1));
}

inline std::string Request(const std::string& method, const std::string& target, const std::string& cookie,
                           const std::string& body = "") {
  std::string request = method + " " + target + " HTTP/1.1\r\nHost: console\r\nConnection: close\r\n";
  if (!cookie.empty()) request += "Cookie: " + cookie + "\r\n";
  if (method == "POST") {
    request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\n";
  }
  return request + "\r\n" + body;
}

// One request on a new plain connection; the whole response, or "" when none came.
inline std::string Exchange(int port, const std::string& request) {
  RawConnection connection(port, "127.0.0.1");
  if (!connection.connected() || !connection.Send(request)) return "";
  return connection.ReadResponse(std::chrono::seconds(20));
}

// The same over TLS (the certificate is not checked: the tests make their own).
inline std::string TlsExchange(int port, const std::string& request) {
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  RawConnection connection(port, "127.0.0.1");
  std::string response;
  SSL* ssl = SSL_new(ctx);
  if (connection.connected() && SSL_set_fd(ssl, connection.fd()) == 1 && SSL_connect(ssl) == 1 &&
      SSL_write(ssl, request.data(), int(request.size())) == int(request.size())) {
    char buffer[4096];
    for (int n; (n = SSL_read(ssl, buffer, sizeof buffer)) > 0;) response.append(buffer, size_t(n));
  }
  SSL_free(ssl);
  SSL_CTX_free(ctx);
  return response;
}

// A signed-in operator: the cookie and the token its forms carry.
struct ConsoleSession {
  int port = 0;
  std::string cookie, csrf;

  std::string Get(const std::string& target) const { return Exchange(port, Request("GET", target, cookie)); }
  // `fields` already encoded ("a=1&b=2"); the session's token is added unless `with_csrf` is false.
  std::string Post(const std::string& target, const std::string& fields, bool with_csrf = true) const {
    std::string body = fields;
    if (with_csrf) body += (body.empty() ? "" : "&") + std::string("csrf=") + csrf;
    return Exchange(port, Request("POST", target, cookie, body));
  }
};

// The sign-in form posted as a browser posts it: the sign-in page first (its form's token and the
// cookie that pairs with it), then the form with both. `exchange` sends one request, plain or TLS.
template <typename Exchanger>
std::string PostLoginForm(const Exchanger& exchange, const std::string& name, const std::string& password) {
  const std::string page = exchange(Request("GET", "/login", ""));
  const std::string set = Header(page, "Set-Cookie");
  const std::string marker = "name=\"csrf\" value=\"";
  const size_t at = page.find(marker);
  const std::string token = at == std::string::npos ? "" : page.substr(at + marker.size(), 64);
  return exchange(Request("POST", "/login", set.substr(0, set.find(';')),
                          "csrf=" + token + "&name=" + FormEncoded(name) + "&password=" + FormEncoded(password)));
}
inline std::string PostLogin(int port, const std::string& name, const std::string& password) {
  return PostLoginForm([port](const std::string& request) { return Exchange(port, request); }, name, password);
}

// Signs in as `name`; a session with an empty cookie when that failed.
inline ConsoleSession SignIn(int port, const std::string& name, const std::string& password) {
  ConsoleSession session;
  session.port = port;
  const std::string response = PostLogin(port, name, password);
  const std::string set = Header(response, "Set-Cookie");
  session.cookie = set.substr(0, set.find(';'));
  if (session.cookie.empty()) return session;
  const std::string page = session.Get("/");
  const std::string marker = "name=\"csrf\" value=\"";
  const size_t at = page.find(marker);
  if (at != std::string::npos) session.csrf = page.substr(at + marker.size(), 64);
  return session;
}

}  // namespace velmora::service::testing
