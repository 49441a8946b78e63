// The handshake, the request body, answer acceptance and the integrity check, against a
// scripted service that speaks the wire format.
#include <gtest/gtest.h>

#include <map>

#include "gateway/gateway_client.h"
#include "gateway/result_rows.h"
#include "gateway/text.h"

namespace velmora {

// The address as held in memory, changed behind its seal.
struct GatewayClientTamper {
  static std::string& Address(GatewayClient& client) { return client.address_; }
};

namespace {

const WireKey kKey = *WireKey::FromDigits("58304172");

DateTime At(int h, int mi, int s) { return *DateTime::FromCivil({2026, 12, 9, h, mi, s}); }

// Decodes form fields and answers like the service would, with a clock the test controls.
struct FakeService {
  std::string handshake_answer;      // decoded text to answer operation 3 with
  std::string payload = "ok";        // for the other operations
  int64_t answer_clock_offset = 0;   // seconds between the service's clock and the handshake's
  DateTime clock = At(14, 3, 5);
  std::vector<std::map<std::string, std::string>> requests;  // decoded form fields
  std::optional<std::string> raw_answer;  // when set, sent as it is

  std::string Post(const std::string& body) {
    std::map<std::string, std::string> fields;
    for (std::string_view pair : SplitOnCharBoundary(body, "&")) {
      const size_t eq = pair.find('=');
      fields[std::string(pair.substr(0, eq))] = DecodeWire(pair.substr(eq + 1), kKey);
    }
    requests.push_back(fields);
    if (raw_answer) return *raw_answer;
    if (fields["p"] == "3") return EncodeWire(handshake_answer, kKey);
    return EncodeWire(ServerClockText(clock.PlusSeconds(answer_clock_offset), false) +
                          std::string(kAnswerMarker) + payload,
                      kKey);
  }
};

class GatewayClientTest : public ::testing::Test {
 protected:
  FakeService service;
  uint64_t ticks = 1'000'000;
  GatewayClient client{GatewayPlatform{
      [this](const std::string& address, const std::string& body) {
        last_address = address;
        return service.Post(body);
      },
      [this] { return ticks; }, [] { return std::string("0123456789ABCDEF"); }, nullptr}};
  std::string last_address;

  void Connect() {
    service.handshake_answer = "2026-12-09 14:03:05" + std::string(kAnswerMarker) + "10.0.0.7";
    ASSERT_TRUE(client.Connect("http://srv/talvenor.asp", "58304172"));
  }
};

TEST_F(GatewayClientTest, HandshakeSendsTheMachineIdentifierAndFixesClockAndAddress) {
  Connect();
  ASSERT_EQ(service.requests.size(), 1u);
  EXPECT_EQ(service.requests[0]["p"], "3");
  EXPECT_EQ(service.requests[0]["f"], "0123456789ABCDEF");
  EXPECT_EQ(last_address, "http://srv/talvenor.asp");
  EXPECT_EQ(client.ClientAddress(), "10.0.0.7");
  EXPECT_EQ(client.ServerNow(), At(14, 3, 5));
  ticks += 1999;  // whole seconds only, truncated
  EXPECT_EQ(client.ServerNow(), At(14, 3, 6));
}

TEST_F(GatewayClientTest, HandshakeAnswers) {
  const std::string M(kAnswerMarker);
  struct Case {
    std::string answer;
    bool ok;
    std::string address;
  } cases[] = {
      {"2026-12-09 14:03:05", true, ""},  // no marker: the address stays empty
      {"2026-12-09 下午 2:03:05" + M + "1.2.3.4", true, "1.2.3.4"},
      {"2026-12-09 14:03:05" + M, true, ""},
      {"", false, ""},
      {"1", false, ""},
      {"11", false, ""},
      {"12", false, ""},
      {"2026-12-09 14:03:05" + M + "a" + M + "b", false, ""},
      {"not a time" + M + "1.2.3.4", false, ""},
      {"100-01-01 00:00:00", false, ""},  // the empty date is no time
  };
  for (const auto& c : cases) {
    service.handshake_answer = c.answer;
    EXPECT_EQ(client.Connect("http://srv/talvenor.asp", "58304172"), c.ok) << c.answer;
    EXPECT_EQ(client.ClientAddress(), c.address);
    EXPECT_EQ(client.Connected(), c.ok);
  }
}

TEST_F(GatewayClientTest, NothingIsSentBeforeAHandshakeSucceeded) {
  EXPECT_EQ(client.Query("select 1"), "");
  EXPECT_TRUE(service.requests.empty());
  service.handshake_answer = "11";
  EXPECT_FALSE(client.Connect("http://srv/talvenor.asp", "58304172"));
  EXPECT_EQ(client.Check("select 1"), "");
  EXPECT_EQ(service.requests.size(), 1u);
}

TEST_F(GatewayClientTest, RequestCarriesOperationAndStampedStatement) {
  Connect();
  ticks += 62'500;
  service.payload = "6";
  EXPECT_EQ(client.Execute("update account set 在线=0"), "6");
  EXPECT_EQ(client.Query("select 1"), "6");
  EXPECT_EQ(client.Check("select 1"), "6");
  ASSERT_EQ(service.requests.size(), 4u);
  EXPECT_EQ(service.requests[1]["p"], "1");
  EXPECT_EQ(service.requests[1]["post"], "14:04:07{[good-lark]}update account set 在线=0");
  EXPECT_EQ(service.requests[2]["p"], "2");
  EXPECT_EQ(service.requests[3]["p"], "4");
}

TEST_F(GatewayClientTest, AnswersAreAcceptedOnlyWithin90SecondsOfServerNow) {
  Connect();
  const std::pair<int64_t, bool> cases[] = {{0, true},   {89, true},   {-89, true},
                                            {90, false}, {-90, false}, {3600, false}};
  for (const auto& [offset, accepted] : cases) {
    service.answer_clock_offset = offset;
    EXPECT_EQ(client.Query("select 1"), accepted ? "ok" : "") << offset;
  }
}

TEST_F(GatewayClientTest, MalformedAnswersReadAsNoAnswer) {
  Connect();
  const std::string M(kAnswerMarker);
  const std::string cases[] = {
      "",
      "0067zz00",                                                              // not hexadecimal
      EncodeWire("no marker at all", kKey),
      EncodeWire("2026-12-09 14:03:05" + M + "a" + M + "b", kKey),            // marker twice
      EncodeWire("garbage" + M + "ok", kKey),
      EncodeWire("2026-12-09 14:03:05" + M, kKey),                            // nothing after it
  };
  for (const auto& raw : cases) {
    service.raw_answer = raw;
    EXPECT_EQ(client.Query("select 1"), "") << raw;
  }
}

TEST_F(GatewayClientTest, TamperedStateStopsEveryExchangeBeforeItIsSent) {
  Connect();
  EXPECT_TRUE(client.IntegrityHolds());
  GatewayClientTamper::Address(client) = "http://elsewhere/talvenor.asp";
  EXPECT_FALSE(client.IntegrityHolds());
  const size_t before = service.requests.size();
  EXPECT_EQ(client.Query("select 1"), "");
  EXPECT_EQ(service.requests.size(), before);
}

// The machine slept two hours: the tick count stood still while the service's clock went on.
// Answers all come from "another time" until the client handshakes again.
class AfterSleep : public GatewayClientTest {
 protected:
  void SetUp() override {
    Connect();
    service.clock = service.clock.PlusSeconds(7200);
    service.handshake_answer = "2026-12-09 16:03:05" + std::string(kAnswerMarker) + "10.0.0.8";
    service.requests.clear();
  }
  std::string Ops() const {
    std::string ops;
    for (const auto& r : service.requests) ops += r.at("p");
    return ops;
  }
};

TEST_F(AfterSleep, StaleAnswersInARowBringANewHandshakeAndAReadIsAskedAgainAtOnce) {
  EXPECT_EQ(client.Query("select 1"), "");
  EXPECT_EQ(client.Check("select 1"), "");
  EXPECT_EQ(client.Query("select 1"), "ok");  // the third stale one: handshake, asked again
  EXPECT_EQ(Ops(), "24232");
  EXPECT_EQ(client.ServerNow(), At(16, 3, 5));
  EXPECT_EQ(client.ClientAddress(), "10.0.0.7");  // the session's address stays
  EXPECT_EQ(client.Query("select 1"), "ok");
}

TEST_F(AfterSleep, AWriteIsNeverSentTwice) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(client.Execute("update t set a=1"), "");
  EXPECT_EQ(Ops(), "1113");
  EXPECT_EQ(client.Execute("update t set a=1"), "ok");
}

TEST_F(AfterSleep, OnlyStaleAnswersCountAndAResyncAskedForComesFirst) {
  EXPECT_EQ(client.Query("select 1"), "");
  EXPECT_EQ(client.Query("select 1"), "");
  service.raw_answer = "garbage";  // no answer, but not one from another time
  EXPECT_EQ(client.Query("select 1"), "");
  service.raw_answer.reset();
  EXPECT_EQ(client.Query("select 1"), "");
  EXPECT_EQ(Ops(), "2222");

  service.requests.clear();
  client.RequestResync();  // the machine resumed
  EXPECT_EQ(client.Query("select 1"), "ok");
  EXPECT_EQ(Ops(), "32");

  // A handshake that fails leaves the clock, and is tried again before the next exchange.
  service.requests.clear();
  service.clock = service.clock.PlusSeconds(3600);
  service.handshake_answer = "11";
  client.RequestResync();
  EXPECT_EQ(client.Query("select 1"), "");
  service.handshake_answer = "2026-12-09 17:03:05";
  EXPECT_EQ(client.Query("select 1"), "ok");
  EXPECT_EQ(Ops(), "3232");
}

TEST(AcceptAnswer, TwelveHourStampsAndBoundaries) {
  const std::string M(kAnswerMarker);
  const DateTime now = At(14, 3, 5);
  EXPECT_EQ(AcceptAnswer("2026-12-09 下午 2:03:05" + M + "p", now), "p");
  EXPECT_EQ(AcceptAnswer("2026-12-09 上午 2:03:05" + M + "p", now), std::nullopt);
  EXPECT_EQ(AcceptAnswer("2026-12-09 14:04:34" + M + "p", now), "p");  // 89 s ahead
  EXPECT_EQ(AcceptAnswer("2026-12-09 14:04:35" + M + "p", now), std::nullopt);
  EXPECT_EQ(StampedStatement(At(9, 5, 7), "select 1"), "09:05:07{[good-lark]}select 1");
}

}  // namespace
}  // namespace velmora
