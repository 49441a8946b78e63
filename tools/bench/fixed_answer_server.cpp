// The load benchmark's baseline: the same HTTP server as velmora-gateway (cpp-httplib, the same
// thread pool and connection settings) answering POST /talvenor.asp with a fixed text of a poll
// answer's size. What the gateway adds on top of this is its own cost per request.
//   velmora-fixed-answer-server --listen HOST:PORT [--threads N] [--size BYTES]
#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

struct Options {
  std::string host = "127.0.0.1";
  int port = 0;
  int threads = 8;  // the gateway's default
  int size = 180;   // a count answer is about 180 wire digits
};

int Usage(const std::string& message) {
  std::fprintf(stderr, "velmora-fixed-answer-server: %s\n", message.c_str());
  std::fprintf(stderr, "usage: velmora-fixed-answer-server --listen HOST:PORT [--threads N] [--size BYTES]\n");
  return 2;
}

bool ParseNumber(const std::string& text, int low, int high, int& value) {
  if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::stoi(text);
  return value >= low && value <= high;
}

int ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return Usage("missing value after " + a);
    const std::string v = argv[++i];
    if (a == "--listen") {
      const size_t colon = v.rfind(':');
      if (colon == std::string::npos || !ParseNumber(v.substr(colon + 1), 0, 65535, o.port)) {
        return Usage("--listen takes HOST:PORT");
      }
      o.host = v.substr(0, colon);
    } else if (a == "--threads") {
      if (!ParseNumber(v, 1, 256, o.threads)) return Usage("--threads takes 1 to 256");
    } else if (a == "--size") {
      if (!ParseNumber(v, 1, 1 << 20, o.size)) return Usage("--size takes 1 to 1048576");
    } else {
      return Usage("unknown option " + a);
    }
  }
  return 0;
}

// Upper-case hexadecimal digits, as a wire answer is made of.
std::string FixedAnswer(int size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(size_t(size), '0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = kDigits[(i * 7 + 3) % 16];
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int rc = ParseArgs(argc, argv, options); rc != 0) return rc;
  const std::string answer = FixedAnswer(options.size);

  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  httplib::Server server;
  const int threads = options.threads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(size_t(threads)); };
  server.set_payload_max_length(1 << 20);
  server.set_read_timeout(10, 0);
  server.set_write_timeout(10, 0);
  server.set_keep_alive_timeout(5);
  server.set_tcp_nodelay(true);  // as the gateway: no Nagle wait between headers and body
  server.Post("/talvenor.asp", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(answer, "text/html; charset=gb2312");
  });

  // The library listens with a backlog of 5. Clients whose kept-alive connection the server has
  // closed (it does after a few requests) come back at once, and a burst of them overflows so
  // short a queue: each dropped handshake costs that client a second or more. The listening
  // socket is noted when it is made and given the system's backlog once bound.
  socket_t listener = INVALID_SOCKET;
  server.set_socket_options([&listener](socket_t sock) {
    httplib::default_socket_options(sock);
    listener = sock;
  });

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.host);
  } else if (!server.bind_to_port(options.host, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::fprintf(stderr, "velmora-fixed-answer-server: cannot listen on %s:%d\n", options.host.c_str(),
                 options.port);
    return 1;
  }
  if (::listen(listener, SOMAXCONN) != 0) {
    std::fprintf(stderr, "velmora-fixed-answer-server: cannot lengthen the listen queue\n");
  }

  std::thread stopper([&] {
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    server.stop();
  });
  std::printf("listening on http://%s:%d/talvenor.asp\n", options.host.c_str(), port);
  std::fflush(stdout);
  const bool served = server.listen_after_bind();
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return served ? 0 : 1;
}
