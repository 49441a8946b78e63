// The Windows transports against a local HTTP server, and the gateway road on top of them.
#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "gateway/gateway_client.h"
#include "gateway/machine_id.h"
#include "gateway/platform.h"
#include "gateway/transport_win.h"
#include "http_test_server.h"

namespace velmora {
namespace {

using testing::HttpTestServer;
using testing::RecordedRequest;
using testing::Reply;

class WindowsTransport : public ::testing::Test {
 protected:
  void SetUp() override { SetTransportLimits({std::chrono::milliseconds(5000), std::chrono::minutes(1)}); }
  void TearDown() override { SetTransportLimits({}); }
};

// Bytes a text conversion would mangle: GBK, a zero byte, 0xFF.
const std::string kRawAnswer = std::string("\xC9\xCF\xCE\xE7\x00\xFF" "abc", 9);

TEST_F(WindowsTransport, EveryRequestObjectSendsTheSameIdentityAndReturnsRawBytes) {
  int usable = 0;
  for (const std::wstring& progid : RequestObjectProgIds()) {
    HttpTestServer server([](const RecordedRequest&) { return Reply{kRawAnswer}; });
    const std::string address = server.BaseUrl() + "/gw/talvenor.asp";
    const std::string result = PostFormCom(address, "p=0034&post=00AB", {progid});
    const auto requests = server.Requests();
    if (requests.empty()) continue;  // this object is not installed here
    ++usable;
    SCOPED_TRACE(std::string(progid.begin(), progid.end()));
    EXPECT_EQ(result, kRawAnswer);
    const RecordedRequest& r = requests[0];
    EXPECT_EQ(r.request_line, "POST /gw/talvenor.asp HTTP/1.1");
    EXPECT_EQ(r.body, "p=0034&post=00AB");
    EXPECT_EQ(r.Header("Accept"), "*/*");
    EXPECT_EQ(r.Header("Referer"), address);
    EXPECT_EQ(r.Header("Accept-Languge"), "zh-CN");
    EXPECT_EQ(r.Header("User-Agent"), kUserAgent);
    EXPECT_EQ(r.Header("Content-Type").rfind(kFormContentType, 0), 0u) << r.Header("Content-Type");
  }
  EXPECT_GE(usable, 1);
}

TEST_F(WindowsTransport, DefaultModeAnswerFramings) {
  const std::string long_body(70000, 'x');
  const Reply replies[] = {
      {"", Reply::Framing::kContentLength},
      {long_body, Reply::Framing::kClose},  // no Content-Length: read to the end
      {long_body, Reply::Framing::kChunked},
  };
  for (const Reply& reply : replies) {
    HttpTestServer server([&](const RecordedRequest&) { return reply; });
    EXPECT_EQ(PostForm(server.BaseUrl() + "/talvenor.asp", "p=1"), reply.body);
  }
}

// A server with a short keep-alive time drops the connection a request object keeps for the
// next request; the next request must still arrive, once.
TEST_F(WindowsTransport, AConnectionTheServerDroppedMeanwhileIsNotTheRequestsEnd) {
  for (const std::wstring& progid : RequestObjectProgIds()) {
    HttpTestServer server([](const RecordedRequest& r) { return Reply{"answer " + r.body, Reply::Framing::kKeptAlive}; });
    const std::string address = server.BaseUrl() + "/talvenor.asp";
    if (PostFormCom(address, "p=1", {progid}).empty()) continue;  // not installed here
    SCOPED_TRACE(std::string(progid.begin(), progid.end()));
    Sleep(400);  // the server has dropped the idle connection by now
    EXPECT_EQ(PostFormCom(address, "p=2", {progid}), "answer p=2");
    Sleep(400);
    EXPECT_EQ(PostFormCom(address, "p=3", {progid}), "answer p=3");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].body, "p=3");
  }
}

TEST_F(WindowsTransport, ProgressModeSendsItsHeadersAndReportsPieces) {
  const std::string body(3000, 'y');
  for (auto framing : {Reply::Framing::kContentLength, Reply::Framing::kClose}) {
    HttpTestServer server([&](const RecordedRequest&) { return Reply{body, framing}; });
    std::vector<std::pair<int64_t, int64_t>> reports;
    const std::string address = server.BaseUrl() + "/talvenor.asp";
    EXPECT_EQ(PostForm(address, "p=1", [&](int64_t e, int64_t r) { reports.emplace_back(e, r); }), body);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().second, 3000);
    EXPECT_EQ(reports.back().first, framing == Reply::Framing::kClose ? 0 : 3000);
    EXPECT_GE(reports.size(), 3000u / 512);  // read in pieces of at most 512 bytes
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Header("Accept-Language"), "zh-CN");
    EXPECT_EQ(requests[0].Header("Referer"), address);
    EXPECT_EQ(requests[0].Header("Content-Type"), kFormContentType);
    EXPECT_EQ(requests[0].Header("Content-Length"), "3");
    EXPECT_EQ(requests[0].Header("User-Agent"), kUserAgent);
  }
}

TEST_F(WindowsTransport, ProgressModeWithAnEmptyBodySendsNoContentHeaders) {
  HttpTestServer server([](const RecordedRequest&) { return Reply{"ok"}; });
  EXPECT_EQ(PostFormWinInet(server.BaseUrl() + "/x", "", [](int64_t, int64_t) {}), "ok");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("Content-Type"), "");
  EXPECT_EQ(requests[0].Header("Content-Length").empty() || requests[0].Header("Content-Length") == "0", true);
}

TEST_F(WindowsTransport, ServerThatNeverAnswersIsGivenUpOnInBothModes) {
  SetTransportLimits({std::chrono::milliseconds(1500), std::chrono::minutes(1)});
  HttpTestServer silent([](const RecordedRequest&) { return Reply{"", Reply::Framing::kNever}; });
  for (bool progress : {false, true}) {
    const uint64_t start = TickCountMs();
    const std::string result = progress ? PostForm(silent.BaseUrl() + "/", "p=1", [](int64_t, int64_t) {})
                                        : PostForm(silent.BaseUrl() + "/", "p=1");
    const uint64_t took = TickCountMs() - start;
    EXPECT_EQ(result, "") << (progress ? "progress mode" : "default mode");
    EXPECT_LT(took, 15000u) << (progress ? "progress mode" : "default mode");
  }
}

// A slow link: an answer longer than the allowed silence, never silent that long, arrives whole in
// both modes; silence before the answer's head, and a trickle without end, are given up.
TEST_F(WindowsTransport, SilenceIsLimitedNotTheWholeExchange) {
  using std::chrono::milliseconds;
  SetTransportLimits({milliseconds(700), milliseconds(2500)});
  std::string body(6000, 'z');
  body[0] = '\xC9';
  body[5999] = 'E';
  HttpTestServer trickled([&](const RecordedRequest&) { return Reply{body, Reply::Framing::kTrickled, 200, milliseconds(200)}; });
  const auto post = [](bool progress, const std::string& address) {
    return progress ? PostForm(address, "p=1", [](int64_t, int64_t) {}) : PostForm(address, "p=1");
  };
  for (bool progress : {false, true}) {
    SCOPED_TRACE(progress ? "progress mode" : "default mode");
    const std::string got = post(progress, trickled.BaseUrl() + "/");  // 2 s in all, 0.2 s silences
    EXPECT_EQ(got.size(), body.size());
    EXPECT_TRUE(got == body);
  }

  struct Case {
    const char* name;
    Reply reply;
    uint64_t at_least, below;
  } cases[] = {
      {"trickling without end", {std::string(600, 'e'), Reply::Framing::kEndless, 200, milliseconds(50)}, 2400, 10000},
      {"silent after the request", {"", Reply::Framing::kNever}, 650, 2400},
  };
  for (const Case& c : cases) {
    HttpTestServer server([&](const RecordedRequest&) { return c.reply; });
    for (bool progress : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (progress ? ", progress mode" : ", default mode"));
      const uint64_t start = TickCountMs();
      EXPECT_EQ(post(progress, server.BaseUrl() + "/"), "");
      const uint64_t took = TickCountMs() - start;
      EXPECT_GE(took, c.at_least);
      EXPECT_LT(took, c.below);
    }
  }
  // Stalled mid-body: WinINet's own receive time-out is the allowed silence; the request object
  // reports no bytes, so there the ceiling ends it.
  HttpTestServer stalled([&](const RecordedRequest&) { return Reply{body, Reply::Framing::kStalled}; });
  for (bool progress : {false, true}) {
    SCOPED_TRACE(progress ? "stalled, progress mode" : "stalled, default mode");
    const uint64_t start = TickCountMs();
    EXPECT_EQ(post(progress, stalled.BaseUrl() + "/"), "");
    const uint64_t took = TickCountMs() - start;
    EXPECT_LT(took, 12000u);
  }
}

// A worker's requests share one request object; what goes on the wire is what a new object
// sends, and an exchange that failed leaves the next request a new object.
TEST_F(WindowsTransport, AWorkersRequestsShareOneObjectWithTheSameBytesOnTheWire) {
  const win::ComApartment apartment;
  HttpTestServer server([](const RecordedRequest& r) { return Reply{"answer " + r.body, Reply::Framing::kKeptAlive}; });
  const std::string address = server.BaseUrl() + "/gw/talvenor.asp";
  EXPECT_EQ(PostFormCom(address, "p=0"), "answer p=0");  // a new object
  Sleep(400);  // the server has dropped the kept connection by now
  {
    ReusedRequestObject reused;
    const uint64_t made = RequestObjectsMade();
    for (int i = 1; i <= 3; ++i) {
      const std::string body = "p=" + std::to_string(i);
      EXPECT_EQ(PostForm(address, body), "answer " + body);
      Sleep(400);  // the server drops the kept connection meanwhile, as a poll's pause outlasts it
    }
    EXPECT_EQ(RequestObjectsMade() - made, 1u);

    SetTransportLimits({std::chrono::milliseconds(800), std::chrono::minutes(1)});
    HttpTestServer silent([](const RecordedRequest&) { return Reply{"", Reply::Framing::kNever}; });
    EXPECT_EQ(PostForm(silent.BaseUrl() + "/", "p=9"), "");
    EXPECT_EQ(PostForm(address, "p=4"), "answer p=4");
    EXPECT_EQ(RequestObjectsMade() - made, 2u);
  }
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 5u);
  for (const RecordedRequest& r : requests) {
    SCOPED_TRACE(r.body);
    EXPECT_EQ(r.request_line, requests[0].request_line);
    EXPECT_EQ(r.headers, requests[0].headers);
  }
}

TEST_F(WindowsTransport, RefusedConnectionAndMissingObjectsGiveNothing) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/talvenor.asp";
  EXPECT_EQ(PostForm(refused, "p=1"), "");
  EXPECT_EQ(PostForm(refused, "p=1", [](int64_t, int64_t) {}), "");

  EXPECT_EQ(PostFormCom(refused, "p=1", {L"No.Such.Object", L"Nor.This.One"}), "");
  // COM was left uninitialised: initialising it again is a first initialisation.
  const HRESULT hr = CoInitialize(nullptr);
  EXPECT_EQ(hr, S_OK);
  if (SUCCEEDED(hr)) CoUninitialize();
}

TEST(WindowsGateway, HandshakeAndQueryThroughTheRequestObject) {
  const WireKey key = *WireKey::FromDigits(BuiltInRequestKey());
  const std::string now_text = "2026-12-09 下午 2:03:05";
  HttpTestServer server([&](const RecordedRequest& r) {
    const size_t amp = r.body.find('&');
    const std::string op = DecodeWire(r.body.substr(2, amp - 2), key);
    if (op == "3") return Reply{EncodeWire(now_text + "{[good-wren]}127.0.0.1", key)};
    const std::string statement = DecodeWire(r.body.substr(r.body.find('=', amp) + 1), key);
    return Reply{EncodeWire(now_text + "{[good-wren]}" + statement.substr(statement.find('}') + 1), key)};
  });
  GatewayClient client(ThisPlatform());
  ASSERT_TRUE(client.Connect(server.BaseUrl() + "/talvenor.asp", BuiltInRequestKey()));
  EXPECT_EQ(client.ClientAddress(), "127.0.0.1");
  EXPECT_EQ(client.Query("select 推荐时间 from Latest1"), "select 推荐时间 from Latest1");
  const std::string id = MachineIdentifier();
  EXPECT_EQ(id.size(), 16u);
  EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
}

}  // namespace
}  // namespace velmora
