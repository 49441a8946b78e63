// The wire is GBK, the database UTF-8: strict conversions at the boundary. A text that does not
// convert is refused, never stored half-converted.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace velmora::service {

std::optional<std::string> GbkToUtf8(std::string_view gbk);
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

}  // namespace velmora::service
