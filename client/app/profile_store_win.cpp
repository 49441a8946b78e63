#include "app/profile_store_win.h"

#include <windows.h>

#include <vector>

#include "app/profile_text.h"
#include "runtime/gbk_win.h"
#include "runtime/handles_win.h"

namespace velmora::win {
namespace {

// A settings file is a few hundred bytes; anything past this is not one the program wrote.
constexpr LONGLONG kMaxSettingsBytes = 1 << 24;

// The whole file from its start; nothing when it cannot be read.
std::optional<std::string> ReadAll(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > kMaxSettingsBytes) return std::nullopt;
  std::string bytes(size_t(size.QuadPart), '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file, bytes.data() + got, DWORD(bytes.size() - got), &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    got += read;
  }
  bytes.resize(got);
  return bytes;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, DWORD(bytes.size() - done), &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

std::string IniFileProfileStore::Read(std::string_view key) {
  const FileHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return {};
  const std::optional<std::string> bytes = ReadAll(file.get());
  return bytes ? ProfileValue(*bytes, kSettingsSection, key) : std::string();
}

void IniFileProfileStore::Write(std::string_view key, std::string_view value) {
  // Read and rewritten under one handle that no one else may write meanwhile; a missing file is
  // created, as the profile functions do.
  const FileHandle file(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return;
  const std::optional<std::string> before = ReadAll(file.get());
  if (!before) return;
  const std::string after = WithProfileValue(*before, kSettingsSection, key, value);
  if (after == *before) return;
  // Only the tail from the first changed byte is written: the lines before it stay untouched on
  // disk even if the write fails part way.
  size_t same = 0;
  while (same < before->size() && same < after.size() && (*before)[same] == after[same]) ++same;
  LARGE_INTEGER at{};
  at.QuadPart = LONGLONG(same);
  if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN)) return;
  if (!WriteAll(file.get(), std::string_view(after).substr(same))) return;
  SetEndOfFile(file.get());
}

bool IniFileProfileStore::Exists() { return GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }

void IniFileProfileStore::CreateWithTemplate(std::string_view bytes) {
  // CREATE_NEW: a file that appeared meanwhile is never overwritten.
  const FileHandle file(
      CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.ok()) WriteAll(file.get(), bytes);
}

std::optional<std::string> IniFileProfileStore::PathText(std::wstring_view path) {
  if (std::optional<std::string> text = WideToGbkExactly(path)) return text;
  // The short form names the same file in letters of the volume's own choosing, ASCII where the
  // long name has letters outside it.
  const std::wstring full(path);
  const DWORD n = GetShortPathNameW(full.c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring short_path(n, L'\0');
  const DWORD got = GetShortPathNameW(full.c_str(), short_path.data(), n);
  if (got == 0 || got >= n) return std::nullopt;
  short_path.resize(got);
  return WideToGbkExactly(short_path);
}

std::wstring IniFileProfileStore::PathOfText(std::string_view text) { return GbkToWide(text); }

std::wstring ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash);
  return path;
}

}  // namespace velmora::win
