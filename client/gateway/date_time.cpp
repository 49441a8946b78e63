#include "gateway/date_time.h"

#include <cstdio>

#include "gateway/text.h"

// The clock texts below ("上午", "年") must be GBK bytes, as on the wire: stop at once if this
// file is compiled without the GBK execution character set.
static_assert(sizeof("上午") == 5 && "上午"[0] == '\xC9' && "上午"[1] == '\xCF',
              "narrow string literals must be GBK: compile with -fexec-charset=GB18030");

namespace velmora {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = int(doy - (153 * mp + 2) / 5 + 1);
  month = int(mp < 10 ? mp + 3 : mp - 9);
  year = int(int64_t(yoe) + era * 400 + (month <= 2));
}

constexpr bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

constexpr int64_t kEmptyDateSeconds = DaysFromCivil(100, 1, 1) * kSecondsPerDay;

// A small cursor over the text for the hand-written grammar below.
class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}
  bool AtEnd() const { return pos_ == s_.size(); }
  // 1 to `max_digits` decimal digits.
  bool Number(int max_digits, int& value) {
    size_t n = 0;
    value = 0;
    while (pos_ < s_.size() && n < size_t(max_digits) && s_[pos_] >= '0' && s_[pos_] <= '9') {
      value = value * 10 + (s_[pos_++] - '0');
      ++n;
    }
    return n > 0 && !(pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9');
  }
  bool Literal(std::string_view lit) {
    if (s_.compare(pos_, lit.size(), lit) != 0) return false;
    pos_ += lit.size();
    return true;
  }
  bool OneOf(std::string_view chars, char& which) {
    if (pos_ < s_.size() && chars.find(s_[pos_]) != std::string_view::npos) {
      which = s_[pos_++];
      return true;
    }
    return false;
  }
  bool Spaces() {
    const size_t start = pos_;
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
    return pos_ > start;
  }

 private:
  std::string_view s_;
  size_t pos_ = 0;
};

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool ParseColonTime(Scanner& in, CivilTime& c) {
  if (!in.Number(2, c.hour) || !in.Literal(":") || !in.Number(2, c.minute)) return false;
  if (in.Literal(":") && !in.Number(2, c.second)) return false;
  return true;
}

std::optional<CivilTime> ParseCivil(std::string_view text) {
  Scanner in(TrimSpaces(text));
  CivilTime c;
  if (!in.Number(4, c.year)) return std::nullopt;
  char sep = 0;
  if (in.OneOf("-/", sep)) {
    char sep2 = 0;
    if (!in.Number(2, c.month) || !in.OneOf("-/", sep2) || sep2 != sep || !in.Number(2, c.day)) return std::nullopt;
    if (in.AtEnd()) return c;
    if (sep == '-' && in.Literal("-")) {  // the hyphenated Y-M-D-H-M-S form
      if (!in.Number(2, c.hour) || !in.Literal("-") || !in.Number(2, c.minute) || !in.Literal("-") ||
          !in.Number(2, c.second)) {
        return std::nullopt;
      }
    } else if (!in.Spaces() || !ParseColonTime(in, c)) {
      return std::nullopt;
    }
    return in.AtEnd() ? std::optional(c) : std::nullopt;
  }
  if (!in.Literal("年") || !in.Number(2, c.month) || !in.Literal("月") || !in.Number(2, c.day) ||
      !in.Literal("日")) {
    return std::nullopt;
  }
  if (in.AtEnd()) return c;
  in.Spaces();
  if (!in.Number(2, c.hour)) return std::nullopt;
  if (in.Literal(":")) {
    if (!in.Number(2, c.minute) || (in.Literal(":") && !in.Number(2, c.second))) return std::nullopt;
  } else if (in.Literal("时")) {
    if (in.Number(2, c.minute)) {
      if (!in.Literal("分")) return std::nullopt;
      if (in.Number(2, c.second) && !in.Literal("秒")) return std::nullopt;
    }
  } else {
    return std::nullopt;
  }
  return in.AtEnd() ? std::optional(c) : std::nullopt;
}

}  // namespace

DateTime::DateTime() : seconds_(kEmptyDateSeconds) {}

std::optional<DateTime> DateTime::FromCivil(const CivilTime& c) {
  if (c.year < 100 || c.year > 9999 || c.month < 1 || c.month > 12 || c.day < 1 ||
      c.day > DaysInMonth(c.year, c.month) || c.hour < 0 || c.hour > 23 || c.minute < 0 || c.minute > 59 ||
      c.second < 0 || c.second > 59) {
    return std::nullopt;
  }
  return DateTime(DaysFromCivil(c.year, unsigned(c.month), unsigned(c.day)) * kSecondsPerDay +
                  c.hour * 3600 + c.minute * 60 + c.second);
}

CivilTime DateTime::Civil() const {
  int64_t days = seconds_ / kSecondsPerDay;
  int64_t rest = seconds_ % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  CivilTime c;
  CivilFromDays(days, c.year, c.month, c.day);
  c.hour = int(rest / 3600);
  c.minute = int(rest / 60 % 60);
  c.second = int(rest % 60);
  return c;
}

bool DateTime::IsEmpty() const { return seconds_ == kEmptyDateSeconds; }

std::optional<DateTime> ParseDateTime(std::string_view text) {
  const auto civil = ParseCivil(text);
  if (!civil) return std::nullopt;
  return DateTime::FromCivil(*civil);
}

std::optional<DateTime> ParseClockText(std::string_view text) {
  static constexpr std::string_view kMorning = "上午";
  static constexpr std::string_view kAfternoon = "下午";
  const bool morning = text.find(kMorning) != std::string_view::npos;
  const bool afternoon = !morning && text.find(kAfternoon) != std::string_view::npos;
  if (!morning && !afternoon) return ParseDateTime(text);

  const std::string plain = ReplaceAll(text, morning ? "上午 " : "下午 ", "");
  auto civil = ParseCivil(plain);
  if (!civil) return std::nullopt;
  if (morning && civil->hour == 12) civil->hour = 0;
  if (afternoon && civil->hour >= 1 && civil->hour <= 11) civil->hour += 12;
  return DateTime::FromCivil(*civil);
}

std::string ClockStamp(DateTime t) {
  const CivilTime c = t.Civil();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", c.hour, c.minute, c.second);
  return buf;
}

std::string DateTimeText(DateTime t) {
  const CivilTime c = t.Civil();
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%d年%d月%d日", c.year, c.month, c.day);
  if (c.second != 0) {
    std::snprintf(buf + n, sizeof buf - size_t(n), "%d时%d分%d秒", c.hour, c.minute, c.second);
  } else if (c.minute != 0) {
    std::snprintf(buf + n, sizeof buf - size_t(n), "%d时%d分", c.hour, c.minute);
  } else if (c.hour != 0) {
    std::snprintf(buf + n, sizeof buf - size_t(n), "%d时", c.hour);
  }
  return buf;
}

std::string ServerClockText(DateTime t, bool twelve_hour) {
  const CivilTime c = t.Civil();
  char buf[64];
  if (!twelve_hour) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
  } else {
    const int hour12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %s %d:%02d:%02d", c.year, c.month, c.day,
                  c.hour < 12 ? "上午" : "下午", hour12, c.minute, c.second);
  }
  return buf;
}

}  // namespace velmora
