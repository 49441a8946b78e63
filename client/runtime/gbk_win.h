// The program's texts are GBK bytes; Unicode APIs get them converted with code page 936
// explicitly, so Chinese comes out right whatever the system's ANSI code page is.
#pragma once
#include <string>
#include <string_view>

namespace velmora::win {

inline constexpr unsigned kGbkCodePage = 936;

std::wstring GbkToWide(std::string_view gbk);
std::string WideToGbk(std::wstring_view wide);

}  // namespace velmora::win
