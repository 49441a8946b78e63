// The new-item pop-up: a small skinned window at the bottom right of a screen's work area that shows the
// whole new recommendation or announcement, plays the chosen sound, and closes itself after the
// service's display time. At most one exists; a newer item replaces it. It appears without taking
// the keyboard focus from what the user is doing, and stays above other windows.
#pragma once
#include <windows.h>

#include "feeds/feed_rows.h"

namespace velmora::win {

// Destroys the open pop-up (if any), then opens one for `item` on the monitor `anchor` is on (the
// main window; the primary monitor for none), at that monitor's DPI; `play_sound` plays the file
// named in the settings once, without waiting.
void ShowNewItemPopup(const LatestItem& item, bool play_sound, HWND anchor = nullptr);

// The open pop-up, or nullptr.
HWND CurrentPopup();

// Destroys the open pop-up, if any.
void CloseNewItemPopup();

inline constexpr wchar_t kPopupClass[] = L"VelmoraPopup";
inline constexpr UINT_PTR kPopupTimerId = 1;

enum PopupControl : int {
  kPopupTabsId = 3001,
  kPopupRecommendationPageId,
  kPopupNewsPageId,
  kPopupRecommendationLabelId,  // the first of five, one after the other
  kPopupRemarkHeadingId = kPopupRecommendationLabelId + 5,
  kPopupRemarkBoxId,
  kPopupNewsTimeId,
  kPopupNewsTitleId,
  kPopupContentHeadingId,
  kPopupContentBoxId,
};

}  // namespace velmora::win
