#include "http_server.h"

#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include "deadline_stream.h"

namespace velmora::service {
namespace {

using Clock = std::chrono::steady_clock;

// The connection a pool thread is serving, for the handlers the library calls on that thread.
struct CurrentConnection {
  const DeadlineStream* stream = nullptr;
  bool* close_after_response = nullptr;
};
thread_local CurrentConnection current;

// How often an idle kept-alive connection looks whether the server is stopping.
constexpr std::chrono::milliseconds kStopCheck{200};

}  // namespace

GatewayHttpServer::GatewayHttpServer() {
  // A declared body over the limit is refused before a byte of it is read: reading (or skipping)
  // it would hold the thread for as long as the sender likes. The 100-continue answer is the
  // refusal itself, so a client that waits for it never sends the body.
  set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (!DeclaresOversizedBody(req)) return HandlerResponse::Unhandled;
    res.status = 413;
    return HandlerResponse::Handled;
  });
  set_expect_100_continue_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (!DeclaresOversizedBody(req)) return 100;
    res.status = 413;
    return 413;
  });
  // After a refused body or a read past its deadline, whatever the client still sends would be
  // taken for the next request: the answer says the connection closes, and it does.
  set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
    if (current.stream == nullptr) return;
    if (current.stream->deadline_passed()) res.status = 408;
    if (res.status != 413 && res.status != 408) return;
    *current.close_after_response = true;
    res.headers.erase("Keep-Alive");
    res.headers.erase("Connection");
    res.set_header("Connection", "close");
  });
}

GatewayHttpServer& GatewayHttpServer::set_max_connections_per_address(size_t n) {
  slots_.set_per_address(n);
  return *this;
}

GatewayHttpServer& GatewayHttpServer::set_refusal_log(std::function<void(const std::string&)> log) {
  refusal_log_ = std::move(log);
  return *this;
}

bool GatewayHttpServer::DeclaresOversizedBody(const httplib::Request& req) const {
  // The library reads a chunked body as chunked whatever its Content-Length says, and takes the
  // length as strtoull does (so an absurd one is the largest number).
  if (!req.has_header("Content-Length") || req.get_header_value("Transfer-Encoding") == "chunked") return false;
  return req.get_header_value<uint64_t>("Content-Length") > payload_max_length_;
}

bool GatewayHttpServer::AwaitRequest(const DeadlineStream& stream) const {
  const auto idle_until = Clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
  while (svr_sock_ != INVALID_SOCKET) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(idle_until - Clock::now());
    if (left.count() <= 0) return false;
    if (stream.ReadableWithin(std::min(left, kStopCheck))) return true;
  }
  return false;
}

bool GatewayHttpServer::ServeConnection(DeadlineStream& stream, bool& close_after_response) {
  bool served = false;
  for (size_t left = keep_alive_max_count_; left > 0 && AwaitRequest(stream); --left) {
    stream.set_read_deadline(Clock::now() + kHeaderTime);
    bool client_closes = false;
    // The library calls this once the headers are in and before it reads any of the body.
    const auto body_from_here = [&stream](httplib::Request&) { stream.set_read_deadline(Clock::now() + kBodyTime); };
    const bool last = left == 1 || svr_sock_ == INVALID_SOCKET;
    served = process_request(stream, last, client_closes, body_from_here);
    if (!served || client_closes || close_after_response || stream.deadline_passed()) break;
  }
  return served;
}

bool GatewayHttpServer::process_and_close_socket(socket_t sock) {
  const auto write_timeout = std::chrono::seconds(write_timeout_sec_) + std::chrono::microseconds(write_timeout_usec_);
  DeadlineStream stream(sock, std::chrono::duration_cast<std::chrono::milliseconds>(write_timeout));
  bool served = false;
  const AddressSlots::Slot slot = slots_.Take(stream.remote_ip());
  if (slot.held()) {
    bool close_after_response = false;
    current = {&stream, &close_after_response};
    served = ServeConnection(stream, close_after_response);
    current = {};
  } else if (refusal_log_) {
    refusal_log_(stream.remote_ip() + " over " + std::to_string(slots_.per_address()) +
                 " open connections from one address: closed");
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return served;
}

void ConfigureServer(httplib::Server& server, int threads, size_t max_body) {
  server.new_task_queue = [threads] { return new httplib::ThreadPool(size_t(threads)); };
  server.set_payload_max_length(max_body);
  // Per recv: a plain httplib::Server (the baseline) reads with it; GatewayHttpServer reads
  // against its deadlines for the whole headers and body instead.
  server.set_read_timeout(10, 0);
  server.set_write_timeout(10, 0);
  // Every kept-alive connection holds a pool thread while it is open: let idle ones go soon.
  server.set_keep_alive_timeout(2);
  // The library writes a response's headers and its body separately; with Nagle's algorithm the
  // body then waits for the client's delayed acknowledgement (about 40 ms) on every request.
  server.set_tcp_nodelay(true);
}

int BindServer(httplib::Server& server, const std::string& host, int port) {
  // The library listens with a backlog of 5. Clients whose kept-alive connection the server has
  // closed come back at once, and a burst of them overflows so short a queue: each dropped
  // handshake costs that client a second or more. The listening socket is noted when it is made
  // and given the system's backlog once bound.
  auto listener = std::make_shared<socket_t>(INVALID_SOCKET);
  server.set_socket_options([listener](socket_t sock) {
    httplib::default_socket_options(sock);
    *listener = sock;
  });
  const int bound = port == 0 ? server.bind_to_any_port(host) : (server.bind_to_port(host, port) ? port : -1);
  if (bound <= 0) return -1;
  if (::listen(*listener, SOMAXCONN) != 0) std::fprintf(stderr, "cannot lengthen the listen queue\n");
  return bound;
}

bool ServeUntilSignalled(httplib::Server& server, const std::function<void(int)>& on_signal) {
  // SIGTERM and SIGINT are taken by one thread that stops the server; the pool never sees them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  std::atomic<bool> stopping{false};
  std::thread stopper([&] {
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    if (!stopping && on_signal) on_signal(signal_number);
    server.stop();
  });
  const bool served = server.listen_after_bind();
  // The server may also end by itself (an accept failure): wake the stopper so it can be joined.
  stopping = true;
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return served;
}

}  // namespace velmora::service
