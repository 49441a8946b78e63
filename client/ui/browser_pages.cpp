#include "ui/browser_pages.h"

#include "gateway/rc4.h"
#include "gateway/result_rows.h"

namespace velmora::ui {

std::optional<BrowserPages> ReadBrowserPages(GatewayLink& gateway) {
  const ResultRows rows(SelectRows(gateway, "rconfig",
                                   "表头一,地址一,表头二,地址二,表头三,地址三,表头四,地址四,表头五,地址五,表头六,地址六",
                                   "编号=1"));
  if (!rows.HasDataRow()) return std::nullopt;
  // Caption and address alternate, page by page.
  BrowserPages pages;
  for (size_t page = 0; page < size_t(kBrowserPageCount); ++page) {
    pages.captions[page] = Rc4HexDecode(rows.Field(1, 2 * page));
    pages.addresses[page] = Rc4HexDecode(rows.Field(1, 2 * page + 1));
  }
  return pages;
}

std::array<BannerTab, kTabCount> BannerTabs(const BrowserPages& pages, std::wstring_view program_dir) {
  std::array<BannerTab, kTabCount> tabs;
  for (size_t n = 0; n < tabs.size(); ++n) {
    tabs[n].caption = n == 0 ? std::string(kFeedTabCaption) : pages.captions[n - 1];
    tabs[n].icon_path = std::wstring(program_dir) + L"\\ico\\" + std::to_wstring(n + 1) + L".ico";
  }
  return tabs;
}

}  // namespace velmora::ui
