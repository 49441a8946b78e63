// Labels that show the skinned frame behind them: the login window's texts sit on its banner,
// where a plain static control would paint a box in the panel colour. The label copies the frame
// from the skin engine's cache surface under itself and draws its text (and an optional shadow)
// over it, off screen, in one blit.
#pragma once
#include <windows.h>

#include <string>

namespace velmora::win {

struct LabelLook {
  COLORREF colour = RGB(0, 0, 0);
  UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  bool shadow = false;
  COLORREF shadow_colour = RGB(0, 0, 0);
  int shadow_offset = 0;
  bool link = false;  // clickable: a hand cursor, and STN_CLICKED to the parent on a click
};

inline constexpr wchar_t kTransparentLabelClass[] = L"VelmoraLabel";

// A label with a GBK caption, the dialog font and `look`, at fixed pixels in `parent`.
HWND CreateTransparentLabel(HWND parent, const std::string& gbk_caption, RECT where, int id, const LabelLook& look);

// Changes the look (and repaints); the font is the control's WM_SETFONT font.
void SetLabelLook(HWND label, const LabelLook& look);

// Draws the label as it shows on the screen; the painting of WM_PAINT, also used by the tests.
void PaintLabel(HWND label, HDC dc);

}  // namespace velmora::win
