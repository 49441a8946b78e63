#include "local_clock.h"

#include <algorithm>
#include <ctime>

namespace velmora::service {

DateTime LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  const auto now = DateTime::FromCivil({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                        local.tm_min, std::min(local.tm_sec, 59)});
  return now.value_or(DateTime());
}

}  // namespace velmora::service
