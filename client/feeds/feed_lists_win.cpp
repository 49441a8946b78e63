#include "feeds/feed_lists_win.h"

#include <commctrl.h>

#include <string>

#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"
#include "toolkit/window_win.h"

namespace velmora::win {
namespace {

void SetCell(HWND list, int item, int column, const std::string& gbk) {
  std::wstring text = GbkToWide(gbk);
  LVITEMW cell{};
  cell.iSubItem = column;
  cell.pszText = text.data();
  SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(&cell));
}

// Inserts the row as item `at`; its index, -1 when the list refused it.
int InsertRow(HWND list, int at, const FeedRow& row) {
  std::wstring caption = GbkToWide(row[0]);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = at;
  item.pszText = caption.data();
  const int index = int(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (index < 0) return index;
  for (int column = 1; column < int(row.size()); ++column) SetCell(list, index, column, row[size_t(column)]);
  return index;
}

std::string CellText(HWND list, int item, int column) {
  // The list copies at most the buffer's size: grow until the text fits.
  for (size_t size = 256;; size *= 4) {
    std::wstring buffer(size, L'\0');
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = buffer.data();
    cell.cchTextMax = int(size);
    const auto length = size_t(SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(&cell)));
    if (length + 1 < size || size > (1u << 24)) {
      buffer.resize(length);
      return WideToGbk(buffer);
    }
  }
}

}  // namespace

HWND CreateFeedList(HWND parent, ui::Box box, std::span<const ui::Column> columns, int id) {
  HWND list = CreateControl(parent, WC_LISTVIEWW, "",
                            LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP | WS_CLIPSIBLINGS,
                            DesignRect(parent, box), id);
  if (!list) return nullptr;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (size_t i = 0; i < columns.size(); ++i) {
    std::wstring caption = GbkToWide(columns[i].caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    // The first column of a list view is always left-aligned.
    column.fmt = (i > 0 && columns[i].align == ui::Align::kCentre) ? LVCFMT_CENTER : LVCFMT_LEFT;
    column.cx = Scale(columns[i].width, WindowDpi(parent));
    column.pszText = caption.data();
    column.iSubItem = int(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

void ScaleFeedColumns(HWND list, std::span<const ui::Column> columns) {
  const Dpi dpi = WindowDpi(list);
  for (size_t i = 0; i < columns.size(); ++i) {
    SendMessageW(list, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(Scale(columns[i].width, dpi), 0));
  }
}

void InsertRowAtTop(HWND list, const FeedRow& row) { InsertRow(list, 0, row); }

void ReplaceRows(HWND list, const std::vector<FeedRow>& rows) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < rows.size(); ++i) InsertRow(list, int(i), rows[i]);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

FeedRow RowAt(HWND list, int index) {
  FeedRow row;
  for (size_t column = 0; column < row.size(); ++column) row[column] = CellText(list, index, int(column));
  return row;
}

std::vector<FeedRow> ListRows(HWND list) {
  std::vector<FeedRow> rows;
  const int count = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) rows.push_back(RowAt(list, i));
  return rows;
}

std::optional<int> FirstSelected(HWND list) {
  const int index = int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
  if (index < 0) return std::nullopt;
  return index;
}

}  // namespace velmora::win
