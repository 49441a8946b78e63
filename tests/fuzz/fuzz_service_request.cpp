// The gateway's request handling on arbitrary form bodies, and on the input sent as a statement
// the way the client sends one (every operation, a current stamp), so that most runs get past the
// codec and the stamp into statement recognition and the database. Every answer must be wire text
// that the client can decode, stamped with the server's time, and empty whenever the request
// was refused.
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "gateway/date_time.h"
#include "gateway/gateway_client.h"
#include "gateway/result_rows.h"
#include "gateway/wire_codec.h"
#include "gateway_service.h"
#include "store.h"

namespace {

using velmora::DateTime;
using velmora::EncodeWire;
using velmora::WireKey;
using velmora::service::GatewayService;
using velmora::service::RequestRecord;
using velmora::service::Store;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// Longer inputs add nothing the fuzzer cannot find in short ones, and they keep rows small.
constexpr size_t kMaxInput = 1024;
// The accounts a run of inserts may leave behind before they are cleared again.
constexpr int kMaxAccounts = 200;

// Just after midnight, so that stamps a little earlier are on the day before.
DateTime ServerNow() { return *DateTime::FromCivil({2026, 3, 14, 0, 0, 40}); }

constexpr std::string_view kDatabasePrefix = "velmora-fuzz-";

// A run that crashed had no chance to remove its database: remove those whose process is gone.
void RemoveDeadRunsDatabases() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/tmp", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, kDatabasePrefix.size(), kDatabasePrefix) != 0) continue;
    const size_t digits_end = name.find(".db", kDatabasePrefix.size());
    if (digits_end == std::string::npos) continue;
    const std::string digits = name.substr(kDatabasePrefix.size(), digits_end - kDatabasePrefix.size());
    if (digits.empty() || digits.size() > 9) continue;
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    if (kill(pid_t(std::stol(digits)), 0) != 0 && errno == ESRCH) std::filesystem::remove(entry.path(), ec);
  }
}

// One database per process, in /tmp, removed when the process ends normally.
class Fixture {
 public:
  Fixture() : path_("/tmp/" + std::string(kDatabasePrefix) + std::to_string(getpid()) + ".db") {
    RemoveDeadRunsDatabases();
    RemoveFiles();
    std::string error;
    store_ = Store::Open(path_, error);
    if (!store_) {
      std::fprintf(stderr, "fuzz_service_request: %s\n", error.c_str());
      std::abort();
    }
    if (sqlite3_open(path_.c_str(), &admin_) != SQLITE_OK) std::abort();
    // A few rows so that the statements the client sends find something.
    Exec(
        "INSERT INTO account (\"\xE8\xB4\xA6\xE5\x8F\xB7\", \"\xE5\x8F\xA5\xE6\x9F\x84\") VALUES ('demo', '42');"
        "INSERT INTO Latest1 (\"\xE8\x82\xA1\xE7\xA5\xA8\xE4\xBB\xA3\xE7\xA0\x81\") VALUES ('600000'), ('000001');"
        "INSERT INTO config2 (\"\xE5\x85\xAC\xE5\x91\x8A\") VALUES ('hello');");
    service_ = std::make_unique<GatewayService>(*store_, velmora::service::ServiceOptions{}, ServerNow);
  }
  ~Fixture() {
    service_.reset();
    store_.reset();
    sqlite3_close(admin_);
    RemoveFiles();
  }
  Fixture(const Fixture&) = delete;
  Fixture& operator=(const Fixture&) = delete;

  GatewayService& Service() { return *service_; }

  // Inserts of new account names pile up; clear all but the first when there are too many.
  void Trim() {
    if (++runs_ % 256 != 0) return;
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(admin_, "SELECT count(*) FROM account", -1, &count, nullptr);
    const bool many = count && sqlite3_step(count) == SQLITE_ROW && sqlite3_column_int(count, 0) > kMaxAccounts;
    sqlite3_finalize(count);
    if (many) Exec("DELETE FROM account WHERE rowid > (SELECT min(rowid) FROM account)");
  }

 private:
  void Exec(const char* sql) {
    if (sqlite3_exec(admin_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "fuzz_service_request: %s\n", sqlite3_errmsg(admin_));
      std::abort();
    }
  }
  void RemoveFiles() {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path_ + suffix).c_str());
  }

  std::string path_;
  std::unique_ptr<Store> store_;
  sqlite3* admin_ = nullptr;
  std::unique_ptr<GatewayService> service_;
  unsigned runs_ = 0;
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

const WireKey& Key() {
  static const WireKey key = *WireKey::FromDigits(velmora::BuiltInRequestKey());
  return key;
}

// "HH:MM:SS" of the server's time moved by `offset` seconds.
std::string Stamp(int offset) { return velmora::ClockStamp(ServerNow().PlusSeconds(offset)); }

std::string StatementBody(char op, std::string_view stamp, std::string_view sql) {
  std::string stamped(stamp);
  stamped.append(velmora::kStampMarker);
  stamped.append(sql);
  return "p=" + EncodeWire(std::string(1, op), Key()) + "&post=" + EncodeWire(stamped, Key());
}

// The decoded answer: "server time{[good-wren]}payload", or "1" for a refused handshake.
std::string Decoded(const std::string& answer) {
  const auto decoded = velmora::TryDecodeWire(answer, Key());
  Require(decoded.has_value());
  return *decoded;
}

const std::string& AnswerPrefix() {
  static const std::string prefix =
      velmora::ServerClockText(ServerNow(), false) + std::string(velmora::kAnswerMarker);
  return prefix;
}

// The payload after the server's time; the answer must start with that time.
std::string_view Payload(const std::string& decoded) {
  const std::string& prefix = AnswerPrefix();
  Require(decoded.compare(0, prefix.size(), prefix) == 0);
  return std::string_view(decoded).substr(prefix.size());
}

bool IsDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// What every statement answer must look like, given what the log record says happened.
void CheckStatementAnswer(const std::string& answer, const RequestRecord& record) {
  const std::string decoded = Decoded(answer);
  const std::string_view payload = Payload(decoded);
  Require(!record.outcome.empty());
  if (record.outcome != "ok") {
    Require(payload.empty());
    return;
  }
  Require(!payload.empty());
  // The client reads an accepted answer's payload back whole.
  const auto accepted = velmora::AcceptAnswer(decoded, ServerNow());
  if (record.kind == "exists") {
    Require(payload == "ok" || payload == "no");
    Require(accepted && *accepted == payload);
  } else if (record.kind == "update" || record.kind == "insert") {
    Require(payload == "6");
    Require(accepted && *accepted == payload);
  } else if (record.kind == "count") {
    // "count(*)々☆N々☆" in GBK: no stored text in it, so its layout is exact.
    const std::string head = std::string("count(*)") + std::string(velmora::kFieldSeparator) +
                             std::string(velmora::kRowSeparator);
    const std::string tail = std::string(velmora::kFieldSeparator) + std::string(velmora::kRowSeparator);
    Require(payload.size() > head.size() + tail.size() && payload.substr(0, head.size()) == head &&
            payload.substr(payload.size() - tail.size()) == tail);
    Require(IsDigits(payload.substr(head.size(), payload.size() - head.size() - tail.size())));
    Require(accepted && velmora::ParseCount(*accepted) >= 0 && record.rows == 1);
  } else {
    Require(record.kind == "select" || record.kind == "top1");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return 0;
  Fixture& fixture = TheFixture();
  GatewayService& service = fixture.Service();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string client = "127.0.0.1";

  // The input as the whole form body.
  {
    RequestRecord record;
    const std::string decoded = Decoded(service.Handle(input, client, record));
    Require(!record.op.empty() && !record.outcome.empty());
    if (decoded != "1") {
      const std::string_view payload = Payload(decoded);
      if (record.kind == "handshake" && record.outcome == "ok") {
        Require(payload == client);
      } else if (record.outcome != "ok") {
        Require(payload.empty());
      }
    } else {
      Require(record.kind == "handshake" && record.outcome != "ok");
    }
  }

  // The input as the statement of each operation, stamped with the server's time.
  for (const char op : {'2', '1', '4'}) {
    RequestRecord record;
    CheckStatementAnswer(service.Handle(StatementBody(op, Stamp(0), input), client, record), record);
    Require(record.op == std::string(1, op));
  }

  // And once with a stamp up to 100 s away, across midnight: refused from 90 s on.
  {
    const int offset = int(size % 201) - 100;
    RequestRecord record;
    const std::string answer = service.Handle(StatementBody('2', Stamp(offset), input), client, record);
    CheckStatementAnswer(answer, record);
    const bool stale = record.outcome == "stale request stamp";
    Require(stale == (offset <= -90 || offset >= 90));
  }

  // The input as the machine identifier of a handshake.
  {
    RequestRecord record;
    const std::string body = "p=" + EncodeWire("3", Key()) + "&f=" + EncodeWire(input, Key());
    const std::string decoded = Decoded(service.Handle(body, client, record));
    Require(record.kind == "handshake" && record.outcome == "ok" && Payload(decoded) == client);
  }

  fixture.Trim();
  return 0;
}
