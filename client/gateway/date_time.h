// Date-times as the service and the client write them: the server's clock texts (24-hour, or
// 12-hour with 上午/下午), the request stamp, and the "%d年%d月%d日" text the client stores.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

struct CivilTime {
  int year = 100, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class DateTime {
 public:
  // The empty date: 100年1月1日, what a text that is no date reads as.
  DateTime();
  // Nothing for an impossible date or time (years 100 to 9999).
  static std::optional<DateTime> FromCivil(const CivilTime& civil);
  static DateTime FromSecondsSinceEpoch(int64_t seconds) { return DateTime(seconds); }

  CivilTime Civil() const;
  int64_t SecondsSinceEpoch() const { return seconds_; }  // 1970-01-01 00:00:00 is 0
  bool IsEmpty() const;
  DateTime PlusSeconds(int64_t seconds) const { return DateTime(seconds_ + seconds); }

  friend int64_t operator-(DateTime a, DateTime b) { return a.seconds_ - b.seconds_; }
  friend auto operator<=>(DateTime, DateTime) = default;

 private:
  explicit DateTime(int64_t seconds) : seconds_(seconds) {}
  int64_t seconds_;
};

// Plain conversion. Accepted: a date "Y-M-D", "Y/M/D" or "Y年M月D日", optionally followed by a time
// after spaces ("H:M" or "H:M:S"; after "日" also "H时M分S秒" with trailing parts left out), or the
// hyphenated "Y-M-D-H-M-S". Surrounding spaces are ignored.
std::optional<DateTime> ParseDateTime(std::string_view text);

// The server's clock text: every "上午 " or "下午 " is removed before conversion; an afternoon time
// from 1 to 11 o'clock moves 12 hours on, and 12 o'clock in the morning is midnight.
std::optional<DateTime> ParseClockText(std::string_view text);

// "HH:MM:SS", the clock part of a request stamp.
std::string ClockStamp(DateTime t);

// "%d年%d月%d日" followed by "%d时%d分%d秒", "%d时%d分" or "%d时", dropping trailing zero parts.
std::string DateTimeText(DateTime t);

// What a server writes as its local time: "2026-12-09 14:03:05", or "2026-12-09 下午 2:03:05".
std::string ServerClockText(DateTime t, bool twelve_hour);

}  // namespace velmora
