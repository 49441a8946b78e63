// gp.ini on Windows: the profile-string functions for the keys, a plain file write for the
// template. Texts and the path are GBK.
#pragma once
#include <string>
#include <string_view>
#include <utility>

#include "app/settings_file.h"

namespace velmora::win {

class IniFileProfileStore final : public ProfileStore {
 public:
  explicit IniFileProfileStore(std::string path) : path_(std::move(path)) {}

  std::string Read(std::string_view key) override;
  void Write(std::string_view key, std::string_view value) override;
  bool Exists() override;
  void CreateWithTemplate(std::string_view bytes) override;

  const std::string& path() const { return path_; }

 private:
  const std::string path_;
};

// The directory of the running program, GBK, without a trailing backslash ("" on failure).
std::string ProgramDirectory();

}  // namespace velmora::win
