// velmora-fleet: a fleet of the client's connections polling the gateway page, all driven by one
// thread on one event loop, so that thousands of clients cost the machine little beside the
// server under test.
//
//   velmora-fleet --connect HOST:PORT --clients N [--seconds S] [--warmup S] [--idle M]
//                 (--expect-latest1 N --expect-config2 M [--accounts K] | --fixed) [--timeout S]
//
// Each client holds one kept-alive HTTP/1.1 connection and once a second sends the client's poll
// cycle on it, one request after the other: the count of latest1, the count of config2 and its
// account's handle (account k is "fleet%05d" with handle k; client i polls account i % K + 1).
// Client i's cycles start at phase i/N of each second; a cycle that comes round while the last
// one is still out is skipped and counted late. Every answer is checked: status 200, an answer
// the client accepts, and the payload the database holds. With --fixed (a server that answers
// every request with the same text) only the status and a non-empty body are checked.
//
// --idle M opens M further connections that send nothing, to show what idle clients cost.
// Nothing is counted during the warm-up; then for S seconds the fleet counts the cycles the
// schedule calls for, the requests answered correctly, their latency (from the start of sending
// to the whole answer read) and what went wrong, and prints one line:
//   fleet: clients=N idle=M seconds=S offered_rps=… served_rps=… p50_ms=… p99_ms=… max_ms=…
//          errors=… late=… reconnects=… idle_open=…
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/date_time.h"
#include "gateway/protocol.h"
#include "gateway/wire_codec.h"

namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using velmora::DateTime;
using velmora::WireKey;

struct Options {
  std::string host;
  std::string port;
  int clients = 0;
  int seconds = 10;
  int warmup = 1;
  int idle = 0;
  int accounts = 10000;
  int timeout = 10;  // seconds a connect or a request may take before it counts as failed
  bool fixed = false;
  std::optional<int64_t> expect_latest1;
  std::optional<int64_t> expect_config2;
};

int Usage(const std::string& message) {
  std::fprintf(stderr, "velmora-fleet: %s\n", message.c_str());
  std::fprintf(stderr,
               "usage: velmora-fleet --connect HOST:PORT --clients N [--seconds S] [--warmup S] [--idle M]\n"
               "                     (--expect-latest1 N --expect-config2 M [--accounts K] | --fixed)\n"
               "                     [--timeout S]\n");
  return 2;
}

// A whole decimal number within [low, high], or nothing.
std::optional<int64_t> ParseNumber(const std::string& text, int64_t low, int64_t high) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos) return {};
  const int64_t value = std::stoll(text);
  if (value < low || value > high) return {};
  return value;
}

// Fills `o` from the command line; 0, or the exit status after a usage message.
int ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help") return Usage("polls the gateway page with many clients");
    if (a == "--fixed") {
      o.fixed = true;
      continue;
    }
    if (i + 1 >= argc) return Usage("missing value after " + a);
    const std::string v = argv[++i];
    const auto number = [&v](int64_t low, int64_t high, int& into) {
      const auto n = ParseNumber(v, low, high);
      if (n) into = int(*n);
      return n.has_value();
    };
    if (a == "--connect") {
      const size_t colon = v.rfind(':');
      if (colon == std::string::npos || colon == 0 || !ParseNumber(v.substr(colon + 1), 1, 65535)) {
        return Usage("--connect takes HOST:PORT");
      }
      o.host = v.substr(0, colon);
      o.port = v.substr(colon + 1);
    } else if (a == "--clients") {
      if (!number(1, 100000, o.clients)) return Usage("--clients takes 1 to 100000");
    } else if (a == "--seconds") {
      if (!number(1, 3600, o.seconds)) return Usage("--seconds takes 1 to 3600");
    } else if (a == "--warmup") {
      if (!number(0, 600, o.warmup)) return Usage("--warmup takes 0 to 600");
    } else if (a == "--idle") {
      if (!number(0, 100000, o.idle)) return Usage("--idle takes 0 to 100000");
    } else if (a == "--accounts") {
      if (!number(1, 99999, o.accounts)) return Usage("--accounts takes 1 to 99999");
    } else if (a == "--timeout") {
      if (!number(1, 600, o.timeout)) return Usage("--timeout takes 1 to 600");
    } else if (a == "--expect-latest1" || a == "--expect-config2") {
      const auto n = ParseNumber(v, 0, int64_t(1) << 40);
      if (!n) return Usage(a + " takes a row count");
      (a == "--expect-latest1" ? o.expect_latest1 : o.expect_config2) = n;
    } else {
      return Usage("unknown option " + a);
    }
  }
  if (o.host.empty()) return Usage("--connect is required");
  if (o.clients == 0) return Usage("--clients is required");
  if (!o.fixed && (!o.expect_latest1 || !o.expect_config2)) {
    return Usage("--expect-latest1 and --expect-config2 are required, unless --fixed");
  }
  return 0;
}

// Lets the process open as many sockets as the hard limit allows: a fleet of ten thousand
// connections needs more than the usual soft limit of 1024.
void RaiseOpenFileLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  if (setrlimit(RLIMIT_NOFILE, &limit) != 0) std::perror("velmora-fleet: setrlimit");
}

// The local wall-clock time as a DateTime, the time the gateway stamps its answers with and checks
// request stamps against (it runs on the same machine). Worked out once per second of time():
// every request and answer of one second shares it.
class LocalClock {
 public:
  DateTime Now() {
    const std::time_t t = std::time(nullptr);
    if (t != second_) {
      std::tm local{};
      localtime_r(&t, &local);
      const auto civil = DateTime::FromCivil({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                              local.tm_min, std::min(local.tm_sec, 59)});
      now_ = civil.value_or(DateTime());
      second_ = t;
    }
    return now_;
  }

 private:
  std::time_t second_ = -1;
  DateTime now_;
};

// The poll cycle's statements, in the client's GBK: 句柄 is BE E4 B1 FA, 账号 is D5 CB BA C5.
constexpr std::string_view kCountLatest1 = "select count(*) from latest1";
constexpr std::string_view kCountConfig2 = "select count(*) from config2";
std::string HandleStatement(const std::string& account) {
  return "select \xBE\xE4\xB1\xFA from account where \xD5\xCB\xBA\xC5='" + account + "'";
}

// Result rows as the gateway writes them, in GBK: a header row of column names, then the values;
// each field ends with 々 (A1 A9) and each row with ☆ (A1 EE).
std::string OneValueRows(std::string_view column, std::string_view value) {
  std::string rows;
  rows.append(column).append("\xA1\xA9\xA1\xEE");
  rows.append(value).append("\xA1\xA9\xA1\xEE");
  return rows;
}

std::string AccountName(int k) {
  char name[16];
  std::snprintf(name, sizeof name, "fleet%05d", k);
  return name;
}

// A whole HTTP/1.1 POST of a form body to the gateway page, kept alive.
std::string HttpPost(const std::string& host_header, const std::string& body) {
  std::string request = "POST /";
  request.append(velmora::kGatewayPage).append(" HTTP/1.1\r\nHost: ").append(host_header);
  request.append("\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: ");
  request.append(std::to_string(body.size())).append("\r\n\r\n").append(body);
  return request;
}

// The request a client sends to run `sql` as a query, stamped with `now`.
std::string QueryRequest(const WireKey& key, const std::string& host_header, DateTime now, std::string_view sql) {
  const char op[] = {char(velmora::GatewayOp::kQuery), '\0'};
  const std::string body =
      "p=" + velmora::EncodeWire(op, key) + "&post=" + velmora::EncodeWire(velmora::StampedStatement(now, sql), key);
  return HttpPost(host_header, body);
}

using SharedText = std::shared_ptr<const std::string>;

// The two count requests every client sends, encoded once per stamp rather than once per client.
class CountRequests {
 public:
  CountRequests(const WireKey& key, std::string host_header) : key_(key), host_header_(std::move(host_header)) {}

  // The requests stamped `now`: the same texts as long as `now` is the same second.
  std::pair<SharedText, SharedText> For(DateTime now) {
    if (!latest1_ || now != stamp_) {
      latest1_ = std::make_shared<const std::string>(QueryRequest(key_, host_header_, now, kCountLatest1));
      config2_ = std::make_shared<const std::string>(QueryRequest(key_, host_header_, now, kCountConfig2));
      stamp_ = now;
    }
    return {latest1_, config2_};
  }

 private:
  const WireKey& key_;
  std::string host_header_;
  DateTime stamp_;
  SharedText latest1_, config2_;
};

// What a right answer is: in full mode the decoded, accepted payload equals the expected rows; in
// fixed mode any non-empty body will do.
class AnswerCheck {
 public:
  AnswerCheck(const WireKey& key, bool fixed) : key_(key), fixed_(fixed) {}

  // Whether an answer with `status` and `body`, read at `now`, is right for `expected`.
  bool IsRight(unsigned status, const std::string& body, const std::string& expected, DateTime now) const {
    if (status != 200 || body.empty()) return false;
    if (fixed_) return true;
    const auto decoded = velmora::TryDecodeWire(body, key_);
    if (!decoded) return false;
    const auto payload = velmora::AcceptAnswer(*decoded, now);
    return payload && *payload == expected;
  }

 private:
  const WireKey& key_;
  bool fixed_;
};

// What the measured window saw. Only requests of cycles the schedule started inside the window
// count, and only what happens before it ends; the warm-up counts nothing.
struct Tally {
  bool open = false;  // the window has begun: reconnects count from here
  uint64_t offered = 0;
  uint64_t served = 0;
  uint64_t errors = 0;
  uint64_t wrong_answers = 0;  // of the errors: answered, but not rightly
  uint64_t timeouts = 0;       // of the errors: requests of cycles that ran past the time-out
  uint64_t late = 0;
  uint64_t reconnects = 0;
  std::vector<uint32_t> latencies_us;  // every request answered in full, right or wrong
};

// Everything the clients share: the loop, the server, the requests, the check, the tally.
struct Fleet {
  asio::io_context& io;
  tcp::endpoint server;
  const Options& options;
  const WireKey& key;
  std::string host_header;
  LocalClock clock;
  CountRequests counts;
  AnswerCheck check;
  std::string expected_latest1, expected_config2;
  Tally tally;
};

constexpr size_t kCycleLength = 3;

// One simulated client: its connection and its poll cycle. All its work runs on the fleet's
// loop; completions of a connection it has since closed are recognised by their generation and
// dropped.
class Client {
 public:
  Client(Fleet& fleet, int index)
      : fleet_(fleet), socket_(fleet.io), account_(AccountName(index % fleet.options.accounts + 1)) {
    expected_handle_ = OneValueRows("\xBE\xE4\xB1\xFA", std::to_string(index % fleet.options.accounts + 1));
  }

  // The schedule's call: starts this second's cycle, or counts it late while the last one is out.
  void Tick(bool counted) {
    if (counted) fleet_.tally.offered += kCycleLength;
    if (busy_) {
      if (counted) ++fleet_.tally.late;
      return;
    }
    const DateTime now = fleet_.clock.Now();
    const auto [latest1, config2] = fleet_.counts.For(now);
    cycle_[0] = {latest1, &fleet_.expected_latest1};
    cycle_[1] = {config2, &fleet_.expected_config2};
    cycle_[2] = {std::make_shared<const std::string>(
                     QueryRequest(fleet_.key, fleet_.host_header, now, HandleStatement(account_))),
                 &expected_handle_};
    busy_ = true;
    counted_ = counted;
    next_ = 0;
    resent_ = false;
    Send();
  }

  // Fails the cycle when its connect or request has taken longer than the time-out.
  void ExpireIfOverdue(Clock::time_point now) {
    if (!busy_ || now < deadline_) return;
    if (counted_) fleet_.tally.timeouts += kCycleLength - next_;
    CloseConnection();
    FailCycle();
  }

 private:
  struct Poll {
    SharedText request;
    const std::string* expected = nullptr;
  };

  // Sends the cycle's next request, connecting first when there is no connection.
  void Send() {
    deadline_ = Clock::now() + std::chrono::seconds(fleet_.options.timeout);
    if (!connected_) {
      Connect();
      return;
    }
    Write();
  }

  // Opens a new connection (a reconnect, once the client has had one) and writes the request.
  void Connect() {
    CloseConnection();
    const uint64_t generation = generation_;
    socket_.async_connect(fleet_.server, [this, generation](const boost::system::error_code& ec) {
      if (generation != generation_) return;
      if (ec) {
        FailCycle();
        return;
      }
      boost::system::error_code ignored;
      socket_.set_option(tcp::no_delay(true), ignored);
      connected_ = true;
      fresh_ = true;
      if (ever_connected_ && fleet_.tally.open) ++fleet_.tally.reconnects;
      ever_connected_ = true;
      Write();
    });
  }

  // Writes the current request whole, then reads its answer.
  void Write() {
    if (!resent_) sent_at_ = Clock::now();
    buffer_.clear();
    const uint64_t generation = generation_;
    const std::string& request = *cycle_[next_].request;
    asio::async_write(socket_, asio::buffer(request),
                      [this, generation](const boost::system::error_code& ec, size_t) {
                        if (generation != generation_) return;
                        if (ec) {
                          ConnectionBroke(false);
                          return;
                        }
                        Read();
                      });
  }

  // Reads the current request's whole answer with a parser of its own.
  void Read() {
    parser_.emplace();
    parser_->body_limit(16u << 20);
    const uint64_t generation = generation_;
    http::async_read(socket_, buffer_, *parser_, [this, generation](const boost::system::error_code& ec, size_t) {
      if (generation != generation_) return;
      if (ec) {
        ConnectionBroke(parser_->got_some());
        return;
      }
      Answered();
    });
  }

  // Counts the whole answer just read and moves on to the cycle's next request.
  void Answered() {
    const auto& response = parser_->get();
    const bool keep_alive = parser_->keep_alive();
    if (counted_) {
      const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent_at_).count();
      fleet_.tally.latencies_us.push_back(uint32_t(std::min<int64_t>(us, UINT32_MAX)));
      if (fleet_.check.IsRight(response.result_int(), response.body(), *cycle_[next_].expected,
                               fleet_.clock.Now())) {
        ++fleet_.tally.served;
      } else {
        ++fleet_.tally.errors;
        ++fleet_.tally.wrong_answers;
      }
    }
    parser_.reset();
    fresh_ = false;
    resent_ = false;
    if (!keep_alive) CloseConnection();
    if (++next_ < kCycleLength) {
      Send();
    } else {
      busy_ = false;
    }
  }

  // The connection failed under the current request. A kept-alive connection the server closed
  // before a byte of the answer came is what any HTTP client retries once on a new connection;
  // anything else fails the cycle.
  void ConnectionBroke(bool answer_begun) {
    CloseConnection();
    if (!answer_begun && !fresh_ && !resent_) {
      resent_ = true;
      Send();
      return;
    }
    FailCycle();
  }

  // Ends the cycle: the request in hand and the ones not yet sent count as errors.
  void FailCycle() {
    if (counted_) fleet_.tally.errors += kCycleLength - next_;
    busy_ = false;
  }

  // Closes the connection; completions still due on it are dropped.
  void CloseConnection() {
    boost::system::error_code ignored;
    socket_.close(ignored);
    connected_ = false;
    ++generation_;
  }

  Fleet& fleet_;
  tcp::socket socket_;
  std::string account_;
  std::string expected_handle_;
  std::array<Poll, kCycleLength> cycle_;
  boost::beast::flat_buffer buffer_;
  std::optional<http::response_parser<http::string_body>> parser_;
  uint64_t generation_ = 0;
  Clock::time_point sent_at_, deadline_;
  size_t next_ = 0;
  bool busy_ = false;
  bool counted_ = false;
  bool connected_ = false;
  bool ever_connected_ = false;
  bool fresh_ = false;   // the connection has carried no answer yet
  bool resent_ = false;  // the current request is being sent a second time
};

// Connections that are made and then say nothing. They are opened a batch at a time, so that
// their handshakes do not overflow the server's listen queue; each keeps a one-byte read pending,
// which completes when the server closes it.
class IdleConnections {
 public:
  IdleConnections(asio::io_context& io, tcp::endpoint server, int count) : server_(server) {
    connections_.reserve(size_t(count));
    for (int i = 0; i < count; ++i) connections_.push_back(std::make_unique<Connection>(io));
  }

  // Starts opening the connections; each one made or refused lets the next one start.
  void Open() {
    for (int i = 0; i < kAtOnce; ++i) ConnectNext();
  }

  // How many connections were made and have not been closed by the server since.
  int StillOpen() const {
    return int(std::count_if(connections_.begin(), connections_.end(), [](const auto& c) { return c->open; }));
  }

 private:
  static constexpr int kAtOnce = 128;

  struct Connection {
    explicit Connection(asio::io_context& io) : socket(io) {}
    tcp::socket socket;
    bool open = false;
    char byte = 0;
  };

  void ConnectNext() {  // the next connection not yet tried, if any
    if (next_ >= connections_.size()) return;
    Connection& c = *connections_[next_++];
    c.socket.async_connect(server_, [this, &c](const boost::system::error_code& ec) {
      if (!ec) {
        c.open = true;
        Watch(c);
      }
      ConnectNext();
    });
  }

  // Reads on until the server closes the connection (or sends something it should not).
  void Watch(Connection& c) {
    c.socket.async_read_some(asio::buffer(&c.byte, 1), [this, &c](const boost::system::error_code& ec, size_t) {
      if (ec) {
        c.open = false;
        return;
      }
      Watch(c);
    });
  }

  tcp::endpoint server_;
  std::vector<std::unique_ptr<Connection>> connections_;
  size_t next_ = 0;
};

// Starts the clients' cycles on time: cycle k of client i is due at start + k s + i/N s, so the
// load is spread evenly over each second. Cycles due in seconds [warmup, warmup + seconds) are
// counted. When the loop falls behind, every cycle already due starts at once.
class Schedule {
 public:
  Schedule(Fleet& fleet, std::vector<std::unique_ptr<Client>>& clients)
      : fleet_(fleet), clients_(clients), timer_(fleet.io), sweep_(fleet.io), end_(fleet.io) {}

  // Starts the first cycles, the time-out sweep, and the timer that ends the run.
  void Start() {
    start_ = Clock::now();
    Fire();
    Sweep();
    end_.expires_at(start_ + std::chrono::seconds(fleet_.options.warmup + fleet_.options.seconds));
    end_.async_wait([this](const boost::system::error_code&) { fleet_.io.stop(); });
  }

 private:
  // When cycle number `cycle` (counted over all clients, in order of phase) is due.
  Clock::time_point DueAt(uint64_t cycle) const {
    const auto n = uint64_t(clients_.size());
    const auto offset = std::chrono::nanoseconds(int64_t(cycle / n) * 1'000'000'000 +
                                                 int64_t((cycle % n) * 1'000'000'000 / n));
    return start_ + std::chrono::duration_cast<Clock::duration>(offset);
  }

  // Starts every cycle that is due, then waits for the next one.
  void Fire() {
    const auto n = uint64_t(clients_.size());
    const auto first = uint64_t(fleet_.options.warmup) * n;
    const auto last = uint64_t(fleet_.options.warmup + fleet_.options.seconds) * n;
    const auto now = Clock::now();
    for (; DueAt(next_) <= now; ++next_) {
      if (next_ == first) fleet_.tally.open = true;
      clients_[next_ % n]->Tick(next_ >= first && next_ < last);
    }
    timer_.expires_at(DueAt(next_));
    timer_.async_wait([this](const boost::system::error_code& ec) {
      if (!ec) Fire();
    });
  }

  // Four times a second, fails the cycles that have waited past the time-out.
  void Sweep() {
    const auto now = Clock::now();
    for (auto& client : clients_) client->ExpireIfOverdue(now);
    sweep_.expires_after(std::chrono::milliseconds(250));
    sweep_.async_wait([this](const boost::system::error_code& ec) {
      if (!ec) Sweep();
    });
  }

  Fleet& fleet_;
  std::vector<std::unique_ptr<Client>>& clients_;
  asio::steady_timer timer_, sweep_, end_;
  Clock::time_point start_;
  uint64_t next_ = 0;
};

// The value at fraction `q` of the sorted latencies (nearest rank), in milliseconds; 0 for none.
double PercentileMs(const std::vector<uint32_t>& sorted_us, double q) {
  if (sorted_us.empty()) return 0;
  const auto rank = size_t(std::ceil(q * double(sorted_us.size())));
  return sorted_us[std::clamp<size_t>(rank, 1, sorted_us.size()) - 1] / 1000.0;
}

// The one result line, and on standard error what the errors were.
void Report(const Options& o, Tally& tally, int idle_open) {
  std::sort(tally.latencies_us.begin(), tally.latencies_us.end());
  std::printf(
      "fleet: clients=%d idle=%d seconds=%d offered_rps=%.0f served_rps=%.0f p50_ms=%.2f p99_ms=%.2f "
      "max_ms=%.2f errors=%llu late=%llu reconnects=%llu idle_open=%d\n",
      o.clients, o.idle, o.seconds, double(tally.offered) / o.seconds, double(tally.served) / o.seconds,
      PercentileMs(tally.latencies_us, 0.50), PercentileMs(tally.latencies_us, 0.99),
      PercentileMs(tally.latencies_us, 1.0), static_cast<unsigned long long>(tally.errors),
      static_cast<unsigned long long>(tally.late), static_cast<unsigned long long>(tally.reconnects), idle_open);
  if (tally.errors > 0) {
    std::fprintf(stderr, "velmora-fleet: of the errors, %llu wrong answers, %llu time-outs, %llu connection failures\n",
                 static_cast<unsigned long long>(tally.wrong_answers), static_cast<unsigned long long>(tally.timeouts),
                 static_cast<unsigned long long>(tally.errors - tally.wrong_answers - tally.timeouts));
  }
}

// The server's first address, or nothing (with a message) when the name does not resolve.
std::optional<tcp::endpoint> Resolve(asio::io_context& io, const Options& o) {
  boost::system::error_code ec;
  tcp::resolver resolver(io);
  const auto results = resolver.resolve(o.host, o.port, ec);
  if (ec || results.empty()) {
    std::fprintf(stderr, "velmora-fleet: cannot resolve %s: %s\n", o.host.c_str(), ec.message().c_str());
    return {};
  }
  return results.begin()->endpoint();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int rc = ParseArgs(argc, argv, options); rc != 0) return rc;
  RaiseOpenFileLimit();

  asio::io_context io(1);
  const auto server = Resolve(io, options);
  if (!server) return 1;
  const auto key = WireKey::FromDigits(velmora::BuiltInRequestKey());
  if (!key) return 1;
  const std::string host_header = options.host + ":" + options.port;
  Fleet fleet{io,
              *server,
              options,
              *key,
              host_header,
              LocalClock(),
              CountRequests(*key, host_header),
              AnswerCheck(*key, options.fixed),
              OneValueRows("count(*)", std::to_string(options.expect_latest1.value_or(0))),
              OneValueRows("count(*)", std::to_string(options.expect_config2.value_or(0))),
              Tally()};
  fleet.tally.latencies_us.reserve(size_t(options.clients) * kCycleLength * size_t(options.seconds));

  std::vector<std::unique_ptr<Client>> clients;
  clients.reserve(size_t(options.clients));
  for (int i = 0; i < options.clients; ++i) clients.push_back(std::make_unique<Client>(fleet, i));
  IdleConnections idle(io, *server, options.idle);
  Schedule schedule(fleet, clients);

  idle.Open();
  schedule.Start();
  io.run();

  Report(options, fleet.tally, idle.StillOpen());
  return 0;
}
