#include "html.h"

#include <cstdint>

namespace velmora::console {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 character at `s[i]`, or 0 when none starts there.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t len = 0;
  uint32_t cp = 0, min = 0;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) {
    len = 2, cp = b & 0x1Fu, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3, cp = b & 0x0Fu, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4, cp = b & 0x07u, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (c & 0x3Fu);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Decoded(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out.push_back(' ');
    } else if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      out.push_back(char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
      i += 2;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size();) {
    const size_t len = Utf8Length(text, i);
    if (len == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    if (len > 1) {
      out.append(text.substr(i, len));
      i += len;
      continue;
    }
    const char c = text[i++];
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      case '\t':
      case '\n':
      case '\r': out.push_back(c); break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          out += kReplacement;
        } else {
          out.push_back(c);
        }
    }
  }
  return out;
}

std::map<std::string, std::string, std::less<>> ParseForm(std::string_view encoded) {
  std::map<std::string, std::string, std::less<>> form;
  while (!encoded.empty()) {
    const size_t amp = encoded.find('&');
    const std::string_view pair = encoded.substr(0, amp);
    encoded = amp == std::string_view::npos ? std::string_view() : encoded.substr(amp + 1);
    if (pair.empty()) continue;
    const size_t eq = pair.find('=');
    std::string name = Decoded(pair.substr(0, eq));
    std::string value = eq == std::string_view::npos ? std::string() : Decoded(pair.substr(eq + 1));
    form.emplace(std::move(name), std::move(value));
  }
  return form;
}

std::string FormValue(const std::map<std::string, std::string, std::less<>>& form, std::string_view name) {
  const auto it = form.find(name);
  return it == form.end() ? std::string() : it->second;
}

}  // namespace velmora::console
