// Slow, oversized and numerous senders against the real velmora-gateway: none of them may keep a
// legitimate client waiting. Clients come from distinct loopback addresses (127.0.0.x) since the
// gateway caps the connections of one address.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "database.h"
#include "gateway_process.h"
#include "raw_connection.h"
#include "service_support.h"

namespace velmora::service {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::GatewayProcess;
using testing::RawConnection;
using testing::Status;
using testing::TempDatabase;

constexpr char kHealth[] = "GET /healthz HTTP/1.1\r\nHost: velmora\r\n\r\n";
// A request whose headers never end while bytes keep coming.
constexpr char kEndlessHeaders[] = "GET /healthz HTTP/1.1\r\nHost: velmora\r\nX-Slow: ";
// A request whose promised body never comes whole while bytes keep coming.
constexpr char kEndlessBody[] = "POST /talvenor.asp HTTP/1.1\r\nHost: velmora\r\nContent-Length: 100\r\n\r\n";

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }


// Sends one byte every 200 ms on each connection until the server answers or closes it, or the
// trickle is destroyed; never longer than 30 s.
class Trickle {
 public:
  explicit Trickle(std::vector<RawConnection*> connections)
      : thread_([this, connections = std::move(connections)]() mutable {
          for (int round = 0; round < 150 && !stop_; ++round) {
            for (RawConnection*& c : connections) {
              if (c != nullptr && (c->Readable() || !c->Send("a"))) c = nullptr;
            }
            std::this_thread::sleep_for(200ms);
          }
        }) {}
  ~Trickle() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class SlowSenders : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& options) {
    std::string error;
    ASSERT_TRUE(OpenDatabase(file_.path(), OpenMode::kCreateIfMissing, error)) << error;
    gateway_ = std::make_unique<GatewayProcess>(file_.path(), options);
    const std::string& address = gateway_->address();  // http://127.0.0.1:PORT/talvenor.asp
    const size_t colon = address.rfind(':');
    ASSERT_NE(colon, std::string::npos) << gateway_->Log();
    port_ = std::stoi(address.substr(colon + 1));
  }
  std::unique_ptr<RawConnection> Connect(const char* from) {
    auto connection = std::make_unique<RawConnection>(port_, from);
    EXPECT_TRUE(connection->connected()) << from;
    return connection;
  }
  // A health check from a new connection from `from`, answered "ok" within `limit`.
  void ExpectHealthy(const char* from, Clock::duration limit) {
    const auto start = Clock::now();
    auto client = Connect(from);
    ASSERT_TRUE(client->Send(kHealth));
    const std::string response = client->ReadResponse(limit + 5s);
    EXPECT_EQ(Status(response), "HTTP/1.1 200 OK") << gateway_->Log();
    EXPECT_LT(Clock::now() - start, limit) << Seconds(Clock::now() - start) << " s";
  }

  TempDatabase file_;
  std::unique_ptr<GatewayProcess> gateway_;
  int port_ = 0;
};

TEST_F(SlowSenders, TricklersFromOneAddressLeaveRoomForOthers) {
  Start({"--threads", "64"});
  std::vector<std::unique_ptr<RawConnection>> tricklers;
  std::vector<RawConnection*> trickled;
  for (int i = 0; i < 64; ++i) {
    tricklers.push_back(Connect("127.0.0.1"));
    ASSERT_TRUE(tricklers.back()->Send(kEndlessHeaders));
    trickled.push_back(tricklers.back().get());
  }
  const Trickle trickle(trickled);
  ExpectHealthy("127.0.0.2", 1s);
}

TEST_F(SlowSenders, DeadlinesCutOffHeaderAndBodyTricklers) {
  Start({"--threads", "2"});
  auto headers = Connect("127.0.0.3");
  auto body = Connect("127.0.0.4");
  ASSERT_TRUE(headers->Send(kEndlessHeaders));
  ASSERT_TRUE(body->Send(kEndlessBody));
  const Trickle trickle({headers.get(), body.get()});
  // Were they holding the two statement threads, the check would wait for their deadline.
  ExpectHealthy("127.0.0.2", 1s);
  // Trickling all the while, each is cut off at its deadline, 5 s after its first byte.
  for (RawConnection* trickler : {headers.get(), body.get()}) {
    std::string received;
    EXPECT_TRUE(trickler->ReadUntilClosed(8s, received));
    EXPECT_EQ(Status(received), "HTTP/1.1 408 Request Timeout");
  }
}

TEST_F(SlowSenders, OversizedBodyIsRefusedAtOnceAndTheConnectionClosed) {
  struct Case {
    const char* name;
    std::string request;
    const char* logged;  // what the log must say, if anything
  };
  // One chunk of 1 MiB + 1 bytes, all sent, so that the gateway leaves nothing unread behind it.
  const std::string chunked_over =
      "POST /talvenor.asp HTTP/1.1\r\nHost: velmora\r\nTransfer-Encoding: chunked\r\n\r\n100001\r\n" +
      std::string(0x100001, '7');
  const Case cases[] = {
      {"declared", "POST /talvenor.asp HTTP/1.1\r\nHost: velmora\r\nContent-Length: 1000000000000\r\n\r\n", nullptr},
      {"declared, waiting for 100-continue",
       "POST /talvenor.asp HTTP/1.1\r\nHost: velmora\r\nContent-Length: 1000000000000\r\nExpect: 100-continue\r\n\r\n",
       nullptr},
      {"chunked, over while read", chunked_over, "body over 1048576 bytes"},
  };
  Start({});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto start = Clock::now();
    auto client = Connect("127.0.0.2");
    ASSERT_TRUE(client->Send(c.request));
    std::string received;
    EXPECT_TRUE(client->ReadUntilClosed(3s, received));
    EXPECT_LT(Clock::now() - start, 2s) << Seconds(Clock::now() - start) << " s";
    EXPECT_EQ(Status(received), "HTTP/1.1 413 Payload Too Large");
    EXPECT_NE(received.find("Connection: close"), std::string::npos) << received;
    if (c.logged) {
      EXPECT_NE(gateway_->Log().find(c.logged), std::string::npos) << gateway_->Log();
    }
  }
}

TEST_F(SlowSenders, ConnectionsOverTheLimitOfOneAddressAreClosedAtOnce) {
  Start({"--threads", "8", "--max-per-address", "2"});
  // Two connections from one address, surely taken in (each is answered), then kept busy with the
  // start of another request for the header deadline.
  auto first = Connect("127.0.0.5");
  auto second = Connect("127.0.0.5");
  for (RawConnection* held : {first.get(), second.get()}) {
    ASSERT_TRUE(held->Send(kHealth));
    ASSERT_EQ(Status(held->ReadResponse(5s)), "HTTP/1.1 200 OK");
    ASSERT_TRUE(held->Send(kEndlessHeaders));
  }

  const auto start = Clock::now();
  auto third = Connect("127.0.0.5");
  third->Send(kHealth);
  std::string received;
  EXPECT_TRUE(third->ReadUntilClosed(3s, received));
  EXPECT_EQ(received, "");
  EXPECT_LT(Clock::now() - start, 1s) << Seconds(Clock::now() - start) << " s";
  ExpectHealthy("127.0.0.6", 1s);
  const std::string log = gateway_->Log();
  const std::string refusal = "127.0.0.5 over 2 open connections from one address: closed";
  const size_t at = log.find(refusal);
  EXPECT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find(refusal, at + 1), std::string::npos) << log;

  // A connection that ends gives its place back.
  first.reset();
  std::string answer;
  for (int attempt = 0; attempt < 40 && answer.empty(); ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(50ms);
    auto again = Connect("127.0.0.5");
    again->Send(kHealth);
    answer = again->ReadResponse(1s);
  }
  EXPECT_EQ(Status(answer), "HTTP/1.1 200 OK") << gateway_->Log();
}

TEST_F(SlowSenders, KeptAliveConnectionServesRequestAfterRequest) {
  Start({});
  for (const bool pipelined : {false, true}) {
    SCOPED_TRACE(pipelined ? "pipelined" : "one after the other");
    auto client = Connect("127.0.0.2");
    if (pipelined) {
      ASSERT_TRUE(client->Send(std::string(kHealth) + kHealth));
    }
    for (int i = 0; i < 2; ++i) {
      if (!pipelined) {
        ASSERT_TRUE(client->Send(kHealth));
      }
      const std::string response = client->ReadResponse(5s);
      EXPECT_EQ(Status(response), "HTTP/1.1 200 OK");
      EXPECT_EQ(response.find("Connection: close"), std::string::npos) << response;
      EXPECT_NE(response.find("\r\n\r\nok\n"), std::string::npos) << response;
    }
  }
}

TEST_F(SlowSenders, ATrustedProxyCarriesManyClientsAndNamesEach) {
  Start({"--trusted-proxy", "127.0.0.5", "--max-per-address", "1"});
  // The proxy's connections are not capped per address; anyone else's still are.
  std::vector<std::unique_ptr<RawConnection>> proxied;
  for (int i = 0; i < 3; ++i) {
    proxied.push_back(Connect("127.0.0.5"));
    ASSERT_TRUE(proxied.back()->Send(kHealth));
    EXPECT_EQ(Status(proxied.back()->ReadResponse(5s)), "HTTP/1.1 200 OK") << i << gateway_->Log();
  }
  auto direct = Connect("127.0.0.2");
  ASSERT_TRUE(direct->Send(kHealth));
  EXPECT_EQ(Status(direct->ReadResponse(5s)), "HTTP/1.1 200 OK");
  auto second = Connect("127.0.0.2");
  second->Send(kHealth);
  EXPECT_EQ(second->ReadResponse(2s), "") << "a second connection from one address was served";

  // A request is from the address the proxy appended last; a header from anyone else, or one
  // that names no address, counts for nothing.
  const struct {
    const char* from;
    const char* headers;
    const char* logged;
  } cases[] = {
      {"127.0.0.5", "X-Forwarded-For: 198.51.100.1\r\nX-Forwarded-For: 6.6.6.6, 203.0.113.7\r\n", "203.0.113.7"},
      {"127.0.0.5", "X-Forwarded-For: 2001:db8::5\r\n", "2001:db8::5"},
      {"127.0.0.5", "X-Forwarded-For: unknown\r\n", "127.0.0.5"},
      {"127.0.0.3", "X-Forwarded-For: 203.0.113.9\r\n", "127.0.0.3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers);
    auto client = Connect(c.from);
    ASSERT_TRUE(client->Send(std::string("POST /talvenor.asp HTTP/1.1\r\nHost: velmora\r\n") + c.headers +
                             "Content-Length: 3\r\n\r\na=1"));
    EXPECT_EQ(Status(client->ReadResponse(5s)), "HTTP/1.1 200 OK");
    const std::string log = gateway_->Log();
    const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    EXPECT_NE(last.find(std::string(" ") + c.logged + " "), std::string::npos) << last;
  }
}

TEST_F(SlowSenders, AnswersAreNeverStoredInACache) {
  // Answers carry account data; a client's HTTP stack must not keep them on disk.
  Start({});
  auto client = Connect("127.0.0.2");
  ASSERT_TRUE(client->Send("POST /talvenor.asp HTTP/1.1\r\nHost: velmora\r\nContent-Length: 3\r\n\r\na=1"));
  const std::string response = client->ReadResponse(5s);
  EXPECT_EQ(Status(response), "HTTP/1.1 200 OK");
  EXPECT_NE(response.find("\r\nCache-Control: no-store\r\n"), std::string::npos) << response;
}

TEST_F(SlowSenders, StopWaitsForASlowSenderNoLongerThanItsDeadline) {
  Start({"--threads", "2"});
  auto trickler = Connect("127.0.0.3");
  ASSERT_TRUE(trickler->Send(kHealth));  // answered, so surely taken in
  ASSERT_EQ(Status(trickler->ReadResponse(5s)), "HTTP/1.1 200 OK");
  ASSERT_TRUE(trickler->Send(kEndlessHeaders));
  const Trickle trickle({trickler.get()});
  // Stopped at once, the gateway could still find the connection idle between requests, which
  // ends at a stop; after a few trickled bytes it is surely reading the second request's headers.
  std::this_thread::sleep_for(500ms);
  const auto start = Clock::now();
  EXPECT_EQ(gateway_->Stop(SIGTERM), 0);
  EXPECT_LT(Clock::now() - start, 10s) << Seconds(Clock::now() - start) << " s";
}

}  // namespace
}  // namespace velmora::service
