#include "runtime/gbk_win.h"

#include <windows.h>

namespace velmora::win {

std::wstring GbkToWide(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int n = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), int(gbk.size()), nullptr, 0);
  std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), int(gbk.size()), wide.data(), n);
  return wide;
}

std::string WideToGbk(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(kGbkCodePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string gbk(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(kGbkCodePage, 0, wide.data(), int(wide.size()), gbk.data(), n, nullptr, nullptr);
  return gbk;
}

std::optional<std::string> WideToGbkExactly(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  BOOL defaulted = FALSE;
  const int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), nullptr, 0,
                                    nullptr, &defaulted);
  if (n <= 0 || defaulted) return std::nullopt;
  std::string gbk(size_t(n), '\0');
  WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), gbk.data(), n, nullptr,
                      &defaulted);
  // Read back as well: a letter replaced without the flag being set must not pass either.
  if (defaulted || GbkToWide(gbk) != wide) return std::nullopt;
  return gbk;
}

}  // namespace velmora::win
