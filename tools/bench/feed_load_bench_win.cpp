// The feed page's initial load against a running service, beside the raw HTTP transfer of the
// same answers measured in the same run. The load is the client's whole path: statements through
// the wire codec and the transport, answers accepted, decoded, split, deciphered, split into
// today and history and sorted, then shown in three report lists.
//   velmora-bench-feed.exe GATEWAY_PAGE [rounds]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "feeds/feed_lists_win.h"
#include "feeds/feed_poller.h"
#include "gateway/gateway_client.h"
#include "gateway/machine_id.h"
#include "gateway/platform.h"
#include "gateway/transport.h"
#include "runtime/gbk_win.h"
#include "feeds/feed_layout.h"

namespace {

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// What the client sent and got back, so the same requests can be replayed raw.
struct Exchange {
  std::string body;
  size_t answer_bytes = 0;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace velmora;
  if (argc < 2) {
    std::fprintf(stderr, "usage: velmora-bench-feed.exe GATEWAY_PAGE [rounds]\n");
    return 2;
  }
  const std::string page = win::WideToGbk(argv[1]);
  const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  std::vector<Exchange> exchanges;
  bool recording = false;
  // This platform's gateway, recording what it sends and how much comes back.
  GatewayPlatform platform = ThisPlatform();
  platform.post = [&, post = platform.post](const std::string& address, const std::string& body) {
    std::string answer = post(address, body);
    if (recording) exchanges.push_back({body, answer.size()});
    return answer;
  };
  GatewayClient client(std::move(platform));
  if (!client.Connect(page, BuiltInRequestKey())) {
    std::fprintf(stderr, "no handshake with %s\n", page.c_str());
    return 1;
  }
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 948, 502, nullptr, nullptr, nullptr, nullptr);
  HWND today = win::CreateFeedList(parent, ui::kTodayList, ui::kRecommendationColumns, 1);
  HWND history = win::CreateFeedList(parent, ui::kHistoryList, ui::kRecommendationColumns, 2);
  HWND news = win::CreateFeedList(parent, ui::kNewsList, ui::kNewsColumns, 3);

  std::vector<double> load_ms, raw_ms;
  FeedLists lists;
  for (int round = 0; round < rounds; ++round) {
    exchanges.clear();
    recording = true;
    const auto start = Clock::now();
    FeedPoller poller(SessionRecord{"demo", 10000}, [] { return NotifyPrefs{}; });
    lists = poller.Load(client, client.ServerNow());
    win::ReplaceRows(today, lists.today);
    win::ReplaceRows(history, lists.history);
    win::ReplaceRows(news, lists.news);
    load_ms.push_back(MsSince(start));
    recording = false;
    // The same requests again, the answers only carried over HTTP.
    const auto raw_start = Clock::now();
    for (const Exchange& e : exchanges) PostForm(page, e.body);
    raw_ms.push_back(MsSince(raw_start));
  }
  size_t answer_bytes = 0;
  for (const Exchange& e : exchanges) answer_bytes += e.answer_bytes;
  DestroyWindow(parent);

  std::printf("%s build\n", sizeof(void*) == 4 ? "i686" : "x86_64");
  std::printf("feed page initial load, %zu recommendations (%zu today) and %zu announcements, %d rounds\n",
              lists.today.size() + lists.history.size(), lists.today.size(), lists.news.size(), rounds);
  std::printf("  %zu requests, %.1f MB of answers\n", exchanges.size(), double(answer_bytes) / 1e6);
  std::printf("  baseline: raw HTTP transfer of the same answers  %8.1f ms (median)\n", Median(raw_ms));
  std::printf("  the client's load into the lists                 %8.1f ms (median, %.2f x baseline)\n",
              Median(load_ms), Median(load_ms) / Median(raw_ms));
  return 0;
}
