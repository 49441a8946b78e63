// gp.ini on Windows, its path UTF-16. The file's bytes are read and edited here rather than
// through the system's profile functions: those convert a file without a byte-order mark through
// the machine's ANSI code page, so on a Windows that is not Chinese they would misread the GBK
// values and write question marks for them.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/settings_file.h"

namespace velmora::win {

class IniFileProfileStore final : public ProfileStore {
 public:
  explicit IniFileProfileStore(std::wstring path) : path_(std::move(path)) {}

  std::string Read(std::string_view key) override;
  void Write(std::string_view key, std::string_view value) override;
  bool Exists() override;
  void CreateWithTemplate(std::string_view bytes) override;
  // The path in GBK; for a path with a letter GBK does not have, its short (8.3) form when the
  // file exists and the volume keeps short names.
  std::optional<std::string> PathText(std::wstring_view path) override;
  std::wstring PathOfText(std::string_view text) override;

  const std::wstring& path() const { return path_; }

 private:
  const std::wstring path_;
};

// The directory of the running program, without a trailing backslash ("" on failure).
std::wstring ProgramDirectory();

}  // namespace velmora::win
