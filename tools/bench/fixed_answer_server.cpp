// The load benchmarks' baseline: the same HTTP front as velmora-gateway (the same event loop,
// limits and statement pool hop) answering POST /talvenor.asp with a fixed text of a poll
// answer's size. What the gateway adds on top of this is its own cost per request.
//   velmora-fixed-answer-server --listen HOST:PORT [--threads N] [--size BYTES]
#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

#include "http_front.h"
#include "work_pool.h"

namespace {

struct Options {
  std::string host = "127.0.0.1";
  int port = 0;
  int threads = int(std::max(1u, std::thread::hardware_concurrency()));  // the gateway's default
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

  // The gateway's own front; every benchmark connection comes from one address, and idle ones
  // stay as long as the benchmark holds them.
  velmora::service::FrontLimits limits;
  limits.max_per_address = limits.max_connections;
  limits.idle_time = std::chrono::seconds(600);
  velmora::service::HttpFront front(limits);
  velmora::service::WorkPool pool(size_t(options.threads));
  front.Route("POST", "/talvenor.asp", [&](velmora::service::HttpRequest&&, velmora::service::Respond respond) {
    pool.Post([&answer, respond = std::move(respond)] {
      respond(velmora::service::HttpReply{200, "text/html; charset=gb2312", answer});
    });
  });
  front.Route("GET", "/healthz", [](velmora::service::HttpRequest&&, velmora::service::Respond respond) {
    respond(velmora::service::HttpReply{200, "text/plain", "ok\n"});
  });
  const int port = front.Bind(options.host, options.port);
  if (port <= 0) {
    std::fprintf(stderr, "velmora-fixed-answer-server: cannot listen on %s:%d\n", options.host.c_str(),
                 options.port);
    return 1;
  }
  std::printf("listening on http://%s:%d/talvenor.asp\n", options.host.c_str(), port);
  std::fflush(stdout);
  const bool served = front.ServeUntilSignalled(nullptr);
  pool.Join();
  return served ? 0 : 1;
}
