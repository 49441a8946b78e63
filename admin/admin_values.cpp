#include "admin_values.h"

#include "admin_commands.h"
#include "gateway/rc4.h"
#include "gbk.h"

// Stored texts are UTF-8 and the separators below are literals: stop at once if this file is
// ever compiled with the client's GBK execution character set.
static_assert(sizeof("编号") == 7 && "编号"[0] == '\xE7', "narrow string literals must be UTF-8 here");

namespace velmora::admin {
namespace {

// The separators of the service's answers: a plain stored text holding one would split a row.
constexpr std::string_view kSeparators[] = {"々", "☆"};

constexpr int64_t kMaxColour = 0xFFFFFF;

}  // namespace

[[noreturn]] void Refuse(std::string message) { throw CommandError{kExitUsage, std::move(message)}; }
[[noreturn]] void Fail(std::string message) { throw CommandError{kExitFailed, std::move(message)}; }

// A text inside a one-line message: control characters would break the line.
std::string Printable(std::string_view text) {
  std::string shown;
  for (char c : text) shown.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
  return shown;
}
std::string Shown(std::string_view text) { return "'" + Printable(text) + "'"; }

// ---- Texts ---------------------------------------------------------------------------------

void RequireUtf8(std::string_view text, std::string_view what) {
  if (!IsValidUtf8(text)) Refuse(std::string(what) + " is not valid UTF-8");
}

// The text as the client will hold it. Everything stored must survive the trip to GBK.
std::string GbkOf(std::string_view utf8, std::string_view what) {
  RequireUtf8(utf8, what);
  auto gbk = service::Utf8ToGbk(utf8);
  if (!gbk) Refuse(std::string(what) + " " + Shown(utf8) + " has a character that GBK cannot represent");
  return std::move(*gbk);
}

// A value stored as RC4 hex text: the cipher runs over the GBK bytes the client deciphers.
std::string Enciphered(std::string_view utf8, std::string_view what) {
  return Rc4HexEncode(GbkOf(utf8, what));
}

// A value stored as it is: UTF-8, writable in GBK, and free of the answer separators.
std::string Plain(std::string_view utf8, std::string_view what) {
  GbkOf(utf8, what);
  for (std::string_view sep : kSeparators) {
    if (utf8.find(sep) != std::string_view::npos) {
      Refuse(std::string(what) + " " + Shown(utf8) + " contains '" + std::string(sep) +
             "', which separates the service's answers");
    }
  }
  return std::string(utf8);
}

void RequireNonEmpty(std::string_view text, std::string_view what) {
  if (text.empty()) Refuse(std::string(what) + " is empty");
}

// A stored RC4 hex text back as UTF-8, for display.
std::string Deciphered(std::string_view hex) {
  const auto gbk = TryRc4HexDecode(hex);
  if (!gbk) return "(unreadable: " + Printable(hex) + ")";
  const auto utf8 = service::GbkToUtf8(*gbk);
  return utf8 ? Printable(*utf8) : "(unreadable: " + Printable(hex) + ")";
}

// The client writes its date-times (年, 月...) in GBK; the database holds UTF-8.
std::string StoredText(const std::string& gbk) {
  auto utf8 = service::GbkToUtf8(gbk);
  if (!utf8) Fail("cannot convert a date-time text to UTF-8");
  return std::move(*utf8);
}

// ---- Numbers and colours -------------------------------------------------------------------

std::optional<int64_t> Digits(std::string_view text, int base) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + d;
  }
  return value;
}

int64_t Number(std::string_view text, std::string_view what, int64_t min, int64_t max) {
  const auto n = Digits(text, 10);
  if (!n || *n < min || *n > max) {
    Refuse(std::string(what) + " must be a whole number from " + std::to_string(min) + " to " +
           std::to_string(max) + ", not " + Shown(text));
  }
  return *n;
}

// Windows colour value 0x00BBGGRR from decimal, 0xBBGGRR or #RRGGBB; nothing for anything else.
std::optional<int64_t> ParseColour(std::string_view text) {
  std::optional<int64_t> value;
  if (text.size() == 7 && text[0] == '#') {
    const auto rgb = Digits(text.substr(1), 16);
    if (rgb) value = (*rgb & 0xFF) << 16 | (*rgb & 0xFF00) | (*rgb >> 16 & 0xFF);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    if (text.size() <= 10) value = Digits(text.substr(2), 16);
  } else {
    value = Digits(text, 10);
  }
  if (value && *value > kMaxColour) return std::nullopt;
  return value;
}

int64_t Colour(std::string_view text, std::string_view what) {
  const auto colour = ParseColour(text);
  if (!colour)
    Refuse(std::string(what) + " " + Shown(text) + " is not a colour (decimal, 0xBBGGRR or #RRGGBB)");
  return *colour;
}

// "16777215 (#FFFFFF)" for a stored colour; the stored text as it is when it is no number.
std::string ColourShown(std::string_view stored) {
  const auto v = Digits(stored, 10);
  if (!v || *v > kMaxColour) return Printable(stored);
  static constexpr char kHex[] = "0123456789ABCDEF";
  const int64_t rgb = (*v & 0xFF) << 16 | (*v & 0xFF00) | (*v >> 16 & 0xFF);
  std::string shown = std::string(stored) + " (#";
  for (int shift = 20; shift >= 0; shift -= 4) shown.push_back(kHex[rgb >> shift & 0xF]);
  return shown + ")";
}

// Columns on the terminal: East Asian wide characters take two.
size_t DisplayWidth(std::string_view s) {
  size_t width = 0;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t len = b < 0x80             ? 1
                       : (b & 0xE0) == 0xC0 ? 2
                       : (b & 0xF0) == 0xE0 ? 3
                       : (b & 0xF8) == 0xF0 ? 4
                                            : 1;
    uint32_t cp = len == 1 ? b : b & (0xFFu >> (len + 1));
    for (size_t k = 1; k < len && i + k < s.size(); ++k)
      cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                      (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
    width += wide ? 2 : 1;
    i += len;
  }
  return width;
}

std::string Table(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

}  // namespace velmora::admin
