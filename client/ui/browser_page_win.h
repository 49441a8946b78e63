// A browser page of the main window: a web browser above a strip with back, forward and refresh.
// The page is a 948 x 502 window of its own; the main window's banner tab adopts it.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "ui/browser_host_win.h"
#include "ui/main_layout.h"
#include "toolkit/window_win.h"

namespace velmora::win {

class BrowserPage final : public Window {
 public:
  enum Control : int { kBackButton = 2101, kForwardButton, kRefreshButton, kStrip };

  // Created hidden, without owner; its browser refuses the page's context menu.
  static std::unique_ptr<BrowserPage> Create();
  ~BrowserPage() override;

  bool Navigate(const std::string& gbk_address);
  // The browser and the strip follow the main window's size.
  void Relayout(const ui::MainResize& boxes);
  BrowserHost* Browser() const { return browser_.get(); }

  static constexpr wchar_t kClassName[] = L"VelmoraBrowserPage";

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnCreated();
  void OnCommand(int id);

  std::unique_ptr<BrowserHost> browser_;
};

}  // namespace velmora::win
