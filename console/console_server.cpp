#include "console_server.h"

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <atomic>
#include <thread>

namespace velmora::console {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;
using asio::awaitable;

constexpr auto kAwait = asio::as_tuple(asio::use_awaitable);

// A handful of operators, each with a browser's few connections.
constexpr size_t kMaxConnections = 64;
constexpr size_t kHeaderLimit = 16 * 1024;
constexpr size_t kBodyLimit = 64 * 1024;  // the largest form is an announcement's text
constexpr std::chrono::seconds kHandshakeTime{10};
constexpr std::chrono::seconds kRequestTime{10};  // a whole request, from its first byte
constexpr std::chrono::seconds kIdleTime{60};
constexpr std::chrono::seconds kSendTime{30};

// Pages hold account data and forms: never cached, never framed, nothing loaded from elsewhere.
void SetCommonHeaders(http::response<http::string_body>& response) {
  response.set(http::field::cache_control, "no-store");
  response.set("X-Content-Type-Options", "nosniff");
  response.set("X-Frame-Options", "DENY");
  response.set("Referrer-Policy", "no-referrer");
  response.set("Content-Security-Policy",
               "default-src 'none'; style-src 'unsafe-inline'; img-src 'self'; form-action 'self'; "
               "frame-ancestors 'none'; base-uri 'none'");
}

}  // namespace

bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost") return true;
  beast::error_code ec;
  const auto address = asio::ip::make_address(host, ec);
  return !ec && address.is_loopback();
}

struct ConsoleServer::Impl {
  // What the connections use comes before the loop: the loop goes first, and with it the
  // connections it still holds.
  ConsoleHandler handler;
  std::function<void(const std::string&)> log;
  std::unique_ptr<ssl::context> tls;
  std::atomic<size_t> open{0};
  bool stopping = false;  // the loop's thread only
  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  std::thread thread;

  void Log(const std::string& line) const {
    if (log) log(line);
  }

  awaitable<void> Accept();
  template <typename Stream>
  awaitable<void> Serve(Stream stream, std::string address);
  awaitable<ConsoleReply> Dispatch(ConsoleRequest request);
};

ConsoleServer::ConsoleServer(ConsoleHandler handler, std::function<void(const std::string&)> log)
    : impl_(std::make_unique<Impl>()) {
  impl_->handler = std::move(handler);
  impl_->log = std::move(log);
}

ConsoleServer::~ConsoleServer() { Stop(); }

int ConsoleServer::Start(const std::string& host, int port, const ConsoleTls& tls, std::string& error) {
  Impl& s = *impl_;
  if (!tls.certificate_file.empty() || !tls.key_file.empty()) {
    s.tls = std::make_unique<ssl::context>(ssl::context::tls_server);
    beast::error_code ec;
    s.tls->set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                           ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1 | ssl::context::single_dh_use,
                       ec);
    if (!ec) s.tls->use_certificate_chain_file(tls.certificate_file, ec);
    if (ec) {
      error = "cannot use the console certificate " + tls.certificate_file + ": " + ec.message();
      return -1;
    }
    s.tls->use_private_key_file(tls.key_file, ssl::context::pem, ec);
    if (ec) {
      error = "cannot use the console key " + tls.key_file + ": " + ec.message();
      return -1;
    }
  }
  beast::error_code ec;
  const auto address = asio::ip::make_address(host == "localhost" ? "127.0.0.1" : host, ec);
  if (ec) {
    error = "the console's address " + host + " is not an IP address";
    return -1;
  }
  const tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
  s.acceptor.open(endpoint.protocol(), ec);
  if (!ec) s.acceptor.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) s.acceptor.bind(endpoint, ec);
  if (!ec) s.acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = "cannot listen on " + host + ":" + std::to_string(port) + " for the console: " + ec.message();
    return -1;
  }
  const int bound = s.acceptor.local_endpoint().port();
  asio::co_spawn(s.io, s.Accept(), asio::detached);
  s.thread = std::thread([&s] { s.io.run(); });
  return bound;
}

void ConsoleServer::Stop() {
  Impl& s = *impl_;
  if (!s.thread.joinable()) return;
  asio::post(s.io, [&s] {
    s.stopping = true;
    beast::error_code ignored;
    s.acceptor.close(ignored);
  });
  // Connections under way get a moment to finish; the loop then ends with what is left.
  for (int i = 0; i < 50 && s.open.load() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  s.io.stop();
  s.thread.join();
}

awaitable<void> ConsoleServer::Impl::Accept() {
  while (!stopping) {
    auto [ec, socket] = co_await acceptor.async_accept(kAwait);
    if (stopping || ec == asio::error::operation_aborted) co_return;
    if (ec) {
      asio::steady_timer pause(io, std::chrono::milliseconds(100));
      co_await pause.async_wait(kAwait);
      continue;
    }
    if (open.load() >= kMaxConnections) {
      beast::error_code ignored;
      socket.close(ignored);
      continue;
    }
    beast::error_code address_error;
    const auto remote = socket.remote_endpoint(address_error);
    std::string address = address_error ? std::string("?") : remote.address().to_string();
    if (tls) {
      asio::co_spawn(io, Serve(beast::ssl_stream<beast::tcp_stream>(beast::tcp_stream(std::move(socket)), *tls),
                               std::move(address)),
                     asio::detached);
    } else {
      asio::co_spawn(io, Serve(beast::tcp_stream(std::move(socket)), std::move(address)), asio::detached);
    }
  }
}

template <typename Stream>
awaitable<void> ConsoleServer::Impl::Serve(Stream stream, std::string address) {
  ++open;
  struct Count {
    std::atomic<size_t>& open;
    ~Count() { --open; }
  } count{open};
  constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;
  if constexpr (kTls) {
    beast::get_lowest_layer(stream).expires_after(kHandshakeTime);
    auto [ec] = co_await stream.async_handshake(ssl::stream_base::server, kAwait);
    if (ec) co_return;
  }
  beast::flat_buffer buffer;
  for (;;) {
    http::request_parser<http::string_body> parser;
    parser.header_limit(kHeaderLimit);
    parser.body_limit(kBodyLimit);
    beast::get_lowest_layer(stream).expires_after(buffer.size() ? kRequestTime : kIdleTime);
    if (auto [ec, n] = co_await http::async_read(stream, buffer, parser, kAwait); ec) {
      if (ec == http::error::body_limit || ec == http::error::header_limit) {
        http::response<http::string_body> refusal{http::status::payload_too_large, 11};
        refusal.set(http::field::content_type, "text/plain; charset=utf-8");
        refusal.body() = "请求过大\n";
        refusal.keep_alive(false);
        refusal.prepare_payload();
        beast::get_lowest_layer(stream).expires_after(kSendTime);
        co_await http::async_write(stream, refusal, kAwait);
      }
      break;
    }
    if (stopping) break;
    http::request<http::string_body> request = parser.release();
    const std::string_view target = request.target();
    const size_t mark = target.find('?');
    ConsoleRequest handed;
    handed.method = std::string(request.method_string());
    handed.path = std::string(target.substr(0, mark));
    handed.query = mark == std::string_view::npos ? std::string() : std::string(target.substr(mark + 1));
    handed.body = std::move(request.body());
    handed.cookie = std::string(request[http::field::cookie]);
    handed.content_type = std::string(request[http::field::content_type]);
    handed.remote_address = address;
    handed.tls = kTls;

    beast::get_lowest_layer(stream).expires_never();
    ConsoleReply reply = co_await Dispatch(std::move(handed));
    if (reply.delay.count() > 0) {
      asio::steady_timer wait(io, reply.delay);
      co_await wait.async_wait(kAwait);
    }
    http::response<http::string_body> response{http::int_to_status(unsigned(reply.status)), request.version()};
    response.set(http::field::content_type, reply.content_type);
    SetCommonHeaders(response);
    for (const auto& [name, value] : reply.headers) response.insert(name, value);
    response.body() = std::move(reply.body);
    response.keep_alive(request.keep_alive() && !stopping);
    response.prepare_payload();
    beast::get_lowest_layer(stream).expires_after(kSendTime);
    if (auto [ec, n] = co_await http::async_write(stream, response, kAwait); ec) break;
    if (!response.keep_alive()) break;
  }
  if constexpr (kTls) {
    beast::get_lowest_layer(stream).expires_after(std::chrono::seconds(2));
    co_await stream.async_shutdown(kAwait);
  } else {
    beast::error_code ignored;
    stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
  }
}

// The handler's answer, awaited without holding the loop: it may respond from any thread.
awaitable<ConsoleReply> ConsoleServer::Impl::Dispatch(ConsoleRequest request) {
  co_return co_await asio::async_initiate<decltype(asio::use_awaitable), void(ConsoleReply)>(
      [this](auto completion, ConsoleRequest r) {
        auto executor = asio::get_associated_executor(completion);
        auto shared = std::make_shared<decltype(completion)>(std::move(completion));
        handler(std::move(r), [executor, shared](ConsoleReply reply) {
          asio::post(executor, [shared, reply = std::move(reply)]() mutable { (*shared)(std::move(reply)); });
        });
      },
      asio::use_awaitable, std::move(request));
}

}  // namespace velmora::console
