// The program's texts are GBK bytes; Unicode APIs get them converted with code page 936
// explicitly, so Chinese comes out right whatever the system's ANSI code page is.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace velmora::win {

inline constexpr unsigned kGbkCodePage = 936;

std::wstring GbkToWide(std::string_view gbk);
std::string WideToGbk(std::wstring_view wide);
// The GBK text of `wide`, or nothing when a letter of it has none (it would become a question mark
// or a look-alike, naming something else).
std::optional<std::string> WideToGbkExactly(std::wstring_view wide);

}  // namespace velmora::win
