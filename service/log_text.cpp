#include "log_text.h"

#include <cstdio>

namespace velmora::service {
namespace {

// Length of the well-formed UTF-8 sequence at `at`, or 0 (overlong forms, surrogates and code
// points past U+10FFFF are not well-formed).
size_t Utf8Length(std::string_view s, size_t at) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[at + i]); };
  const auto in = [&](size_t i, unsigned lo, unsigned hi) { return at + i < s.size() && b(i) >= lo && b(i) <= hi; };
  const unsigned c = b(0);
  if (c >= 0xC2 && c <= 0xDF) return in(1, 0x80, 0xBF) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    return in(1, lo, hi) && in(2, 0x80, 0xBF) ? 3 : 0;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    const unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    return in(1, lo, hi) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

}  // namespace

std::string EscapeLogText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      if (const size_t n = Utf8Length(text, i); n != 0) {
        out.append(text.substr(i, n));
        i += n;
        continue;
      }
    }
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out.push_back(char(c));
    }
    ++i;
  }
  return out;
}

}  // namespace velmora::service
