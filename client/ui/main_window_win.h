// The main window the user keeps open after signing in.
#pragma once
#include <windows.h>

#include <memory>

#include "ui/window_win.h"

namespace velmora::win {

class MainWindow final : public Window {
 public:
  // Opens the window, not modal and without owner, captioned with the product title.
  static std::unique_ptr<MainWindow> Open();
  static constexpr wchar_t kClassName[] = L"VelmoraMain";

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
};

}  // namespace velmora::win
