// Many clients at once on the real velmora-gateway: connections are cheap, so hundreds poll side
// by side, a connection limit turns away only new connections, a client that vanishes mid-answer
// costs nothing, and a stop loses no write that was acknowledged.
#include <signal.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "database.h"
#include "gateway/protocol.h"
#include "gateway_process.h"
#include "local_clock.h"
#include "raw_connection.h"
#include "service_support.h"

namespace velmora::service {
namespace {

using namespace std::chrono_literals;
using testing::Body;
using testing::Clock;
using testing::GatewayProcess;
using testing::PageRequest;
using testing::RawConnection;
using testing::StatementBody;
using testing::Status;
using testing::TempDatabase;
using testing::U;

constexpr char kHealth[] = "GET /healthz HTTP/1.1\r\nHost: velmora\r\n\r\n";

std::string Account(int i) { return "client" + std::to_string(i); }

// The payload of a gateway answer as UTF-8, or why there is none.
std::string Payload(const std::string& response) {
  if (Status(response) != "HTTP/1.1 200 OK") return "<" + Status(response) + ">";
  const auto decoded = TryDecodeWire(Body(response), testing::Key());
  if (!decoded) return "<undecodable>";
  const auto accepted = AcceptAnswer(*decoded, LocalNow());
  return accepted ? U(*accepted) : "<not accepted>";
}

class ManyClients : public ::testing::Test {
 protected:
  // The database with `accounts` accounts (handle 1000 + i), three recommendations and two notices.
  void Seed(int accounts) {
    std::string error;
    Database db = OpenDatabase(file_.path(), OpenMode::kCreateIfMissing, error);
    ASSERT_TRUE(db) << error;
    std::string sql = "INSERT INTO Latest1 (股票代码) VALUES ('600000'), ('000001'), ('300750');"
                      "INSERT INTO config2 (公告标题) VALUES ('a'), ('b');";
    for (int i = 0; i < accounts; ++i) {
      sql += "INSERT INTO account (账号, 句柄) VALUES ('" + Account(i) + "', '" + std::to_string(1000 + i) + "');";
    }
    ASSERT_TRUE(ExecSql(db.get(), sql, error)) << error;
  }
  void Start(const std::vector<std::string>& options) {
    gateway_ = std::make_unique<GatewayProcess>(file_.path(), options);
    const std::string& address = gateway_->address();
    const size_t colon = address.rfind(':');
    ASSERT_NE(colon, std::string::npos) << gateway_->Log();
    port_ = std::stoi(address.substr(colon + 1));
  }
  // A query's request at the current time.
  static std::string QueryRequest(const std::string& sql_utf8) {
    return PageRequest(StatementBody('2', LocalNow(), sql_utf8));
  }

  TempDatabase file_;
  std::unique_ptr<GatewayProcess> gateway_;
  int port_ = 0;
};

TEST_F(ManyClients, HundredsOfConnectionsPollAtOnceAndEachGetsItsOwnAnswers) {
  constexpr int kClients = 400;
  Seed(kClients);
  Start({"--max-per-address", "1000"});
  std::vector<std::unique_ptr<RawConnection>> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(std::make_unique<RawConnection>(port_, "127.0.0.1"));
    ASSERT_TRUE(clients.back()->connected()) << i;
  }
  // The client's poll cycle, one statement after another on each kept-alive connection, every
  // connection's request out before any answer is read.
  struct Step {
    std::string (*sql)(int client);
    std::string (*expected)(int client);
  };
  const Step cycle[] = {
      {[](int) { return std::string("select count(*) from latest1"); }, [](int) { return std::string("count(*)々☆3々☆"); }},
      {[](int) { return std::string("select count(*) from config2"); }, [](int) { return std::string("count(*)々☆2々☆"); }},
      {[](int i) { return "select 句柄 from account where 账号='" + Account(i) + "'"; },
       [](int i) { return "句柄々☆" + std::to_string(1000 + i) + "々☆"; }},
  };
  for (const Step& step : cycle) {
    for (int i = 0; i < kClients; ++i) ASSERT_TRUE(clients[size_t(i)]->Send(QueryRequest(step.sql(i))));
    for (int i = 0; i < kClients; ++i) {
      const std::string response = clients[size_t(i)]->ReadResponse(20s);
      ASSERT_EQ(Payload(response), step.expected(i)) << "client " << i << ": " << step.sql(i);
    }
  }
}

TEST_F(ManyClients, OverTheConnectionLimitNewConnectionsAreClosedAndAFreedPlaceIsTaken) {
  Seed(0);
  Start({"--max-connections", "3"});
  std::vector<std::unique_ptr<RawConnection>> held;
  for (const char* from : {"127.0.0.21", "127.0.0.22", "127.0.0.23"}) {
    held.push_back(std::make_unique<RawConnection>(port_, from));
    ASSERT_TRUE(held.back()->Send(kHealth));
    ASSERT_EQ(Status(held.back()->ReadResponse(5s)), "HTTP/1.1 200 OK");
  }
  RawConnection over(port_, "127.0.0.24");
  over.Send(kHealth);
  std::string received;
  EXPECT_TRUE(over.ReadUntilClosed(2s, received));
  EXPECT_EQ(received, "");
  EXPECT_NE(gateway_->Log().find("127.0.0.24 over 3 open connections in all: closed"), std::string::npos)
      << gateway_->Log();
  // The connections already in keep being served.
  ASSERT_TRUE(held[0]->Send(kHealth));
  EXPECT_EQ(Status(held[0]->ReadResponse(5s)), "HTTP/1.1 200 OK");

  held.pop_back();
  std::string answer;
  for (int attempt = 0; attempt < 40 && answer.empty(); ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(50ms);
    RawConnection again(port_, "127.0.0.24");
    again.Send(kHealth);
    answer = again.ReadResponse(1s);
  }
  EXPECT_EQ(Status(answer), "HTTP/1.1 200 OK") << gateway_->Log();
}

TEST_F(ManyClients, AClientGoneMidAnswerLeavesTheOthersServed) {
  Seed(0);
  {
    // Recommendations enough for an answer of several megabytes.
    std::string error;
    Database db = OpenDatabase(file_.path(), OpenMode::kMustExist, error);
    ASSERT_TRUE(db) << error;
    ASSERT_TRUE(ExecSql(db.get(),
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                        "INSERT INTO Latest1 (股票代码, 备注) SELECT printf('%06d', i), hex(zeroblob(500)) FROM n",
                        error))
        << error;
  }
  Start({});
  for (int round = 0; round < 5; ++round) {
    RawConnection leaving(port_, "127.0.0.31");
    ASSERT_TRUE(leaving.Send(QueryRequest("select * from Latest1")));
    for (int wait = 0; wait < 200 && !leaving.Readable(); ++wait) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(leaving.Readable()) << "the answer never started";
    leaving.Reset();
  }
  RawConnection staying(port_, "127.0.0.32");
  ASSERT_TRUE(staying.Send(QueryRequest("select count(*) from latest1")));
  EXPECT_EQ(Payload(staying.ReadResponse(10s)), "count(*)々☆3003々☆");
  EXPECT_EQ(gateway_->Stop(SIGTERM), 0) << gateway_->Log();
}

TEST_F(ManyClients, AStopClosesEveryConnectionAndKeepsEveryAcknowledgedWrite) {
  constexpr int kWriters = 8;
  Seed(kWriters);
  Start({"--max-per-address", "100"});
  // Idle connections, and writers that each count their own account's handle up, one
  // acknowledged change after another, until the service goes.
  std::vector<std::unique_ptr<RawConnection>> idle;
  for (int i = 0; i < 20; ++i) idle.push_back(std::make_unique<RawConnection>(port_, "127.0.0.41"));
  std::vector<int> acknowledged(kWriters, 0);
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([this, w, &acknowledged] {
      RawConnection writer(port_, "127.0.0.42");
      for (int n = 1; n < 100000; ++n) {
        const std::string sql = "update account set 句柄='" + std::to_string(n) + "' where 账号='" + Account(w) + "'";
        if (!writer.Send(PageRequest(StatementBody('1', LocalNow(), sql)))) return;
        if (Payload(writer.ReadResponse(10s)) != "6") return;
        acknowledged[size_t(w)] = n;
      }
    });
  }
  std::this_thread::sleep_for(1s);
  const auto start = Clock::now();
  EXPECT_EQ(gateway_->Stop(SIGTERM), 0);
  EXPECT_LT(Clock::now() - start, 5s);
  for (std::thread& writer : writers) writer.join();
  for (auto& connection : idle) {
    std::string received;
    EXPECT_TRUE(connection->ReadUntilClosed(1s, received));
  }

  std::string error;
  Database db = OpenDatabase(file_.path(), OpenMode::kMustExist, error);
  ASSERT_TRUE(db) << error;
  for (int w = 0; w < kWriters; ++w) {
    EXPECT_GT(acknowledged[size_t(w)], 0) << "writer " << w << " never got a change through";
    Query handle(db.get(), "SELECT 句柄 FROM account WHERE 账号='" + Account(w) + "'");
    ASSERT_EQ(handle.Step(), SQLITE_ROW);
    // The last change may have been made without its answer arriving; none acknowledged is lost.
    EXPECT_GE(std::stoi(handle.Text(0)), acknowledged[size_t(w)]) << Account(w);
  }
}

}  // namespace
}  // namespace velmora::service
