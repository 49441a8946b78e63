// A fresh folder of the test's own under the temporary folder, removed with all it holds when the
// owner goes. Its name starts with the test's prefix: Chinese letters, or letters GBK does not
// have, so that every path below it tests how the program carries paths.
#pragma once
#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "runtime/gbk_win.h"

namespace velmora::testing {

class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::wstring& prefix) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return;
    wide_ = std::wstring(temp, n) + prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount64());
    created_ = CreateDirectoryW(wide_.c_str(), nullptr) != 0;
    gbk_ = win::WideToGbk(wide_);
  }
  ~ScratchDirectory() {
    if (!created_) return;
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(wide_), ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  bool created() const { return created_; }
  const std::wstring& wide() const { return wide_; }
  const std::string& gbk() const { return gbk_; }

 private:
  std::wstring wide_;
  std::string gbk_;
  bool created_ = false;
};

}  // namespace velmora::testing
