// Checks of a window at the screen's DPI, for the layout tests: every control inside its parent,
// every caption whole in its box, the dialog font of the DPI.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/dpi_win.h"
#include "runtime/handles_win.h"
#include "toolkit/transparent_label_win.h"
#include "toolkit/window_win.h"

namespace velmora::testing {

using win::DialogFont;
using win::kTransparentLabelClass;
using win::ScopedGetDC;
using win::ScopedSelectObject;
using win::WindowDpi;

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

inline std::vector<HWND> Descendants(HWND top) {
  std::vector<HWND> found;
  EnumChildWindows(
      top,
      [](HWND child, LPARAM param) WINAPI -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

inline std::wstring TextOf(HWND window) {
  std::wstring text(size_t(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(size_t(GetWindowTextW(window, text.data(), int(text.size()))));
  return text;
}

// How a control shows its caption, or nothing for controls whose text is not a caption (edit
// boxes, lists, tabs) or that show none (lines, swatches).
enum class Caption { kNone, kWrapped, kOneLine, kBesideABox };

inline Caption CaptionOf(HWND control) {
  const std::wstring cls = ClassOf(control);
  const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
  if (_wcsicmp(cls.c_str(), L"Static") == 0) {
    const LONG_PTR type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) return Caption::kNone;
    return (style & SS_CENTERIMAGE) ? Caption::kOneLine : Caption::kWrapped;
  }
  if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    const LONG_PTR type = style & BS_TYPEMASK;
    if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) return Caption::kBesideABox;
    return Caption::kOneLine;
  }
  if (cls == kTransparentLabelClass) return Caption::kOneLine;
  return Caption::kNone;
}

// The extent of `text` in `control`'s font, wrapped at `width` or on one line. The font's internal
// leading, the empty band above the first line's letters, is not counted: a box that cuts into it
// cuts off nothing (the fonts standing in for 宋体 under Wine have more of it than 宋体 itself).
inline SIZE TextExtent(HWND control, const std::wstring& text, int width, bool wrapped) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  const ScopedGetDC dc(control);
  const ScopedSelectObject chosen(dc.get(), font ? font : DialogFont(WindowDpi(control)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  RECT r{0, 0, width, 0};
  DrawTextW(dc.get(), text.c_str(), int(text.size()), &r,
            DT_CALCRECT | DT_NOPREFIX | (wrapped ? DT_WORDBREAK : DT_SINGLELINE));
  return {r.right - r.left, r.bottom - r.top - metrics.tmInternalLeading};
}

// Every control inside the client area of its parent, every caption whole in its box.
inline void ExpectEveryControlFits(HWND top, Dpi dpi) {
  for (HWND control : Descendants(top)) {
    HWND parent = GetParent(control);
    RECT room{}, at{};
    GetClientRect(parent, &room);
    GetWindowRect(control, &at);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&at), 2);
    const std::wstring cls = ClassOf(control);
    const std::string name = std::to_string(GetDlgCtrlID(control)) + " (" + std::string(cls.begin(), cls.end()) + ")";
    EXPECT_GE(at.left, room.left) << name;
    EXPECT_GE(at.top, room.top) << name;
    EXPECT_LE(at.right, room.right) << name;
    EXPECT_LE(at.bottom, room.bottom) << name;

    const Caption caption = CaptionOf(control);
    const std::wstring text = TextOf(control);
    if (caption == Caption::kNone || text.empty()) continue;
    RECT box{};
    GetClientRect(control, &box);
    // A check box's caption follows its box, about 13 design pixels and a gap.
    const int width = box.right - (caption == Caption::kBesideABox ? Scale(16, dpi) : 0);
    const SIZE need = TextExtent(control, text, width, caption == Caption::kWrapped);
    EXPECT_LE(need.cx, width) << name << " is cut off on the right";
    EXPECT_LE(need.cy, box.bottom) << name << " is cut off at the bottom";

    // The dialog font of the window's DPI (a control given another font keeps it).
    LOGFONTW font{};
    HFONT own = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (own && GetObjectW(own, sizeof font, &font) && std::wstring(font.lfFaceName) == L"宋体") {
      EXPECT_EQ(font.lfHeight, FontHeightForPoints(9, dpi)) << name;
    }
  }
}

// A window's size is its design's at `dpi`.
inline void ExpectScaledSize(HWND window, int design_width, int design_height, Dpi dpi) {
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, Scale(design_width, dpi));
  EXPECT_EQ(r.bottom - r.top, Scale(design_height, dpi));
}

}  // namespace velmora::testing
