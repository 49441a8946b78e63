#include "gateway_service.h"

#include "gateway/protocol.h"
#include "gateway/wire_codec.h"
#include "gbk.h"
#include "web_text.h"

namespace velmora::service {
namespace {

// Seconds between a request stamp "HH:MM:SS" and the clock, around midnight too; -1 when the
// stamp is no time.
int StampDistance(std::string_view stamp, DateTime now) {
  if (stamp.size() != 8 || stamp[2] != ':' || stamp[5] != ':') return -1;
  int parts[3];
  for (int i = 0; i < 3; ++i) {
    const int hi = stamp[i * 3] - '0', lo = stamp[i * 3 + 1] - '0';
    if (hi < 0 || hi > 9 || lo < 0 || lo > 9) return -1;
    parts[i] = hi * 10 + lo;
  }
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return -1;
  const CivilTime c = now.Civil();
  int d = (parts[0] * 3600 + parts[1] * 60 + parts[2]) - (c.hour * 3600 + c.minute * 60 + c.second);
  d = ((d % 86400) + 86400) % 86400;
  return d > 43200 ? 86400 - d : d;
}

constexpr int kStampTolerance = 90;

// Which account a statement reads or writes: its condition's name, or a new account's name.
std::string AccountNamed(const Statement& st) {
  if (st.table->name != "account") return {};
  if (st.where) return st.where->value.text;
  for (size_t i = 0; i < st.columns.size() && i < st.values.size(); ++i) {
    if (st.columns[i]->name == "账号") return st.values[i].text;
  }
  return {};
}

}  // namespace

bool FormField(std::string_view body, std::string_view name, std::string& value) {
  bool found = false;
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view pair = body.substr(start, end - start);
    const size_t eq = pair.find('=');
    if (eq != std::string_view::npos && FormDecode(pair.substr(0, eq)) == name) {
      value = FormDecode(pair.substr(eq + 1));
      found = true;
    }
    start = end + 1;
  }
  return found;
}

GatewayService::GatewayService(Store& store, ServiceOptions options, std::function<DateTime()> clock)
    : store_(store), options_(std::move(options)), clock_(std::move(clock)) {
  if (options_.key_digits.empty()) options_.key_digits = BuiltInRequestKey();
}

std::string GatewayService::Answer(DateTime now, std::string_view payload_gbk) const {
  std::string text = ServerClockText(now, options_.twelve_hour_clock);
  text.append(kAnswerMarker);
  text.append(payload_gbk);
  return EncodeWire(text, *WireKey::FromDigits(options_.key_digits));
}

PendingRequest GatewayService::Begin(std::string_view form_body, const std::string& client_address,
                                     RequestRecord& record) {
  const DateTime now = clock_();
  const auto decided = [now](std::string answer) { return PendingRequest{now, std::move(answer), std::nullopt}; };
  const auto key = WireKey::FromDigits(options_.key_digits);
  record.op = "?";
  std::string p;
  if (!key || !FormField(form_body, "p", p)) {
    record.outcome = "no operation field";
    return decided(Answer(now, ""));
  }
  const auto op = TryDecodeWire(p, *key);
  if (!op || op->size() != 1) {
    record.outcome = "bad operation field";
    return decided(Answer(now, ""));
  }
  record.op = *op;

  if (*op == "3") {
    record.kind = "handshake";
    std::string f;
    const auto machine = FormField(form_body, "f", f) ? TryDecodeWire(f, *key) : std::nullopt;
    if (!machine) {
      record.outcome = "bad machine field";
      return decided(EncodeWire("1", *key));
    }
    if (options_.denied_machines.count(*machine)) {
      record.outcome = "machine denied: " + *machine;
      return decided(EncodeWire("1", *key));
    }
    record.outcome = "ok";
    return decided(Answer(now, client_address));
  }

  std::string post;
  if (*op != "1" && *op != "2" && *op != "4") {
    record.outcome = "unknown operation";
    return decided(Answer(now, ""));
  }
  if (!FormField(form_body, "post", post)) {
    record.outcome = "no statement field";
    return decided(Answer(now, ""));
  }
  return BeginStatement(*op, post, now, record);
}

PendingRequest GatewayService::BeginStatement(std::string_view op, std::string_view post, DateTime now,
                                              RequestRecord& record) {
  const auto refused = [this, now, &record](std::string why) {
    record.outcome = std::move(why);
    return PendingRequest{now, Answer(now, ""), std::nullopt};
  };
  const auto text = TryDecodeWire(post, *WireKey::FromDigits(options_.key_digits));
  if (!text) return refused("statement field is not wire text");
  const size_t marker = text->find(kStampMarker);
  if (marker == std::string::npos) return refused("no request stamp");
  const int distance = StampDistance(std::string_view(*text).substr(0, marker), now);
  if (distance < 0 || distance >= kStampTolerance) {
    return refused(distance < 0 ? "bad request stamp" : "stale request stamp");
  }
  const auto sql = GbkToUtf8(std::string_view(*text).substr(marker + kStampMarker.size()));
  if (!sql) return refused("statement is not GBK text");
  Recognition recognised = RecognizeStatement(*sql, StatementOp(op[0]));
  if (!recognised.statement) return refused("refused: " + recognised.refusal + ": " + *sql);
  record.kind = std::string(KindName(recognised.statement->kind));
  record.account = AccountNamed(*recognised.statement);
  return PendingRequest{now, std::nullopt, std::move(recognised.statement)};
}

std::optional<std::string> GatewayService::AnswerWithoutDatabase(const PendingRequest& request,
                                                                 RequestRecord& record) const {
  if (request.answer) return request.answer;
  if (!request.statement) return std::nullopt;
  const auto remembered = store_.RememberedCount(*request.statement);
  if (!remembered) return std::nullopt;
  return Answered(request.now, *remembered, record);
}

std::string GatewayService::Finish(PendingRequest request, RequestRecord& record) {
  if (request.answer) return std::move(*request.answer);
  if (!request.statement) return Answer(request.now, "");
  return Answered(request.now, store_.Run(*request.statement, options_.max_payload), record);
}

std::string GatewayService::Answered(DateTime now, const StoreResult& result, RequestRecord& record) const {
  record.rows = result.rows;
  if (!result.ok) {
    record.outcome = (result.refused ? "refused: " : "failed: ") + result.error;
    return Answer(now, "");
  }
  const auto payload = Utf8ToGbk(result.payload);
  if (!payload) {
    record.outcome = "stored text has no GBK form";
    return Answer(now, "");
  }
  record.outcome = "ok";
  return Answer(now, *payload);
}

}  // namespace velmora::service
