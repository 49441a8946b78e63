#include "wire/wire_tool.h"

#include "gateway/gateway_client.h"
#include "gateway/rc4.h"
#include "gateway/wire_codec.h"

namespace velmora::wire {
namespace {

constexpr std::string_view kUsage =
    "usage: velmora-wire COMMAND [OPTIONS]\n"
    "  encode [--key DIGITS]          GBK text on stdin -> wire text\n"
    "  decode [--key DIGITS]          wire text on stdin -> GBK text\n"
    "  rc4hex-encode                  text on stdin -> RC4 hex text (as stored values)\n"
    "  rc4hex-decode                  RC4 hex text on stdin -> text\n"
    "  query [--key DIGITS] [--utf8] URL OP SQL\n"
    "                                 handshake with the gateway page at URL, then send SQL with\n"
    "                                 operation OP (1 execute, 2 query, 4 check); prints the answer\n"
    "                                 --utf8: SQL and answer are UTF-8 (converted from/to GBK)\n"
    "  --help                         this text\n"
    "The key is the built-in request key unless --key gives one. Every result ends in one newline.\n"
    "Exit status: 0 done, 1 the gateway failed or refused, 2 bad input or usage.\n";

// A user's text inside a one-line message: control characters would break the line.
std::string Printable(std::string_view text) {
  std::string shown;
  for (char c : text) shown.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
  return shown;
}
std::string Shown(std::string_view text) {
  std::string shown = "'";
  shown.append(Printable(text));
  shown.push_back('\'');
  return shown;
}

int Fail(std::string& err, int status, std::string_view message) {
  err.append("velmora-wire: ").append(message).append("\n");
  return status;
}

int Usage(std::string& err, std::string_view message) { return Fail(err, kExitUsage, message); }

// Surrounding spaces, tabs and line ends, as a pasted or piped text carries them.
std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

struct CommandLine {
  std::optional<std::string> key;
  bool utf8 = false;
  std::vector<std::string> operands;
};

// Options may stand anywhere after the command; "--" ends them, so an operand may start with "--".
// Returns the message for a bad command line, or nothing.
std::optional<std::string> ParseCommandLine(const std::vector<std::string>& args, bool allows_key,
                                            bool allows_utf8, CommandLine& line) {
  bool options_ended = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options_ended || a.size() < 2 || a.compare(0, 2, "--") != 0) {
      line.operands.push_back(a);
    } else if (a == "--") {
      options_ended = true;
    } else if (a == "--key" && allows_key) {
      if (i + 1 == args.size()) return "--key needs the key's digits";
      line.key = args[++i];
    } else if (a == "--utf8" && allows_utf8) {
      line.utf8 = true;
    } else {
      return "unknown option " + Shown(a) + " for " + args[0];
    }
  }
  return std::nullopt;
}

// The key given with --key, else the built-in one; nothing (and the message in `err`) when the
// given key is not decimal digits.
std::optional<WireKey> ChosenKey(const CommandLine& line, std::string& err) {
  const std::string digits = line.key ? *line.key : BuiltInRequestKey();
  auto key = WireKey::FromDigits(digits);
  if (!key) Usage(err, "--key must be one or more decimal digits, not " + Shown(digits));
  return key;
}

int RunCodecCommand(const std::vector<std::string>& args, const std::function<std::string()>& read_input,
                    std::string& out, std::string& err) {
  const std::string& command = args[0];
  const bool keyed = command == "encode" || command == "decode";
  CommandLine line;
  if (auto bad = ParseCommandLine(args, keyed, false, line)) return Usage(err, *bad);
  if (!line.operands.empty()) {
    return Usage(err, command + " reads its text from standard input, not " + Shown(line.operands[0]));
  }
  std::optional<WireKey> key;
  if (keyed && !(key = ChosenKey(line, err))) return kExitUsage;

  const std::string input = read_input();
  std::string result;
  if (command == "encode") {
    result = EncodeWire(input, *key);
  } else if (command == "decode") {
    auto decoded = TryDecodeWire(Trimmed(input), *key);
    if (!decoded) return Usage(err, "input is not wire text: a group of digits is not hexadecimal");
    result = std::move(*decoded);
  } else if (command == "rc4hex-encode") {
    result = Rc4HexEncode(input);
  } else {
    const std::string_view hex = Trimmed(input);
    if (hex.size() % 2 != 0) return Usage(err, "input is not RC4 hex text: odd number of digits");
    auto decoded = TryRc4HexDecode(hex);
    if (!decoded) return Usage(err, "input is not RC4 hex text: a character is not a hexadecimal digit");
    result = std::move(*decoded);
  }
  out.append(result).append("\n");
  return kExitOk;
}

int RunQuery(const std::vector<std::string>& args, std::string& out, std::string& err) {
  CommandLine line;
  if (auto bad = ParseCommandLine(args, true, true, line)) return Usage(err, *bad);
  if (line.operands.size() != 3) {
    return Usage(err, "query needs URL OP SQL (" + std::to_string(line.operands.size()) + " given)");
  }
  const std::string& url = line.operands[0];
  const std::string& op_text = line.operands[1];
  std::string sql = line.operands[2];

  // The transports understand plain http addresses only; anything else could only fail later.
  constexpr std::string_view kScheme = "http://";
  if (url.compare(0, kScheme.size(), kScheme) != 0 || url.size() == kScheme.size() ||
      url[kScheme.size()] == '/') {
    return Usage(err, "URL must be the gateway page's http:// address, not " + Shown(url));
  }
  if (op_text != "1" && op_text != "2" && op_text != "4") {
    return Usage(err, "OP must be 1 (execute), 2 (query) or 4 (check), not " + Shown(op_text));
  }
  const auto key = ChosenKey(line, err);
  if (!key) return kExitUsage;
  if (line.utf8) {
    auto gbk = Utf8ToGbk(sql);
    if (!gbk) return Usage(err, "SQL is not UTF-8 text that GBK can hold");
    sql = std::move(*gbk);
  }

  const std::string key_digits = line.key ? *line.key : BuiltInRequestKey();
  GatewayClient gateway(ThisPlatform());
  if (!gateway.Connect(url, key_digits)) {
    return Fail(err, kExitGateway, "handshake with " + Printable(url) + " failed");
  }
  std::string answer;
  switch (op_text[0]) {
    case '1': answer = gateway.Execute(sql); break;
    case '2': answer = gateway.Query(sql); break;
    default: answer = gateway.Check(sql); break;
  }
  if (answer.empty()) {
    return Fail(err, kExitGateway,
                "no answer accepted from " + Printable(url) +
                    " (empty, undecodable, or its server time too far from the handshake's)");
  }
  if (line.utf8) {
    auto utf8 = GbkToUtf8(answer);
    if (!utf8) return Usage(err, "the answer is not GBK text, so it cannot be shown as UTF-8");
    answer = std::move(*utf8);
  }
  out.append(answer).append("\n");
  return kExitOk;
}

}  // namespace

int RunWireTool(const std::vector<std::string>& args, const std::function<std::string()>& read_input,
                std::string& out, std::string& err) {
  if (args.empty()) {
    err.append(kUsage);
    return kExitUsage;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h") {
    out.append(kUsage);
    return kExitOk;
  }
  if (command == "encode" || command == "decode" || command == "rc4hex-encode" || command == "rc4hex-decode") {
    return RunCodecCommand(args, read_input, out, err);
  }
  if (command == "query") return RunQuery(args, out, err);
  return Usage(err, "unknown command " + Shown(command) + " (try --help)");
}

int RunWireTool(const std::vector<std::string>& args, std::string_view input, std::string& out,
                std::string& err) {
  return RunWireTool(args, [input] { return std::string(input); }, out, err);
}

}  // namespace velmora::wire
