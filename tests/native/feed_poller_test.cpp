// The feed page's load and poll cycle against a small stand-in for the service: which statements
// leave in which order, what the lists and the pop-up are told, how failures are ridden out, and
// the presence check that ends the session.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <memory>
#include <thread>
#include <vector>

#include "canned_gateway.h"
#include "feeds/feed_poller.h"
#include "gateway/off_thread_link.h"
#include "gateway/rc4.h"
#include "session/presence.h"

namespace velmora {
namespace {

using testing::ServiceAnswer;

const std::string kCountRecommendations = "select count(*) from latest1";
const std::string kSelectRecommendations = "select 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 from Latest1";
const std::string kNewestRecommendation =
    "select top 1 推荐时间,股票代码,操作方式,支撑位,阻力位,备注 from Latest1 order by 编号 desc";
const std::string kCountNews = "select count(*) from config2";
const std::string kSelectNews = "select 更新日期,公告,字体名称,字体大小,字体颜色,公告标题 from config2";
const std::string kNewestNews =
    "select top 1 更新日期,公告,字体名称,字体大小,字体颜色,公告标题 from config2 order by 编号 desc";
const std::string kPresence = "select 句柄 from account where 账号='demo'";

constexpr int kHandle = 48213;
const DateTime kNow = *DateTime::FromCivil({2011, 4, 21, 15, 0, 0});

// A recommendation whose stock code names it in the tests.
FeedFields Recommendation(const std::string& time, const std::string& code) {
  return {time, Rc4HexEncode(code), Rc4HexEncode("买入"), Rc4HexEncode("10"), Rc4HexEncode("12"), Rc4HexEncode("")};
}
// An announcement whose title names it.
FeedFields News(const std::string& time, const std::string& title) {
  return {time, Rc4HexEncode(title + "的内容"), "宋体", "12", "255", Rc4HexEncode(title)};
}

// The feed tables and the account's handle, answered as the service answers; the newest row is
// the last one added. Statements in `silent` (or all, while `down`) get no answer.
class FeedService final : public GatewayLink {
 public:
  std::vector<FeedFields> recommendations;
  std::vector<FeedFields> news;
  std::optional<std::string> handle = std::to_string(kHandle);  // nothing: no account row
  std::set<std::string> silent;
  bool down = false;
  std::vector<std::string> sent;
  std::function<void()> while_out;  // runs while each request is out

  std::string Query(const std::string& sql) override {
    sent.push_back(sql);
    if (while_out) while_out();
    if (down || silent.count(sql)) return "";
    if (sql == kCountRecommendations) return Count(recommendations);
    if (sql == kCountNews) return Count(news);
    if (sql == kSelectRecommendations) return Rows(kRecommendationNames, recommendations);
    if (sql == kSelectNews) return Rows(kNewsNames, news);
    if (sql == kNewestRecommendation) return Newest(kRecommendationNames, recommendations);
    if (sql == kNewestNews) return Newest(kNewsNames, news);
    if (sql == kPresence) return handle ? ServiceAnswer({{"句柄"}, {*handle}}) : ServiceAnswer({{"句柄"}});
    ADD_FAILURE() << "unexpected statement: " << sql;
    return "";
  }
  std::string Execute(const std::string& sql) override {
    sent.push_back(sql);
    return down ? "" : "6";
  }
  std::string Check(const std::string& sql) override {
    ADD_FAILURE() << "unexpected check: " << sql;
    return "";
  }

 private:
  const std::vector<std::string> kRecommendationNames = {"推荐时间", "股票代码", "操作方式", "支撑位", "阻力位", "备注"};
  const std::vector<std::string> kNewsNames = {"更新日期", "公告", "字体名称", "字体大小", "字体颜色", "公告标题"};

  static std::string Count(const std::vector<FeedFields>& table) {
    return ServiceAnswer({{"count(*)"}, {std::to_string(table.size())}});
  }
  static std::string Rows(const std::vector<std::string>& names, const std::vector<FeedFields>& table) {
    std::vector<std::vector<std::string>> rows = {names};
    for (const FeedFields& f : table) rows.emplace_back(f.begin(), f.end());
    return ServiceAnswer(rows);
  }
  static std::string Newest(const std::vector<std::string>& names, const std::vector<FeedFields>& table) {
    return Rows(names, table.empty() ? table : std::vector<FeedFields>{table.back()});
  }
};

std::string Codes(const std::vector<FeedRow>& rows, size_t column) {
  std::string out;
  for (const FeedRow& r : rows) out += (out.empty() ? "" : ",") + r[column];
  return out;
}

// One line per action: what the window side would be asked to do.
std::string Describe(const FeedAction& action) {
  struct {
    std::string operator()(const InsertRecommendation& a) { return (a.today ? "today " : "history ") + a.row[1]; }
    std::string operator()(const InsertNews& a) { return "news " + a.row[5]; }
    std::string operator()(const ReplaceRecommendations& a) {
      return "lists [" + Codes(a.today, 1) + "] [" + Codes(a.history, 1) + "]";
    }
    std::string operator()(const ReplaceNews& a) { return "news list [" + Codes(a.news, 5) + "]"; }
    std::string operator()(const ShowPopup& a) {
      const std::string what = a.item.kind == FeedKind::kRecommendation ? Rc4HexDecode(a.item.parts[1]) : a.item.parts[5];
      return "popup " + what + (a.play_sound ? " with sound" : " silent");
    }
    std::string operator()(const SignOut& a) { return "sign out: " + a.message; }
  } describe;
  return std::visit(describe, action);
}

using Lines = std::vector<std::string>;

struct Page {
  FeedService service;
  NotifyPrefs prefs{true, true};
  FeedPoller poller{SessionRecord{"demo", kHandle}, [this] { return prefs; }};

  FeedLists Load() {
    const FeedLists lists = poller.Load(service, kNow);
    service.sent.clear();
    return lists;
  }
  Lines Tick() {
    Lines seen;
    EXPECT_TRUE(poller.Tick(service, [&seen](const FeedAction& a) { seen.push_back(Describe(a)); }));
    return seen;
  }
};

// A page loaded with one old and one today's recommendation and one announcement.
struct LoadedPage : Page {
  LoadedPage() {
    service.recommendations = {Recommendation("2011-04-20 10:00:00", "OLD"), Recommendation("2011-04-21 09:00:00", "AM")};
    service.news = {News("2011-04-20 08:00:00", "N1")};
    Load();
  }
};

TEST(FeedPoll, CountChangeDecisions) {
  struct Case {
    const char* what;
    std::optional<int64_t> stored, read;
    CountChange change;
  };
  const Case cases[] = {
      {"unchanged", 5, 5, CountChange::kNone},
      {"grown", 5, 7, CountChange::kFetchNewest},
      {"grown from empty", 0, 1, CountChange::kFetchNewest},
      {"shrunk", 5, 3, CountChange::kRebuild},
      {"last item deleted", 1, 0, CountChange::kRebuild},
      {"all deleted, answered", 5, 0, CountChange::kRebuild},
      {"failed reading, 5 stored", 5, std::nullopt, CountChange::kNone},
      {"failed reading, 1 stored", 1, std::nullopt, CountChange::kNone},
      {"never loaded", std::nullopt, 3, CountChange::kRebuild},
      {"never loaded, failed reading", std::nullopt, std::nullopt, CountChange::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(DecideCountChange(c.stored, c.read), c.change) << c.what;
}

TEST(FeedPoll, TimerPeriodIsTheIntervalInMilliseconds) {
  const std::pair<int64_t, int64_t> cases[] = {{0, 0}, {-3, 0}, {1, 1000}, {30, 30000}, {1'000'000, 1'000'000'000},
                                               {int64_t(1) << 40, 2147483647}};
  for (const auto& [seconds, ms] : cases) EXPECT_EQ(PollTimerPeriodMs(seconds), ms) << seconds;
}

TEST(FeedPoll, LoadReadsBothFeedsThenBothCountsAndSortsTheRecommendations) {
  Page page;
  page.service.recommendations = {
      Recommendation("2011-04-20 10:00:00", "A"), Recommendation("2011-04-21 11:00:00", "B"),
      Recommendation("2011-04-21 09:00:00", "C"), Recommendation("2011-04-19 10:00:00", "D"),
      Recommendation("2011-04-21 00:00:00", "MIDNIGHT")};
  page.service.news = {News("2011-04-20 08:00:00", "N1"), News("2011-04-21 08:00:00", "N2")};
  EXPECT_FALSE(page.poller.ready());

  const FeedLists lists = page.poller.Load(page.service, kNow);
  EXPECT_EQ(page.service.sent, (Lines{kSelectRecommendations, kSelectNews, kCountRecommendations, kCountNews}));
  EXPECT_EQ(Codes(lists.today, 1), "C,B");
  EXPECT_EQ(Codes(lists.history, 1), "D,A,MIDNIGHT");  // the start of the day itself is old
  EXPECT_EQ(Codes(lists.news, 5), "N2,N1");            // newest first, not sorted
  EXPECT_EQ(lists.today[0], (FeedRow{"2011-04-21 09:00:00", "C", "买入", "10", "12", ""}));
  EXPECT_EQ(lists.news[0], (FeedRow{"2011-04-21 08:00:00", "N2的内容", "宋体", "12", "255", "N2"}));
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 5);
  EXPECT_EQ(page.poller.stored_count(FeedKind::kNews), 2);
  EXPECT_EQ(page.poller.mark().text, "2011-4-21-00-00-00");
  EXPECT_TRUE(page.poller.ready());
}

TEST(FeedPoll, NothingRunsBeforeTheLoad) {
  Page page;
  EXPECT_FALSE(page.poller.Tick(page.service, [](const FeedAction&) { ADD_FAILURE(); }));
  EXPECT_TRUE(page.service.sent.empty());
}

TEST(FeedPoll, AQuietCycleAsksBothCountsThenThePresence) {
  LoadedPage page;
  EXPECT_EQ(page.Tick(), Lines{});
  EXPECT_EQ(page.service.sent, (Lines{kCountRecommendations, kCountNews, kPresence}));
}

TEST(FeedPoll, ANewItemIsListedAtTheTopAndAnnouncedAsTheSwitchesSay) {
  struct Case {
    const char* what;
    std::string time;
    NotifyPrefs prefs;
    Lines actions;
  };
  const Case cases[] = {
      {"today's, pop-up and sound", "2011-04-21 14:00:00", {true, true}, {"today NEW", "popup NEW with sound"}},
      {"today's, pop-up without sound", "2011-04-21 14:00:00", {true, false}, {"today NEW", "popup NEW silent"}},
      {"today's, pop-up off", "2011-04-21 14:00:00", {false, true}, {"today NEW"}},
      {"at the start of the day", "2011-04-21 00:00:00", {true, true}, {"history NEW"}},
      {"an older day", "2011-04-18 10:00:00", {true, true}, {"history NEW"}},
      {"no date-time", "不详", {true, true}, {"history NEW"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LoadedPage page;
    page.prefs = c.prefs;
    page.service.recommendations.push_back(Recommendation(c.time, "NEW"));
    EXPECT_EQ(page.Tick(), c.actions);
    EXPECT_EQ(page.service.sent, (Lines{kCountRecommendations, kNewestRecommendation, kCountNews, kPresence}));
    EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 3);
    ASSERT_TRUE(page.poller.latest());
    EXPECT_EQ(LatestItemText(*page.poller.latest()), "信息々" + c.time + "々" + Rc4HexEncode("NEW") + "々" +
                                                         Rc4HexEncode("买入") + "々" + Rc4HexEncode("10") + "々" +
                                                         Rc4HexEncode("12") + "々");
    EXPECT_EQ(page.Tick(), Lines{});  // told once
  }
}

TEST(FeedPoll, OnlyTheNewestOfSeveralNewRowsIsShown) {
  LoadedPage page;
  page.service.recommendations.push_back(Recommendation("2011-04-21 13:00:00", "FIRST"));
  page.service.recommendations.push_back(Recommendation("2011-04-21 14:00:00", "SECOND"));
  EXPECT_EQ(page.Tick(), (Lines{"today SECOND", "popup SECOND with sound"}));
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 4);
  EXPECT_EQ(page.Tick(), Lines{});
}

TEST(FeedPoll, EveryNewAnnouncementPopsUpAndTheLaterItemReplacesTheEarlier) {
  LoadedPage page;
  page.service.recommendations.push_back(Recommendation("2011-04-21 14:00:00", "NEW"));
  page.service.news.push_back(News("2010-01-01 08:00:00", "OLD NEWS"));  // no day test for news
  EXPECT_EQ(page.Tick(), (Lines{"today NEW", "popup NEW with sound", "news OLD NEWS", "popup OLD NEWS with sound"}));
  EXPECT_EQ(page.service.sent,
            (Lines{kCountRecommendations, kNewestRecommendation, kCountNews, kNewestNews, kPresence}));
  ASSERT_TRUE(page.poller.latest());
  EXPECT_EQ(LatestItemText(*page.poller.latest()),
            "公告々2010-01-01 08:00:00々OLD NEWS的内容々宋体々12々255々OLD NEWS");
  EXPECT_EQ(page.poller.stored_count(FeedKind::kNews), 2);

  page.prefs.popup = false;
  page.service.news.push_back(News("2011-04-21 14:30:00", "QUIET"));
  EXPECT_EQ(page.Tick(), (Lines{"news QUIET"}));
}

TEST(FeedPoll, AFailedCountReadingChangesNothing) {
  for (const size_t stored : {size_t{5}, size_t{1}}) {
    SCOPED_TRACE(stored);
    Page page;
    for (size_t i = 0; i < stored; ++i) page.service.recommendations.push_back(Recommendation("2011-04-20 10:00:00", "R"));
    page.Load();
    page.service.silent = {kCountRecommendations};
    EXPECT_EQ(page.Tick(), Lines{});
    EXPECT_EQ(page.service.sent, (Lines{kCountRecommendations, kCountNews, kPresence}));
    EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), int64_t(stored));
    page.service.silent.clear();
    EXPECT_EQ(page.Tick(), Lines{});  // the next good count matches again
  }
}

TEST(FeedPoll, AShrunkCountReloadsTheFeedWhole) {
  LoadedPage page;
  page.service.recommendations = {Recommendation("2011-04-21 09:00:00", "AM"), Recommendation("2011-04-19 10:00:00", "B"),
                                  Recommendation("2011-04-18 10:00:00", "C")};
  page.Tick();  // grown to 3: the newest (C) is fetched
  page.service.recommendations.erase(page.service.recommendations.begin());
  // Reloaded rows are put in one by one at the top: newest inserted first, no sort, no pop-up.
  EXPECT_EQ(page.Tick(), (Lines{"lists [] [C,B]"}));
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 2);

  page.service.news.clear();
  EXPECT_EQ(page.Tick(), (Lines{"news list []"}));
  EXPECT_EQ(page.poller.stored_count(FeedKind::kNews), 0);
}

TEST(FeedPoll, TheLastItemDeletedEmptiesBothLists) {
  Page page;
  page.service.recommendations = {Recommendation("2011-04-21 09:00:00", "ONLY")};
  page.Load();
  page.service.recommendations.clear();
  EXPECT_EQ(page.Tick(), (Lines{"lists [] []"}));
  EXPECT_EQ(page.service.sent, (Lines{kCountRecommendations, kSelectRecommendations, kCountNews, kPresence}));
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 0);
}

TEST(FeedPoll, ANewRowThatGotNoAnswerIsFetchedAgainNextCycle) {
  for (const std::string& statement : {kNewestRecommendation, kNewestNews}) {
    SCOPED_TRACE(statement);
    LoadedPage page;
    page.service.recommendations.push_back(Recommendation("2011-04-21 14:00:00", "NEW"));
    page.service.news.push_back(News("2011-04-21 14:00:00", "HOT"));
    page.service.silent = {statement};
    const Lines first = page.Tick();
    page.service.silent.clear();
    const Lines second = page.Tick();
    Lines both = first;
    both.insert(both.end(), second.begin(), second.end());
    // Each item is shown exactly once, whichever cycle got its row.
    EXPECT_EQ(std::count(both.begin(), both.end(), "today NEW"), 1);
    EXPECT_EQ(std::count(both.begin(), both.end(), "news HOT"), 1);
    EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 3);
    EXPECT_EQ(page.poller.stored_count(FeedKind::kNews), 2);
    EXPECT_EQ(page.Tick(), Lines{});
  }
}

TEST(FeedPoll, AReloadThatGotNoAnswerKeepsTheListsAndIsTriedAgain) {
  LoadedPage page;
  page.service.recommendations.pop_back();
  page.service.silent = {kSelectRecommendations};
  EXPECT_EQ(page.Tick(), Lines{});
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 2);
  page.service.silent.clear();
  EXPECT_EQ(page.Tick(), (Lines{"lists [] [OLD]"}));
}

TEST(FeedPoll, AFeedWhoseLoadGotNoAnswerIsLoadedByTheNextCycleSilently) {
  Page page;
  page.service.recommendations = {Recommendation("2011-04-21 11:00:00", "B"), Recommendation("2011-04-21 09:00:00", "C"),
                                  Recommendation("2011-04-20 09:00:00", "D")};
  page.service.news = {News("2011-04-21 08:00:00", "N")};
  page.service.silent = {kSelectRecommendations, kSelectNews};
  const FeedLists lists = page.poller.Load(page.service, kNow);
  EXPECT_TRUE(lists.today.empty() && lists.history.empty() && lists.news.empty());
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), std::nullopt);
  page.service.silent.clear();
  // The initial load finishes: sorted like it, and nothing old is announced as new.
  EXPECT_EQ(page.Tick(), (Lines{"lists [C,B] [D]", "news list [N]"}));
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 3);
  EXPECT_EQ(page.Tick(), Lines{});
}

TEST(FeedPoll, ALoadWhoseCountGotNoAnswerCountsItsRows) {
  Page page;
  page.service.recommendations = {Recommendation("2011-04-21 11:00:00", "B")};
  page.service.news = {News("2011-04-21 08:00:00", "N")};
  page.service.silent = {kCountRecommendations, kCountNews};
  page.Load();
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 1);
  EXPECT_EQ(page.poller.stored_count(FeedKind::kNews), 1);
  page.service.silent.clear();
  EXPECT_EQ(page.Tick(), Lines{});
}

TEST(FeedPoll, PresenceCheckSignsOutOnAnotherHandle) {
  const std::string kAdmin = "sign out: 您的账户已被管理员下线，如有问题请联系我们客服！";
  const std::string kElsewhere = "sign out: 您的账户已在别处登录，如有问题请联系我们客服！";
  struct Case {
    const char* what;
    std::optional<std::string> handle;
    bool silent;
    Lines actions;
  };
  const Case cases[] = {
      {"own handle", std::to_string(kHandle), false, {}},
      {"administrator", "2", false, {kAdmin}},
      {"another login", "10001", false, {kElsewhere}},
      {"emptied", "", false, {kElsewhere}},
      {"no account row", std::nullopt, false, {}},
      {"no answer", std::to_string(kHandle), true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LoadedPage page;
    page.service.handle = c.handle;
    if (c.silent) page.service.silent = {kPresence};
    EXPECT_EQ(page.Tick(), c.actions);
    EXPECT_EQ(page.poller.signed_out(), !c.actions.empty());
    // Once signed out, no cycle runs again.
    page.service.sent.clear();
    EXPECT_EQ(page.poller.Tick(page.service, [](const FeedAction&) {}), c.actions.empty());
    EXPECT_EQ(page.service.sent.empty(), !c.actions.empty());
  }
}

TEST(Presence, StatementsKeepTheAccountNameInsideItsQuotes) {
  FeedService service;
  EXPECT_EQ(CheckPresence(service, {"demo", kHandle}), Presence::kSignedIn);
  EXPECT_EQ(service.sent, Lines{kPresence});

  testing::CannedGateway gateway;
  gateway.answers["select 句柄 from account where 账号='o''k'"] = ServiceAnswer({{"句柄"}, {"2"}});
  EXPECT_EQ(CheckPresence(gateway, {"o'k", kHandle}), Presence::kSignedOutByAdministrator);
  gateway.answers["update account set 在线=0 where 账号='o''k'"] = "6";
  EXPECT_TRUE(MarkOffline(gateway, "o'k"));
  EXPECT_FALSE(MarkOffline(gateway, "demo"));  // no answer
  EXPECT_EQ(gateway.sent.back(), "update account set 在线=0 where 账号='demo'");
  EXPECT_EQ(PresenceMessage(Presence::kSignedIn), "");
}

TEST(FeedPoll, CyclesNeverNestAndAFailedCycleNeverStopsPolling) {
  LoadedPage page;
  int nested = 0;
  page.service.while_out = [&] {
    // A timer tick handled while this request is out.
    const size_t before = page.service.sent.size();
    EXPECT_FALSE(page.poller.Tick(page.service, [](const FeedAction&) { ADD_FAILURE(); }));
    EXPECT_EQ(page.service.sent.size(), before);
    ++nested;
  };
  page.service.down = true;
  EXPECT_EQ(page.Tick(), Lines{});
  EXPECT_EQ(nested, 3);
  EXPECT_TRUE(page.poller.ready());
  EXPECT_EQ(page.poller.stored_count(FeedKind::kRecommendation), 2);

  page.service.while_out = nullptr;
  page.service.down = false;
  page.service.news.push_back(News("2011-04-21 14:00:00", "BACK"));
  EXPECT_EQ(page.Tick(), (Lines{"news BACK", "popup BACK with sound"}));
}

TEST(FeedPoll, APageGoneWhileARequestIsOutHearsNothingMore) {
  LoadedPage page;
  page.service.recommendations.push_back(Recommendation("2011-04-21 14:00:00", "NEW"));
  page.service.while_out = [&] {
    if (page.service.sent.back() == kNewestRecommendation) page.poller.Stop();  // the page is destroyed
  };
  Lines seen;
  EXPECT_TRUE(page.poller.Tick(page.service, [&seen](const FeedAction& a) { seen.push_back(Describe(a)); }));
  EXPECT_EQ(seen, Lines{});
  EXPECT_EQ(page.service.sent, (Lines{kCountRecommendations, kNewestRecommendation}));
  EXPECT_FALSE(page.poller.Tick(page.service, [](const FeedAction&) { ADD_FAILURE(); }));
}

// Stays busy until the caller's wait has run at least once, which it can only do while the
// request is out on another thread; gives up after a while so that a blocked caller fails the
// test instead of hanging it.
class SlowLink final : public GatewayLink {
 public:
  std::atomic<bool> caller_waited{false};
  std::thread::id ran_on;
  std::string Query(const std::string& sql) override { return Slow("query " + sql); }
  std::string Execute(const std::string& sql) override { return Slow("execute " + sql); }
  std::string Check(const std::string&) override { throw std::runtime_error("broken transport"); }

 private:
  std::string Slow(std::string answer) {
    ran_on = std::this_thread::get_id();
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!caller_waited && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return caller_waited ? answer : "the caller was blocked";
  }
};

TEST(OffThreadLink, RequestsGoOutFromAWorkerWhileTheCallerKeepsWaiting) {
  SlowLink slow;
  int waits = 0;
  OffThreadLink link(slow, [&](const std::atomic<bool>& done) {
    while (!done) {
      ++waits;
      slow.caller_waited = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  });
  EXPECT_EQ(link.Query("select 1"), "query select 1");
  EXPECT_NE(slow.ran_on, std::this_thread::get_id());
  EXPECT_GT(waits, 0);
  slow.caller_waited = false;
  EXPECT_EQ(link.Execute("update x"), "execute update x");
  EXPECT_EQ(link.Check("select 2"), "");  // a throwing transport is no answer
}

// Every request of a link goes out from the same worker, which holds its scope (the COM
// apartment on Windows) from before the first request until the link goes.
TEST(OffThreadLink, OneWorkerHoldsItsScopeForEveryRequest) {
  SlowLink slow;
  int scopes_made = 0;
  std::weak_ptr<void> scope_seen;
  std::thread::id first;
  {
    OffThreadLink link(
        slow,
        [&](const std::atomic<bool>& done) {
          slow.caller_waited = true;
          while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          return true;
        },
        [&] {
          ++scopes_made;
          auto scope = std::make_shared<int>(1);
          scope_seen = scope;
          return std::shared_ptr<void>(scope);
        });
    for (int i = 0; i < 3; ++i) {
      slow.caller_waited = false;
      EXPECT_EQ(link.Query("select 1"), "query select 1");
      if (i == 0) first = slow.ran_on;
      EXPECT_EQ(slow.ran_on, first);
      EXPECT_FALSE(scope_seen.expired());
    }
    EXPECT_NE(first, std::this_thread::get_id());
  }
  EXPECT_EQ(scopes_made, 1);
  EXPECT_TRUE(scope_seen.expired());  // released when the link went
}

// A wait given up (the program quitting) leaves the request without an answer at once; the
// worker finishes it on its own, writing into nothing the caller still holds.
TEST(OffThreadLink, AWaitGivenUpIsNoAnswer) {
  SlowLink slow;
  slow.caller_waited = true;
  {
    OffThreadLink link(slow, [](const std::atomic<bool>&) { return false; });
    EXPECT_EQ(link.Query("select 1"), "");
  }  // the link waits for the worker's request under way before it goes
  EXPECT_NE(slow.ran_on, std::thread::id());
}

TEST(OffThreadLink, TheDefaultWaitReturnsTheAnswer) {
  testing::CannedGateway inner;
  inner.answers["select 1"] = "one";
  OffThreadLink link(inner);
  EXPECT_EQ(link.Query("select 1"), "one");
  EXPECT_EQ(link.Query("select 2"), "");
  EXPECT_EQ(inner.sent, (Lines{"select 1", "select 2"}));
}

}  // namespace
}  // namespace velmora
