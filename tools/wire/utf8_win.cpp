// --utf8 on Windows: through UTF-16 with the system's converters, code page 936 being GBK.
// Malformed input and characters GBK lacks are refused rather than replaced by '?'.
#include <windows.h>

#include <climits>

#include "wire/wire_tool.h"

namespace velmora::wire {
namespace {

constexpr UINT kGbkCodePage = 936;

std::optional<std::wstring> ToWide(std::string_view text, UINT code_page) {
  if (text.empty()) return std::wstring();
  if (text.size() > size_t(INT_MAX)) return std::nullopt;
  const int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(size_t(n), L'\0');
  if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), wide.data(), n) != n) {
    return std::nullopt;
  }
  return wide;
}

std::optional<std::string> FromWide(const std::wstring& wide, UINT code_page) {
  if (wide.empty()) return std::string();
  if (wide.size() > size_t(INT_MAX)) return std::nullopt;
  // UTF-8 reports unpaired surrogates through the flag; other code pages through the default
  // character (which UTF-8 does not allow asking about).
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used_default_p = utf8 ? nullptr : &used_default;
  const int n = WideCharToMultiByte(code_page, flags, wide.data(), int(wide.size()), nullptr, 0, nullptr,
                                    used_default_p);
  if (n <= 0 || used_default) return std::nullopt;
  std::string out(size_t(n), '\0');
  if (WideCharToMultiByte(code_page, flags, wide.data(), int(wide.size()), out.data(), n, nullptr,
                          used_default_p) != n ||
      used_default) {
    return std::nullopt;
  }
  return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  const auto wide = ToWide(utf8, CP_UTF8);
  if (!wide) return std::nullopt;
  return FromWide(*wide, kGbkCodePage);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
  const auto wide = ToWide(gbk, kGbkCodePage);
  if (!wide) return std::nullopt;
  return FromWide(*wide, CP_UTF8);
}

}  // namespace velmora::wire
