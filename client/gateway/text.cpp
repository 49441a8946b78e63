#include "gateway/text.h"

#include <limits>

namespace velmora {

std::vector<std::string_view> SplitOnCharBoundary(std::string_view text, std::string_view separator,
                                                  size_t limit) {
  std::vector<std::string_view> pieces;
  if (text.empty()) return pieces;
  size_t start = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    if (!separator.empty() && text.compare(pos, separator.size(), separator) == 0) {
      pieces.push_back(text.substr(start, pos - start));
      if (limit != 0 && pieces.size() == limit) return pieces;
      pos += separator.size();
      start = pos;
      continue;
    }
    pos += CharLengthAt(text, pos);
  }
  if (start < text.size()) pieces.push_back(text.substr(start));
  return pieces;
}

int64_t LeadingNumber(std::string_view text) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    const int digit = c - '0';
    if (value > (kMax - digit) / 10) return kMax;
    value = value * 10 + digit;
  }
  return value;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  if (from.empty()) return std::string(text);
  size_t pos = 0;
  for (;;) {
    const size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace velmora
