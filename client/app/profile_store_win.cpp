#include "app/profile_store_win.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "runtime/gbk_win.h"
#include "runtime/handles_win.h"

namespace velmora::win {

// The ANSI profile functions keep the GBK bytes of values as they are; the wide ones would need
// the file's code page guessed. Keys and section are plain ASCII.
std::string IniFileProfileStore::Read(std::string_view key) {
  const std::string k(key);
  const std::string section(kSettingsSection);
  // The function cuts a long value to the buffer and then answers size - 1: grow until it fits.
  for (DWORD size = 512; size <= (1u << 20); size *= 4) {
    std::vector<char> buffer(size);
    const DWORD n = GetPrivateProfileStringA(section.c_str(), k.c_str(), "", buffer.data(), size,
                                             path_.c_str());
    if (n < size - 1) return std::string(buffer.data(), n);
  }
  return {};
}

void IniFileProfileStore::Write(std::string_view key, std::string_view value) {
  const std::string k(key), v(value), section(kSettingsSection);
  WritePrivateProfileStringA(section.c_str(), k.c_str(), v.c_str(), path_.c_str());
}

bool IniFileProfileStore::Exists() {
  return GetFileAttributesW(GbkToWide(path_).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void IniFileProfileStore::CreateWithTemplate(std::string_view bytes) {
  // CREATE_NEW: a file that appeared meanwhile is never overwritten.
  FileHandle file(CreateFileW(GbkToWide(path_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return;
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data() + done, DWORD(bytes.size() - done), &written, nullptr) ||
        written == 0) {
      return;
    }
    done += written;
  }
}

std::string ProgramDirectory() {
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
  return WideToGbk(path);
}

}  // namespace velmora::win
