#include "http_server.h"

#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace velmora::service {

void ConfigureServer(httplib::Server& server, int threads, size_t max_body) {
  server.new_task_queue = [threads] { return new httplib::ThreadPool(size_t(threads)); };
  server.set_payload_max_length(max_body);
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
