// The gateway protocol as both ends speak it: the page's name, the operation codes, the marks in
// requests and answers, the request key, what a request's statement and a handshake answer look
// like, and which answers a client accepts. No transport and no process state: the service links
// this and the codec only.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "gateway/date_time.h"
#include "gateway/wire_codec.h"

namespace velmora {

inline constexpr std::string_view kStampMarker = "{[good-lark]}";
inline constexpr std::string_view kAnswerMarker = "{[good-wren]}";
inline constexpr std::string_view kGatewayPage = "talvenor.asp";

// Operation codes of form field "p".
enum class GatewayOp : char { kExecute = '1', kQuery = '2', kConnect = '3', kCheck = '4' };

// The payload of a decoded answer "server time{[good-wren]}payload", when that time lies strictly
// within 90 seconds of `now`.
std::optional<std::string> AcceptAnswer(std::string_view decoded, DateTime now);
// True when `decoded` is a well-formed answer that AcceptAnswer refuses only for its time.
bool AnswerTimeOutOfBounds(std::string_view decoded, DateTime now);

struct Handshake {
  DateTime server_time;
  std::string client_address;
};
// The decoded handshake answer: refusals ("", "1", "11", "12"), more than one marker, or a time
// that is no date-time give nothing.
std::optional<Handshake> ParseHandshake(std::string_view decoded);

// "HH:MM:SS{[good-lark]}" + sql.
std::string StampedStatement(DateTime server_now, std::string_view sql);

// The request key, held in memory only masked; the mask differs in every process.
class HiddenKey {
 public:
  HiddenKey() = default;
  explicit HiddenKey(std::string_view digits);
  std::optional<WireKey> Reveal() const;
  // The bytes as they sit in memory, for the integrity seal.
  std::string_view MaskedBytes() const { return masked_; }

 private:
  std::string masked_;
  std::string mask_;
};

// The request key built into the program, itself stored masked in the binary.
std::string BuiltInRequestKey();

}  // namespace velmora
