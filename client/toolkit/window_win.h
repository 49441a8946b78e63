// The base of the program's windows. The object is attached to its window at WM_NCCREATE and
// told at WM_NCDESTROY; every message goes to OnMessage, where a window class answers the events
// it handles, one small handler each, and leaves the rest to the default.
#pragma once
#include <windows.h>

#include <span>
#include <string>

#include "runtime/dpi_scale.h"

#include "toolkit/layout_box.h"

namespace velmora::win {

// A design's place as a RECT.
inline RECT ToRect(ui::Box b) { return RECT{b.left, b.top, b.left + b.width, b.top + b.height}; }

// A design's place (at 96 DPI) in `parent`, at the parent's DPI.
RECT DesignRect(HWND parent, ui::Box design);

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  struct Placement {
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
  };
  // A window of the design's size (at 96 DPI), at the screen's DPI, in the middle of the work area.
  static Placement CentredOnWorkArea(ui::Box design_size);
  // A design's place and size (at 96 DPI) at the screen's DPI.
  static Placement ScaledPlacement(ui::Box design);
  // Registers `class_name` on first use and creates the window with a GBK caption.
  bool Create(const wchar_t* class_name, DWORD style, DWORD ex_style, const std::string& gbk_caption,
              Placement where, HWND owner);

  virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // A top-level window was told a new DPI (WM_DPICHANGED, with the rectangle the system suggests
  // for it). WindowDpi answers `dpi` for the window and its children by now. The base takes the
  // rectangle; a window with a fixed design calls it and then lays its children out again.
  virtual void OnDpiChanged(Dpi dpi, const RECT& suggested);
  // The window is gone (WM_NCDESTROY); the object may be deleted now.
  virtual void OnDestroyed() {}

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  // A top-level window's activation: the focused control is kept and given back.
  LRESULT OnActivate(WPARAM wparam, LPARAM lparam);
  HWND hwnd_ = nullptr;
  // The control that had the focus when this top-level window was last deactivated: it gets it
  // back when the window is activated again (after a message box, or another program), as in a
  // dialog, instead of the window itself.
  HWND last_focus_ = nullptr;
};

// The controls of `designs` in `parent` (found by their ids) at their places at the parent's DPI:
// after a change of DPI, as CreateDesignedControl placed them first.
void PlaceDesignedControls(HWND parent, std::span<const ui::ControlDesign> designs);
// One child of `parent` at a design's place at the parent's DPI.
void PlaceAtDesign(HWND parent, int id, ui::Box design);
// Every control in `window` (at any depth) that shows the dialog font of some DPI gets the one of
// `dpi`; controls with fonts of their own keep them.
void ChangeDialogFonts(HWND window, Dpi dpi);

// A child control with a GBK caption, the program's dialog font at the parent's DPI, at `where` in
// the parent's own pixels (a design's place goes through DesignRect first).
HWND CreateControl(HWND parent, const wchar_t* control_class, const std::string& gbk_caption, DWORD style,
                   RECT where, int id);

// The control `design` describes, in `parent`: its kind's window class and style, its caption and
// place (scaled to the parent's DPI); hidden when the design says so. Transparent labels (links in
// blue) draw over the skin.
HWND CreateDesignedControl(HWND parent, const ui::ControlDesign& design);

// The dialog font of every window: 宋体, 9 points at `dpi`; made once for each DPI, released at
// exit.
HFONT DialogFont(Dpi dpi);

// Text of a window as GBK.
std::string WindowTextGbk(HWND hwnd);
void SetWindowTextGbk(HWND hwnd, const std::string& gbk);

// One message of a loop whose windows take keyboard navigation (Tab, arrows, Enter, Escape) as
// dialogs do, within `dialog`: a key that an embedded control in a web page takes goes nowhere
// else; otherwise dialog navigation, or else translation and dispatch, as usual.
void DispatchWithNavigation(MSG& msg, HWND dialog);

// The thread's message loop, each message with navigation in its top-level window, until
// WM_QUIT; returns the quit's exit code.
int RunMessageLoop();

// Runs a modal loop for `window` (a Window, already created, owned by `owner`): the owner is
// disabled until the window is hidden or destroyed, and enabled again just before it goes, so
// that the activation returns to the owner; the loop ends with the window. A WM_QUIT ends the
// loop and is put back for the thread's own loop.
void RunModal(HWND window, HWND owner);

// Marks an attempt (a sign-in, a sign-up) as under way for its scope. Requests keep the messages
// flowing, so a second click or Enter would otherwise start a nested attempt: a handler returns
// at once while its flag is set.
class AttemptUnderWay {
 public:
  explicit AttemptUnderWay(bool& flag) : flag_(flag) { flag_ = true; }
  ~AttemptUnderWay() { flag_ = false; }
  AttemptUnderWay(const AttemptUnderWay&) = delete;
  AttemptUnderWay& operator=(const AttemptUnderWay&) = delete;

 private:
  bool& flag_;
};

}  // namespace velmora::win
