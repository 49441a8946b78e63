// The skin engine keeps its per-window state in window properties under these exact names, so
// that any code holding only a window handle (the window procedures, the tests) can read it.
// A property never set reads as 0.
#pragma once
#include <windows.h>

#include <cstdint>

namespace velmora::win::prop {

// On an attached top-level window.
inline constexpr wchar_t kWndProc[] = L"SmartSkin_WndProc";
inline constexpr wchar_t kBannerHeight[] = L"Nimbus_BannerHeight";
inline constexpr wchar_t kStatusHeight[] = L"Nimbus_StatusHeight";
inline constexpr wchar_t kMaximizeBox[] = L"Nimbus_MaximizeBox";
inline constexpr wchar_t kSizeBox[] = L"Nimbus_bSizeBox";
inline constexpr wchar_t kMinWidth[] = L"Nimbus_MinWidth";
inline constexpr wchar_t kMinHeight[] = L"Nimbus_MinHeight";
inline constexpr wchar_t kIndex[] = L"Nimbus_DUIIndex";
inline constexpr wchar_t kMaximize[] = L"Nimbus_Maximize";
inline constexpr wchar_t kMinimize[] = L"Nimbus_bMinimize";
inline constexpr wchar_t kTracking[] = L"Nimbus_bTracking";
inline constexpr wchar_t kWidth[] = L"Nimbus_nWidth";
inline constexpr wchar_t kHeight[] = L"Nimbus_nHeight";
inline constexpr wchar_t kCacheDc[] = L"NimbusCacheDC";
inline constexpr wchar_t kBackDc[] = L"NimbusBackDC";
inline constexpr wchar_t kCacheBitmap[] = L"NimbusCacheBitmap";
inline constexpr wchar_t kBackBitmap[] = L"NimbusBackBitmap";
inline constexpr wchar_t kCacheOldBitmap[] = L"NimbusCacheOldBitmap";
inline constexpr wchar_t kBackOldBitmap[] = L"NimbusBackOldBitmap";
inline constexpr wchar_t kHelpClick[] = L"Nimbus_Event_HelpClick";
inline constexpr wchar_t kMainMenuClick[] = L"Nimbus_Event_MainMenuClick";
inline constexpr wchar_t kPageWindow[] = L"Nimbus_hWndChild";

// On a skinned push button.
inline constexpr wchar_t kCheck[] = L"Nimbus_bCheck";
inline constexpr wchar_t kWindowType[] = L"Nimbus_WindowType";
inline constexpr wchar_t kTrackMouse[] = L"Nimbus_bTrackMouseEvent";
inline constexpr wchar_t kDrawState[] = L"Nimbus_DrawState";

// Every name the engine may set on a top-level window, for removal when the window goes.
inline constexpr const wchar_t* kFrameProperties[] = {
    kWndProc,   kBannerHeight, kStatusHeight, kMaximizeBox,  kSizeBox,       kMinWidth,      kMinHeight,
    kIndex,     kMaximize,     kMinimize,     kTracking,     kWidth,         kHeight,        kCacheDc,
    kBackDc,    kCacheBitmap,  kBackBitmap,   kCacheOldBitmap, kBackOldBitmap, kHelpClick,   kMainMenuClick,
    kPageWindow};
inline constexpr const wchar_t* kControlProperties[] = {kWndProc, kCheck, kWindowType, kTrackMouse, kDrawState};

inline std::intptr_t Get(HWND window, const wchar_t* name) {
  return reinterpret_cast<std::intptr_t>(GetPropW(window, name));
}
inline int GetInt(HWND window, const wchar_t* name) { return static_cast<int>(Get(window, name)); }
template <typename H>
H GetHandle(HWND window, const wchar_t* name) {
  return reinterpret_cast<H>(GetPropW(window, name));
}
inline void Set(HWND window, const wchar_t* name, std::intptr_t value) {
  SetPropW(window, name, reinterpret_cast<HANDLE>(value));
}
template <typename H>
void SetHandle(HWND window, const wchar_t* name, H value) {
  SetPropW(window, name, reinterpret_cast<HANDLE>(value));
}

}  // namespace velmora::win::prop
