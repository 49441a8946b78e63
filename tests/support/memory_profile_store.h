// An in-memory gp.ini for the native tests of the settings rules and of the login.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_file.h"

#ifdef _WIN32
#include "runtime/gbk_win.h"
#else
#include <iconv.h>

#include <cstring>
#endif

namespace velmora::testing {

#ifndef _WIN32
// GBK and the wide characters of this platform through the C library, as the code page converts
// them on Windows; nothing when a letter has no counterpart.
inline std::optional<std::string> IconvText(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == iconv_t(-1)) return std::nullopt;
  std::string out(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  char* dst = out.data();
  size_t src_left = in.size(), dst_left = out.size();
  const size_t done = iconv(cd, &src, &src_left, &dst, &dst_left);
  iconv_close(cd);
  if (done == size_t(-1) || src_left != 0) return std::nullopt;
  out.resize(out.size() - dst_left);
  return out;
}
#endif

// Behaves like a profile file: a write creates the file, the template's keys become readable, and
// every write is logged in order. Paths are kept as GBK texts.
class MemoryProfileStore final : public ProfileStore {
 public:
  std::string Read(std::string_view key) override {
    const auto it = keys.find(std::string(key));
    return it == keys.end() ? std::string() : it->second;
  }
  void Write(std::string_view key, std::string_view value) override {
    exists = true;
    keys[std::string(key)] = std::string(value);
    writes.push_back(std::string(key) + "=" + std::string(value));
  }
  bool Exists() override { return exists; }
  void CreateWithTemplate(std::string_view bytes) override {
    ++creates;
    exists = true;
    created = std::string(bytes);
    size_t pos = 0;
    for (size_t end; (end = created.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
      const std::string line = created.substr(pos, end - pos);
      const size_t eq = line.find('=');
      if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }

  std::optional<std::string> PathText(std::wstring_view path) override {
#ifdef _WIN32
    return win::WideToGbkExactly(path);
#else
    return IconvText("GBK", "WCHAR_T",
                     std::string_view(reinterpret_cast<const char*>(path.data()), path.size() * sizeof(wchar_t)));
#endif
  }
  std::wstring PathOfText(std::string_view text) override {
#ifdef _WIN32
    return win::GbkToWide(text);
#else
    const std::optional<std::string> wide = IconvText("WCHAR_T", "GBK", text);
    if (!wide) return {};
    std::wstring path(wide->size() / sizeof(wchar_t), L'\0');
    std::memcpy(path.data(), wide->data(), path.size() * sizeof(wchar_t));
    return path;
#endif
  }

  std::map<std::string, std::string> keys;
  bool exists = false;
  int creates = 0;
  std::string created;
  std::vector<std::string> writes;
};

// A store holding the template, as after a first start.
inline MemoryProfileStore FreshStore() {
  MemoryProfileStore store;
  store.CreateWithTemplate(kSettingsTemplate);
  store.creates = 0;
  return store;
}

}  // namespace velmora::testing
