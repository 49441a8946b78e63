// Addresses, the response reader, and the socket transport against a local server.
#include <gtest/gtest.h>

#include "gateway/http_response.h"
#include "gateway/platform.h"
#include "gateway/transport.h"
#include "gateway/url.h"
#include "http_test_server.h"

namespace velmora {
namespace {

using testing::HttpTestServer;
using testing::RecordedRequest;
using testing::Reply;

TEST(Url, SplitsHostPortAndPath) {
  struct Case {
    const char* address;
    const char* host;
    const char* host_port;
    int port;
    const char* path;
  } cases[] = {
      {"http://Srv.Local:8080/gw/talvenor.asp", "srv.local", "srv.local:8080", 8080, "/gw/talvenor.asp"},
      {"http://srv/talvenor.asp?a=1", "srv", "srv", 80, "/talvenor.asp?a=1"},
      {"http://srv:81", "srv", "srv:81", 81, "/"},
      {"http://srv", "srv", "srv", 80, "/"},
      {"srv:81/x", "srv", "srv:81", 81, "/x"},
      {"http://h/x", "h", "h", 80, "/x"},  // a host that also occurs in the scheme
      {"http://127.0.0.1:99999/", "127.0.0.1", "127.0.0.1:99999", 0, "/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UrlHost(c.address, false), c.host) << c.address;
    EXPECT_EQ(UrlHost(c.address, true), c.host_port) << c.address;
    EXPECT_EQ(UrlPort(c.address), c.port) << c.address;
    EXPECT_EQ(UrlPath(c.address), c.path) << c.address;
  }
}

TEST(ProgressModeHeaders, ContentHeadersOnlyWithABody) {
  EXPECT_EQ(ProgressModeHeaders("http://s/a", ""), "Accept: */*\r\nReferer: http://s/a\r\nAccept-Language: zh-CN\r\n");
  EXPECT_EQ(ProgressModeHeaders("http://s/a", "p=1"),
            "Accept: */*\r\nReferer: http://s/a\r\nAccept-Language: zh-CN\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n");
  EXPECT_EQ(ProgressModeHeaders("http://s/a", "p=1", "content-type: text/plain\r\n"),
            "Accept: */*\r\nReferer: http://s/a\r\nAccept-Language: zh-CN\r\ncontent-type: text/plain\r\n"
            "Content-Length: 3\r\n");
}

TEST(HttpResponseReader, FramingsArrivingInPieces) {
  using State = HttpResponseReader::State;
  struct Case {
    std::string response;
    bool at_close;
    State state;
    std::string body;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, State::kDone, "hello"},
      {"HTTP/1.1 200 OK\r\ncontent-length:0\r\n\r\n", false, State::kDone, ""},
      {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil close", true, State::kDone, "until close"},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\nA;x=1\r\n0123456789\r\n0\r\n\r\n", false,
       State::kDone, "abc0123456789"},
      {"HTTP/1.1 500 Oops\r\nContent-Length: 2\r\n\r\nno", false, State::kDone, "no"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nshort", true, State::kBad, "short"},
      {"HTTP/1.1 200 OK\r\nContent-Length: x\r\n\r\n", false, State::kBad, ""},
      {"SSH-2.0\r\n\r\n", false, State::kBad, ""},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, State::kBad, ""},
  };
  for (const auto& c : cases) {
    HttpResponseReader reader;
    for (char ch : c.response) reader.Feed(std::string_view(&ch, 1));  // the worst split there is
    if (c.at_close) reader.FinishAtClose();
    EXPECT_EQ(reader.state(), c.state) << c.response;
    if (c.state == State::kDone) {
      EXPECT_EQ(reader.body(), c.body) << c.response;
    }
  }
}

class SocketTransport : public ::testing::Test {
 protected:
  void SetUp() override { SetTransportLimits({std::chrono::milliseconds(2000), std::chrono::minutes(1)}); }
  void TearDown() override { SetTransportLimits({}); }
};

TEST_F(SocketTransport, SendsTheRequestIdentityAndReturnsTheRawBody) {
  const std::string gbk_body = "\xC9\xCF\xCE\xE7\x00\xFF" "abc";
  HttpTestServer server([&](const RecordedRequest&) { return Reply{gbk_body}; });
  const std::string address = server.BaseUrl() + "/gw/talvenor.asp";
  EXPECT_EQ(PostForm(address, "p=0034&post=00AB"), gbk_body);
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const RecordedRequest& r = requests[0];
  EXPECT_EQ(r.request_line, "POST /gw/talvenor.asp HTTP/1.1");
  EXPECT_EQ(r.body, "p=0034&post=00AB");
  EXPECT_EQ(r.Header("Accept"), "*/*");
  EXPECT_EQ(r.Header("Referer"), address);
  EXPECT_EQ(r.Header("Accept-Languge"), "zh-CN");
  EXPECT_EQ(r.Header("User-Agent"), kUserAgent);
  EXPECT_EQ(r.Header("Content-Type"), kFormContentType);
  EXPECT_EQ(r.Header("Content-Length"), "16");
}

TEST_F(SocketTransport, AnswerFramings) {
  const std::string long_body(100000, 'x');
  const Reply replies[] = {
      {"", Reply::Framing::kContentLength},
      {long_body, Reply::Framing::kClose},
      {long_body, Reply::Framing::kChunked},
      {"error page", Reply::Framing::kContentLength, 500},  // the status is not the transport's business
  };
  for (const Reply& reply : replies) {
    HttpTestServer server([&](const RecordedRequest&) { return reply; });
    EXPECT_EQ(PostForm(server.BaseUrl() + "/talvenor.asp", "p=1"), reply.body);
  }
}

TEST_F(SocketTransport, ProgressObserverSeesExpectedAndReceivedBytes) {
  const std::string body(5000, 'y');
  for (auto framing : {Reply::Framing::kContentLength, Reply::Framing::kClose}) {
    HttpTestServer server([&](const RecordedRequest&) { return Reply{body, framing}; });
    int64_t expected = -1, received = -1;
    const auto result = PostForm(server.BaseUrl() + "/", "p=1", [&](int64_t e, int64_t r) {
      expected = e;
      received = r;
    });
    EXPECT_EQ(result, body);
    EXPECT_EQ(received, 5000);
    EXPECT_EQ(expected, framing == Reply::Framing::kClose ? 0 : 5000);
  }
}

TEST_F(SocketTransport, FailuresAreEmptyAndBounded) {
  SetTransportLimits({std::chrono::milliseconds(400), std::chrono::minutes(1)});
  HttpTestServer silent([](const RecordedRequest&) { return Reply{"", Reply::Framing::kNever}; });
  const uint64_t start = TickCountMs();
  EXPECT_EQ(PostForm(silent.BaseUrl() + "/", "p=1"), "");
  const uint64_t took = TickCountMs() - start;
  EXPECT_GE(took, 350u);
  EXPECT_LT(took, 5000u);  // bounded, not hung: generous for a loaded machine

  EXPECT_EQ(PostForm("http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/", "p=1"), "");
  EXPECT_EQ(PostForm("http://no-such-host.invalid/", "p=1"), "");
  EXPECT_EQ(PostForm("http://127.0.0.1:0/", "p=1"), "");
}

TEST(ExchangeClock, SilenceRestartsOnEachSignOfLifeUntilTheCeiling) {
  const TransportLimits limits{std::chrono::milliseconds(1000), std::chrono::milliseconds(5000)};
  ExchangeClock clock(100, limits);
  struct Step {
    uint64_t heard;  // 0: nothing heard at this step
    uint64_t now;
    uint64_t deadline;
    bool expired;
    uint64_t left;
  } steps[] = {
      {0, 100, 1100, false, 1000},
      {0, 1100, 1100, true, 0},       // silent for the whole allowed silence
      {900, 1500, 1900, false, 400},  // heard before it ran out: a new silence from then
      {4800, 5000, 5100, false, 100}, // the ceiling comes before the silence's end
      {5050, 5100, 5100, true, 0},    // however lively, the ceiling ends it
  };
  for (const Step& step : steps) {
    if (step.heard) clock.Heard(step.heard);
    SCOPED_TRACE(step.now);
    EXPECT_EQ(clock.Deadline(), step.deadline);
    EXPECT_EQ(clock.Expired(step.now), step.expired);
    EXPECT_EQ(clock.Left(step.now), step.left);
  }
  EXPECT_EQ(clock.WholeLeft(4000), 1100u);
  EXPECT_EQ(clock.WholeLeft(6000), 0u);
}

// A slow link: the answer takes longer than the allowed silence but never stops for that long.
TEST_F(SocketTransport, SilenceIsLimitedNotTheWholeExchange) {
  using std::chrono::milliseconds;
  SetTransportLimits({milliseconds(600), milliseconds(2500)});
  std::string body(30000, 'z');
  body[0] = '\xC9';
  HttpTestServer trickled([&](const RecordedRequest&) { return Reply{body, Reply::Framing::kTrickled, 200, milliseconds(200)}; });
  EXPECT_EQ(PostForm(trickled.BaseUrl() + "/", "p=1"), body);  // ~2 s in all, 0.2 s silences

  struct Case {
    const char* name;
    Reply reply;
    uint64_t at_least, below;
  } cases[] = {
      {"silent after the request", {"", Reply::Framing::kNever}, 550, 2400},
      {"stalled mid-body", {body, Reply::Framing::kStalled}, 550, 2400},
      {"trickling without end", {"abc", Reply::Framing::kEndless, 200, milliseconds(20)}, 2400, 8000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HttpTestServer server([&](const RecordedRequest&) { return c.reply; });
    const uint64_t start = TickCountMs();
    EXPECT_EQ(PostForm(server.BaseUrl() + "/", "p=1"), "");
    const uint64_t took = TickCountMs() - start;
    EXPECT_GE(took, c.at_least);
    EXPECT_LT(took, c.below);
  }
}

}  // namespace
}  // namespace velmora
