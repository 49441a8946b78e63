// One gateway request: the form body in, the encoded answer out. No HTTP here, so it is tested
// and fuzzed directly.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "gateway/date_time.h"
#include "local_clock.h"
#include "store.h"

namespace velmora::service {

struct ServiceOptions {
  std::string key_digits;              // the request key; the client's built-in one by default
  bool twelve_hour_clock = false;      // answer times as "2026-12-09 下午 2:03:05"
  std::set<std::string> denied_machines;  // machine identifiers refused at the handshake
  size_t max_payload = kDefaultMaxPayload;  // longest answer built; a longer one is a failure
};

// What one request did, for the log line.
struct RequestRecord {
  std::string op;       // "1" … "4", or "?"
  std::string kind;     // statement kind, "handshake", or ""
  std::string outcome;  // "ok", or why it was refused or failed
  int64_t rows = 0;
  std::string account;  // the account an accepted statement read or wrote (UTF-8), or ""
};

// A request decoded and checked: either its answer is decided already (a handshake, a refusal),
// or its statement is still to run.
struct PendingRequest {
  DateTime now;
  std::optional<std::string> answer;
  std::optional<Statement> statement;
};

class GatewayService {
 public:
  GatewayService(Store& store, ServiceOptions options, std::function<DateTime()> clock);

  // The response body for a POST body; failures are answered too (see the log record).
  std::string Handle(std::string_view form_body, const std::string& client_address, RequestRecord& record) {
    return Finish(Begin(form_body, client_address, record), record);
  }

  // Handle in steps, so that what needs no database is answered where the request arrived:
  // Begin decodes and checks (no database), AnswerWithoutDatabase answers when that is possible
  // (a decided answer, a count held in memory), and Finish runs the statement and answers.
  PendingRequest Begin(std::string_view form_body, const std::string& client_address, RequestRecord& record);
  std::optional<std::string> AnswerWithoutDatabase(const PendingRequest& request, RequestRecord& record) const;
  std::string Finish(PendingRequest request, RequestRecord& record);

 private:
  std::string Answer(DateTime now, std::string_view payload_gbk) const;
  PendingRequest BeginStatement(std::string_view op, std::string_view post, DateTime now, RequestRecord& record);
  std::string Answered(DateTime now, const StoreResult& result, RequestRecord& record) const;

  Store& store_;
  ServiceOptions options_;
  std::function<DateTime()> clock_;
};


// Form fields of an application/x-www-form-urlencoded body; the last of repeated names wins.
bool FormField(std::string_view body, std::string_view name, std::string& value);

}  // namespace velmora::service
