// The main window's six browser pages: captions and web addresses configured by the service in
// row 1 of rconfig (stored enciphered), and the banner's seven tabs built from them.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "gateway/statements.h"
#include "ui/main_layout.h"

namespace velmora::ui {

struct BrowserPages {
  std::array<std::string, kBrowserPageCount> captions;   // 表头一 .. 表头六, deciphered
  std::array<std::string, kBrowserPageCount> addresses;  // 地址一 .. 地址六, deciphered
};

// Nothing when the service gives no data row: the pages then keep the captions and addresses
// they had (empty at the first main window). The first caption is also the login window's new
// caption whenever a row comes.
std::optional<BrowserPages> ReadBrowserPages(GatewayLink& gateway);

struct BannerTab {
  std::string caption;    // GBK
  std::wstring icon_path;  // the program directory + "\ico\<n>.ico"
};
// The seven tabs left to right: "预警管理" (the feed page), then browser pages 1 to 6.
std::array<BannerTab, kTabCount> BannerTabs(const BrowserPages& pages, std::wstring_view program_dir);

}  // namespace velmora::ui
