// The feed page's three report-style lists. A row is nothing but its six column texts (GBK):
// whatever the detail panel shows is read back from them.
#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <vector>

#include "feeds/feed_rows.h"
#include "toolkit/layout_box.h"

namespace velmora::win {

// A report-style list at `box` of `parent` with the given columns (a width of 0 hides a column).
HWND CreateFeedList(HWND parent, ui::Box box, std::span<const ui::Column> columns, int id);
// The columns' design widths at the list's DPI again (after a change of DPI).
void ScaleFeedColumns(HWND list, std::span<const ui::Column> columns);

// The row goes in at the top: caption first, then columns 1 to 5 of the new first item.
void InsertRowAtTop(HWND list, const FeedRow& row);

// Empties the list, then shows `rows` top to bottom.
void ReplaceRows(HWND list, const std::vector<FeedRow>& rows);

FeedRow RowAt(HWND list, int index);
std::vector<FeedRow> ListRows(HWND list);

// The first selected item, if any.
std::optional<int> FirstSelected(HWND list);

}  // namespace velmora::win
