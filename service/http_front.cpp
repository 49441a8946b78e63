#include "http_front.h"

#include <signal.h>
#include <sys/resource.h>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <atomic>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "address_slots.h"

namespace velmora::service {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using asio::awaitable;
using Clock = std::chrono::steady_clock;

// Every awaited operation hands back its error instead of throwing it.
constexpr auto kAwait = asio::as_tuple(asio::use_awaitable);

constexpr size_t kHeaderLimit = 16 * 1024;
constexpr size_t kReadChunk = 4096;
// Files the process needs besides its connections: the database, the log, the listener.
constexpr size_t kReservedFiles = 64;
// A refusal is written, and what the client still sends is drained (so that closing does not
// reset the connection under the refusal before it is read), for at most this long.
constexpr std::chrono::seconds kLastWordTime{2};
constexpr size_t kDrainLimit = 256 * 1024;
// After a failed accept (no file left, say), the loop rests before it tries again.
constexpr std::chrono::milliseconds kAcceptPause{100};
// What a stop leaves answers under way beyond the request deadlines.
constexpr std::chrono::seconds kStopGrace{5};

// Raises the soft limit on open files to the hard one; the limit in force.
size_t RaiseFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
  if (limit.rlim_cur < limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return size_t(limit.rlim_cur);
}

bool IsHttpError(const beast::error_code& ec) {
  return &ec.category() == &http::make_error_code(http::error::bad_version).category();
}

// The client a trusted proxy forwarded `request` for: the last address of its last
// X-Forwarded-For (what the proxy itself appended; earlier ones are the client's own claims), or
// `proxy` when there is none that reads as an address.
std::string ForwardedFor(const http::request<http::string_body>& request, const std::string& proxy) {
  std::string_view last;
  for (const auto& field : request) {
    if (beast::iequals(field.name_string(), "X-Forwarded-For")) last = field.value();
  }
  if (const size_t comma = last.rfind(','); comma != std::string_view::npos) last.remove_prefix(comma + 1);
  const std::string address = NormalizedAddress(std::string(beast::string_view(last.data(), last.size())));
  return address.empty() ? proxy : address;
}

}  // namespace

class ClientConnection;

struct HttpFront::Impl {
  explicit Impl(FrontLimits l) : limits(l), slots(l.max_per_address) {
    const size_t files = RaiseFileLimit();
    max_connections = std::min(l.max_connections, files > kReservedFiles ? files - kReservedFiles : 1);
  }

  awaitable<void> Accept();
  void Admit(tcp::socket socket);
  void Stop();
  void Forget(ClientConnection* connection);
  void Log(const std::string& line) const {
    if (log) log(line);
  }

  // What the connections use is declared before the loop: the loop goes first, and with it any
  // connection it still holds.
  FrontLimits limits;
  std::unordered_map<std::string, HttpHandler> routes;  // "METHOD /path"
  std::function<void(const std::string&)> log;
  AddressSlots slots;
  size_t max_connections = 0;
  std::unordered_set<ClientConnection*> connections;  // the loop's thread only
  std::atomic<size_t> open{0};
  bool stopping = false;
  Clock::time_point last_accept_failure_logged{};

  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  asio::steady_timer stop_timer{io};
};

// One client connection, served request after request by one coroutine on the loop.
class ClientConnection : public std::enable_shared_from_this<ClientConnection> {
 public:
  ClientConnection(HttpFront::Impl& front, tcp::socket socket, AddressSlots::Slot slot, std::string address,
                   bool from_proxy)
      : front_(front),
        socket_(std::move(socket)),
        deadline_(socket_.get_executor()),
        slot_(std::move(slot)),
        address_(std::move(address)),
        from_proxy_(from_proxy) {}

  // The connection's whole life: requests while the client keeps to the limits, then the close.
  awaitable<void> Run();
  // A stop has come: a connection waiting between requests ends now; one under way finishes.
  void StopIfIdle() {
    beast::error_code ignored;
    if (idle_) socket_.cancel(ignored);
  }

 private:
  enum class Next { kServe, kClose, kCloseDrained };

  awaitable<bool> AwaitRequest();
  awaitable<Next> ServeRequest();
  awaitable<Next> ReadFailed(const beast::error_code& ec);
  awaitable<HttpReply> Dispatch(HttpRequest request);
  awaitable<bool> Send(http::response<http::string_body>& response, std::chrono::seconds silence);
  awaitable<Next> Refuse(http::status status);
  awaitable<void> Close(bool drain);
  // Operations under way on the socket end (aborted) once `limit` has passed, and TimedOut() then
  // says so; the connection itself stays usable for a last word.
  void SetDeadline(std::chrono::steady_clock::duration limit);
  void ClearDeadline();
  bool TimedOut(const beast::error_code& ec) const { return timed_out_ && ec == asio::error::operation_aborted; }

  HttpFront::Impl& front_;
  tcp::socket socket_;
  asio::steady_timer deadline_;
  unsigned deadline_generation_ = 0;
  bool timed_out_ = false;
  beast::flat_buffer buffer_;
  AddressSlots::Slot slot_;
  std::string address_;
  const bool from_proxy_;  // a trusted load balancer: each request names its client
  bool idle_ = false;
};

awaitable<void> ClientConnection::Run() {
  // No co_await inside a condition with && or ||: GCC 12 evaluates it even when the condition is
  // already decided.
  Next next = Next::kServe;
  while (next == Next::kServe) {
    const bool request_coming = co_await AwaitRequest();
    if (!request_coming) break;
    next = co_await ServeRequest();
  }
  co_await Close(next == Next::kCloseDrained);
}

// Waits for the first byte of the next request (unless it is already here); false when the
// connection ended, stayed silent for the idle time, or the server is stopping.
awaitable<bool> ClientConnection::AwaitRequest() {
  if (buffer_.size() > 0) co_return true;
  if (front_.stopping) co_return false;
  // An idle connection holds no buffer: it waits until there is something to read, then reads.
  buffer_.shrink_to_fit();
  idle_ = true;
  SetDeadline(front_.limits.idle_time);
  auto [waited] = co_await socket_.async_wait(tcp::socket::wait_read, kAwait);
  ClearDeadline();
  idle_ = false;
  if (waited) co_return false;
  beast::error_code ec;
  const size_t n = socket_.read_some(buffer_.prepare(kReadChunk), ec);
  if (ec) co_return false;  // the client's close is what made it readable
  buffer_.commit(n);
  co_return true;
}

// Reads one request within its deadlines, has it answered and sends the answer.
awaitable<ClientConnection::Next> ClientConnection::ServeRequest() {
  http::request_parser<http::string_body> parser;
  parser.header_limit(kHeaderLimit);
  parser.body_limit(front_.limits.max_body);
  SetDeadline(front_.limits.header_time);
  if (auto [ec, n] = co_await http::async_read_header(socket_, buffer_, parser, kAwait); ec) {
    co_return co_await ReadFailed(ec);
  }
  const auto declared = parser.content_length();
  if (declared && *declared > front_.limits.max_body) co_return co_await Refuse(http::status::payload_too_large);
  if (beast::iequals(parser.get()[http::field::expect], "100-continue") && !parser.is_done()) {
    http::response<http::string_body> proceed{http::status::continue_, parser.get().version()};
    if (!co_await Send(proceed, front_.limits.send_silence)) co_return Next::kClose;
  }
  SetDeadline(front_.limits.body_time);
  if (auto [ec, n] = co_await http::async_read(socket_, buffer_, parser, kAwait); ec) {
    co_return co_await ReadFailed(ec);
  }
  ClearDeadline();

  http::request<http::string_body> request = parser.release();
  const std::string_view target = request.target();
  HttpRequest handed{std::string(request.method_string()), std::string(target.substr(0, target.find('?'))),
                     std::move(request.body()), from_proxy_ ? ForwardedFor(request, address_) : address_};
  const HttpReply reply = co_await Dispatch(std::move(handed));
  http::response<http::string_body> response{http::int_to_status(unsigned(reply.status)), request.version()};
  response.set(http::field::content_type, reply.content_type);
  // Answers carry account data and are never the same twice: nothing on the way or in the
  // client's HTTP stack should keep them on disk.
  response.set(http::field::cache_control, "no-store");
  response.body() = reply.body;
  response.keep_alive(request.keep_alive() && !front_.stopping);
  response.prepare_payload();
  if (!co_await Send(response, front_.limits.send_silence)) co_return Next::kClose;
  co_return response.keep_alive() ? Next::kServe : Next::kClose;
}

// A request that could not be read: past its deadline (408), too large (413), not HTTP (400),
// or the client went away (nothing to say).
awaitable<ClientConnection::Next> ClientConnection::ReadFailed(const beast::error_code& ec) {
  if (TimedOut(ec)) co_return co_await Refuse(http::status::request_timeout);
  if (ec == http::error::body_limit) {
    front_.Log(address_ + " body over " + std::to_string(front_.limits.max_body) + " bytes: refused");
    co_return co_await Refuse(http::status::payload_too_large);
  }
  if (ec == http::error::header_limit) co_return co_await Refuse(http::status::request_header_fields_too_large);
  if (ec != http::error::end_of_stream && ec != http::error::partial_message && IsHttpError(ec)) {
    co_return co_await Refuse(http::status::bad_request);
  }
  co_return Next::kClose;
}

// The route's answer, awaited without holding the loop: the handler may respond from any thread.
awaitable<HttpReply> ClientConnection::Dispatch(HttpRequest request) {
  const auto route = front_.routes.find(request.method + " " + request.path);
  if (route == front_.routes.end()) co_return HttpReply{404, "text/plain", "not found\n"};
  const HttpHandler& handler = route->second;
  co_return co_await asio::async_initiate<decltype(asio::use_awaitable), void(HttpReply)>(
      [&handler](auto completion, HttpRequest r) {
        auto executor = asio::get_associated_executor(completion);
        auto shared = std::make_shared<decltype(completion)>(std::move(completion));
        handler(std::move(r), [executor, shared](HttpReply reply) {
          asio::post(executor, [shared, reply = std::move(reply)]() mutable { (*shared)(std::move(reply)); });
        });
      },
      asio::use_awaitable, std::move(request));
}

// Sends a response piece by piece; the client may leave it unread for `silence` at a time.
awaitable<bool> ClientConnection::Send(http::response<http::string_body>& response, std::chrono::seconds silence) {
  http::response_serializer<http::string_body> serializer{response};
  while (!serializer.is_done()) {
    SetDeadline(silence);
    auto [ec, n] = co_await http::async_write_some(socket_, serializer, kAwait);
    ClearDeadline();
    if (ec) co_return false;
  }
  co_return true;
}

// Answers `status` and has the connection closed: whatever the client still sends would be taken
// for the next request.
awaitable<ClientConnection::Next> ClientConnection::Refuse(http::status status) {
  http::response<http::string_body> response{status, 11};
  response.keep_alive(false);  // the status says it all: no body
  response.prepare_payload();
  co_await Send(response, kLastWordTime);
  co_return Next::kCloseDrained;
}

// Ends the connection; with `drain`, first reads (and drops) what the client still sends, for a
// short while, so that the last answer is not reset away before the client has read it.
awaitable<void> ClientConnection::Close(bool drain) {
  ClearDeadline();  // its wait holds the connection, and with it the address's slot
  beast::error_code ignored;
  socket_.shutdown(tcp::socket::shutdown_send, ignored);
  if (drain) {
    SetDeadline(kLastWordTime);
    char sink[kReadChunk];
    for (size_t drained = 0; drained < kDrainLimit;) {
      auto [ec, n] = co_await socket_.async_read_some(asio::buffer(sink), kAwait);
      if (ec) break;
      drained += n;
    }
    ClearDeadline();
  }
  socket_.close(ignored);
}

void ClientConnection::SetDeadline(std::chrono::steady_clock::duration limit) {
  timed_out_ = false;
  deadline_.expires_after(limit);
  // A wait that expired just before it was replaced may still be queued: the generation tells.
  deadline_.async_wait([self = shared_from_this(), generation = ++deadline_generation_](const beast::error_code& ec) {
    if (ec || generation != self->deadline_generation_) return;
    self->timed_out_ = true;
    beast::error_code ignored;
    self->socket_.cancel(ignored);
  });
}

void ClientConnection::ClearDeadline() {
  ++deadline_generation_;
  deadline_.cancel();
}

awaitable<void> HttpFront::Impl::Accept() {
  asio::steady_timer pause(io);
  while (!stopping) {
    auto [ec, socket] = co_await acceptor.async_accept(kAwait);
    if (stopping || ec == asio::error::operation_aborted) co_return;
    if (!ec) {
      Admit(std::move(socket));
      continue;
    }
    // Out of files or memory: the connections already served go on; new ones wait in the queue.
    if (Clock::now() - last_accept_failure_logged > std::chrono::seconds(1)) {
      Log("accept failed: " + ec.message() + "; new connections wait");
      last_accept_failure_logged = Clock::now();
    }
    pause.expires_after(kAcceptPause);
    co_await pause.async_wait(kAwait);
  }
}

void HttpFront::Impl::Admit(tcp::socket socket) {
  beast::error_code ec;
  const tcp::endpoint peer = socket.remote_endpoint(ec);
  if (ec) return;  // gone already
  std::string address = peer.address().to_string();
  if (open.load() >= max_connections) {
    Log(address + " over " + std::to_string(max_connections) + " open connections in all: closed");
    return;
  }
  const bool from_proxy = std::find(limits.trusted_proxies.begin(), limits.trusted_proxies.end(), address) !=
                          limits.trusted_proxies.end();
  AddressSlots::Slot slot = from_proxy ? slots.Take(address, max_connections) : slots.Take(address);
  if (!slot.held()) {
    Log(address + " over " + std::to_string(slots.per_address()) + " open connections from one address: closed");
    return;
  }
  // Headers and body go out in one piece or several: none may wait for a delayed acknowledgement.
  socket.set_option(tcp::no_delay(true), ec);
  auto connection =
      std::make_shared<ClientConnection>(*this, std::move(socket), std::move(slot), std::move(address), from_proxy);
  connections.insert(connection.get());
  ++open;
  asio::co_spawn(
      io, [this, connection]() -> awaitable<void> {
        co_await connection->Run();
        Forget(connection.get());
      },
      asio::detached);
}

void HttpFront::Impl::Forget(ClientConnection* connection) {
  connections.erase(connection);
  --open;
  if (stopping && connections.empty()) io.stop();
}

void HttpFront::Impl::Stop() {
  if (stopping) return;
  stopping = true;
  beast::error_code ignored;
  acceptor.close(ignored);
  for (ClientConnection* connection : connections) connection->StopIfIdle();
  if (connections.empty()) {
    io.stop();
    return;
  }
  stop_timer.expires_after(limits.header_time + limits.body_time + kStopGrace);
  stop_timer.async_wait([this](const beast::error_code&) { io.stop(); });
}

HttpFront::HttpFront(FrontLimits limits) : impl_(std::make_unique<Impl>(limits)) {}

HttpFront::~HttpFront() = default;

void HttpFront::Route(const std::string& method, const std::string& path, HttpHandler handler) {
  impl_->routes[method + " " + path] = std::move(handler);
}

void HttpFront::set_log(std::function<void(const std::string&)> log) { impl_->log = std::move(log); }

int HttpFront::Bind(const std::string& host, int port) {
  beast::error_code ec;
  tcp::resolver resolver(impl_->io);
  const auto found = resolver.resolve(host, std::to_string(port), tcp::resolver::passive, ec);
  if (ec || found.empty()) return -1;
  const tcp::endpoint endpoint = found.begin()->endpoint();
  tcp::acceptor& acceptor = impl_->acceptor;
  acceptor.open(endpoint.protocol(), ec);
  if (!ec) acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor.bind(endpoint, ec);
  // Clients whose kept-alive connection ended come back at once: a short queue would drop them.
  if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    acceptor.close(ec);
    return -1;
  }
  return acceptor.local_endpoint().port();
}

bool HttpFront::ServeUntilSignalled(const std::function<void(int)>& on_signal) {
  ::signal(SIGPIPE, SIG_IGN);
  Impl& impl = *impl_;
  asio::signal_set signals(impl.io, SIGTERM, SIGINT);
  signals.async_wait([&impl, &on_signal](const beast::error_code& ec, int signal_number) {
    if (ec) return;
    if (on_signal) on_signal(signal_number);
    impl.Stop();
  });
  bool served = true;
  asio::co_spawn(impl.io, impl.Accept(), [&served](std::exception_ptr failure) {
    if (failure) served = false;
  });
  try {
    impl.io.run();
  } catch (const std::exception& failure) {
    impl.Log(std::string("serving failed: ") + failure.what());
    served = false;
  }
  return served;
}

size_t HttpFront::max_connections() const { return impl_->max_connections; }

size_t HttpFront::open_connections() const { return impl_->open.load(); }

std::string NormalizedAddress(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  beast::error_code ec;
  const asio::ip::address address = asio::ip::make_address(text.substr(first, last - first + 1), ec);
  return ec ? std::string() : address.to_string();
}

}  // namespace velmora::service
