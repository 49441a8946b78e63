#include "app/profile_text.h"

#include <optional>
#include <vector>

namespace velmora {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// One line of the file: where it starts, its text without the line break, and where the next
// line starts (the file's size for a last line without a break).
struct Line {
  size_t start = 0;
  std::string_view text;
  size_t next = 0;
  bool has_break() const { return next > start + text.size(); }
};

std::vector<Line> Lines(std::string_view file) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < file.size()) {
    const size_t lf = file.find('\n', pos);
    const size_t end = lf == std::string_view::npos ? file.size() : lf;
    std::string_view text = file.substr(pos, end - pos);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const size_t next = lf == std::string_view::npos ? file.size() : lf + 1;
    lines.push_back({pos, text, next});
    pos = next;
  }
  return lines;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trimmed(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return Trimmed(line.substr(0, line.find(']')));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

// A line inside a section as key and value; a comment or blank line has no key.
std::optional<KeyLine> KeyOf(std::string_view line) {
  const std::string_view trimmed = Trimmed(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  const size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) return KeyLine{trimmed, {}};
  return KeyLine{Trimmed(trimmed.substr(0, eq)), Trimmed(trimmed.substr(eq + 1))};
}

// Where the lines of the first section named `section` are: [first, end) after its header line.
struct SectionSpan {
  size_t header = 0, first = 0, end = 0;
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(lines[i].text);
    if (!name || !SameName(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end].text)) ++end;
    return SectionSpan{i, i + 1, end};
  }
  return std::nullopt;
}

}  // namespace

std::string ProfileValue(std::string_view file, std::string_view section, std::string_view key) {
  const std::vector<Line> lines = Lines(file);
  const auto span = FindSection(lines, section);
  if (!span) return {};
  for (size_t i = span->first; i < span->end; ++i) {
    const auto entry = KeyOf(lines[i].text);
    if (!entry || !SameName(entry->key, key)) continue;
    std::string_view value = entry->value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return {};
}

std::string WithProfileValue(std::string_view file, std::string_view section, std::string_view key,
                             std::string_view value) {
  value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
  const std::vector<Line> lines = Lines(file);
  // New lines end as the file's first line does; a file without any ends them with CR LF.
  const std::string_view line_break =
      !lines.empty() && lines.front().has_break() && file[lines.front().start + lines.front().text.size()] == '\n'
          ? "\n"
          : "\r\n";
  const auto span = FindSection(lines, section);
  std::string out;
  if (!span) {
    out = std::string(file);
    if (!lines.empty() && !lines.back().has_break()) out += line_break;
    return out.append("[").append(section).append("]").append(line_break)
        .append(key).append("=").append(value).append(line_break);
  }
  for (size_t i = span->first; i < span->end; ++i) {
    const auto entry = KeyOf(lines[i].text);
    if (!entry || !SameName(entry->key, key)) continue;
    const Line& line = lines[i];
    out = std::string(file.substr(0, line.start));
    out.append(entry->key).append("=").append(value);
    return out.append(file.substr(line.start + line.text.size()));
  }
  // After the section's last line that is not blank, so that blank lines before the next section
  // keep separating it.
  size_t last = span->header;
  for (size_t i = span->first; i < span->end; ++i) {
    if (!Trimmed(lines[i].text).empty()) last = i;
  }
  const Line& after = lines[last];
  out = std::string(file.substr(0, after.next));
  if (!after.has_break()) out += line_break;
  out.append(key).append("=").append(value).append(line_break);
  return out.append(file.substr(after.next));
}

}  // namespace velmora
