#include "html.h"

#include <cstdint>

#include "web_text.h"

namespace velmora::console {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size();) {
    const size_t len = service::Utf8SequenceLength(text, i);
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
    std::string name = service::FormDecode(pair.substr(0, eq));
    std::string value = eq == std::string_view::npos ? std::string() : service::FormDecode(pair.substr(eq + 1));
    form.emplace(std::move(name), std::move(value));
  }
  return form;
}

std::string FormValue(const std::map<std::string, std::string, std::less<>>& form, std::string_view name) {
  const auto it = form.find(name);
  return it == form.end() ? std::string() : it->second;
}

}  // namespace velmora::console
