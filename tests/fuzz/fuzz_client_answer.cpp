// The client's side of an answer, on arbitrary bytes: wire decoding, the time check, row
// splitting, the clock texts, and the codec and RC4 hex round trips. Every property checked here
// is one the client relies on when it reads what the gateway sent.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/date_time.h"
#include "gateway/gateway_client.h"
#include "gateway/rc4.h"
#include "gateway/result_rows.h"
#include "gateway/text.h"
#include "gateway/wire_codec.h"

namespace velmora {
namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

struct Keys {
  std::string digits = BuiltInRequestKey();
  WireKey key = *WireKey::FromDigits(digits);
  WireKey one_digit = *WireKey::FromDigits("9");
  // The key started at each position: decoding one group alone with rotated[k] is decoding it at
  // key position k of a longer text.
  std::vector<WireKey> rotated;
  Keys() {
    for (size_t i = 0; i < digits.size(); ++i) {
      rotated.push_back(*WireKey::FromDigits(digits.substr(i) + digits.substr(0, i)));
    }
  }
};

const Keys& TheKeys() {
  static const Keys keys;
  return keys;
}

void CheckCodecRoundTrip(std::string_view bytes, const WireKey& key) {
  const std::string wire = EncodeWire(bytes, key);
  Require(wire.size() % 4 == 0);
  for (char c : wire) Require((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
  const auto back = TryDecodeWire(wire, key);
  Require(back.has_value() && *back == bytes);
}

// Decoding a whole text (which takes the wide path for long texts) agrees with decoding its groups
// one at a time, each alone on the narrow path.
void CheckDecodeByGroups(std::string_view wire, const std::optional<std::string>& whole) {
  const Keys& keys = TheKeys();
  std::string joined;
  bool corrupt = false;
  for (size_t g = 0; g * 4 < wire.size(); ++g) {
    const auto one = TryDecodeWire(wire.substr(g * 4, 4), keys.rotated[g % keys.rotated.size()]);
    if (!one) {
      corrupt = true;
      break;
    }
    Require(!one->empty() && one->size() <= 2);
    joined += *one;
  }
  Require(whole.has_value() == !corrupt);
  if (whole) Require(*whole == joined);
}

// Pieces joined with the separator give the text back, less a separator that ended it.
void CheckSplit(std::string_view text, std::string_view separator, const std::vector<std::string_view>& pieces) {
  std::string joined;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i) joined.append(separator);
    joined.append(pieces[i]);
  }
  Require(joined == text || joined + std::string(separator) == text);
}

void CheckRows(std::string_view payload) {
  const auto rows = SplitRows(payload);
  CheckSplit(payload, kRowSeparator, rows);
  const ResultRows result(payload);
  Require(result.RowCount() == rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    const auto fields = SplitFields(rows[r]);
    CheckSplit(rows[r], kFieldSeparator, fields);
    Require(result.Row(r).size() == fields.size());
    for (size_t f = 0; f < fields.size(); ++f) Require(result.Field(r, f) == fields[f]);
    Require(result.Field(r, fields.size()).empty());
  }
  Require(result.Field(rows.size(), 0).empty());
  Require(ParseCount(payload) >= 0);
}

// An answer whose time reads as t is taken at t ± 89 s and refused at t ± 90 s, and what is
// taken is the text after the marker.
void CheckAnswer(std::string_view decoded) {
  const auto parts = SplitOnCharBoundary(decoded, kAnswerMarker);
  const auto at_now = AcceptAnswer(decoded, DateTime());
  if (at_now) Require(parts.size() == 2 && *at_now == parts[1]);
  if (parts.size() == 2) {
    if (const auto t = ParseClockText(parts[0])) {
      for (const int64_t d : {0, 89, -89}) {
        const auto taken = AcceptAnswer(decoded, t->PlusSeconds(d));
        Require(taken.has_value() && *taken == parts[1]);
      }
      Require(!AcceptAnswer(decoded, t->PlusSeconds(90)));
      Require(!AcceptAnswer(decoded, t->PlusSeconds(-90)));
    }
  }
  if (const auto handshake = ParseHandshake(decoded)) Require(!handshake->server_time.IsEmpty());
  CheckRows(parts.size() == 2 ? parts[1] : decoded);
}

// A time read from a text is one the client can write and read back in every form it uses.
void CheckTime(const std::optional<DateTime>& t) {
  if (!t) return;
  const CivilTime c = t->Civil();
  Require(c.year >= 100 && c.year <= 9999);
  const auto civil_again = DateTime::FromCivil(c);
  Require(civil_again && *civil_again == *t);
  const auto server24 = ParseClockText(ServerClockText(*t, false));
  Require(server24 && *server24 == *t);
  const auto server12 = ParseClockText(ServerClockText(*t, true));
  Require(server12 && *server12 == *t);
  const auto stored = ParseDateTime(DateTimeText(*t));
  Require(stored && *stored == *t);
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmora;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const Keys& keys = TheKeys();

  // The input as an answer off the wire.
  const auto decoded = TryDecodeWire(input, keys.key);
  CheckDecodeByGroups(input, decoded);
  if (decoded) CheckAnswer(*decoded);
  // And as an answer already decoded, so the fuzzer reaches the time check without hex.
  CheckAnswer(input);

  CheckTime(ParseClockText(input));
  CheckTime(ParseDateTime(input));

  CheckCodecRoundTrip(input, keys.key);
  CheckCodecRoundTrip(input, keys.one_digit);

  const std::string hex = Rc4HexEncode(input);
  Require(hex.size() == 2 * size);
  Require(Rc4HexDecode(hex) == input.substr(0, input.find('\0')));
  (void)TryRc4HexDecode(input);
  return 0;
}
