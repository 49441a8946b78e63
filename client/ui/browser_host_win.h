// The embedded web browser the client's windows show pages in. It lives in a parent window at a
// rectangle, inside a child window of its own. Where the system's browser control cannot be
// created or activated it shows a read-only text box there instead ("text mode"); callers use
// the same calls either way. All texts are GBK.
#pragma once
#include <windows.h>

#include <exdisp.h>
#include <mshtml.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "runtime/com_win.h"
#include "runtime/handles_win.h"
#include "ui/browser_site_win.h"

namespace velmora::win {

class BrowserHost {
 public:
  // nullptr only when not even the host's own child window could be made (e.g. a bad parent).
  // Must be called, used and destroyed on the parent window's thread.
  static std::unique_ptr<BrowserHost> Create(HWND parent, RECT where);
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  bool HasBrowser() const { return bool(browser_); }

  // Each returns whether the browser accepted the request; false in text mode.
  bool Navigate(const std::string& gbk_url, const std::string& target_frame = "");
  bool GoBack();
  bool GoForward();
  bool Reload();

  // Runs the thread's message loop until the browser has a document ready to write into, or
  // until limit has passed (then false). A WM_QUIT seen meanwhile is put back and ends the wait.
  bool WaitForDocument(std::chrono::milliseconds limit);

  // Writes the whole page into the current document and closes it; false without a document.
  bool WriteHtml(const std::string& gbk_html);

  // Appends a block of plain text to the page's body in the given colour (0x00BBGGRR), size in
  // points and font. Without a document the text goes into the read-only text box instead,
  // after any earlier blocks, and the box takes this block's font, size and colour. False only
  // when neither could show it.
  bool AddTextBlock(const std::string& gbk_text, int64_t colour, int size_points,
                    const std::string& gbk_font);

  void SetSuppressContextMenu(bool suppress);
  // Moves the host to where, in the parent's client coordinates.
  void Resize(RECT where);

  HWND Window() const { return container_.get(); }
  // The read-only text box, once there is one (always in text mode), else nullptr.
  HWND FallbackTextWindow() const { return text_box_; }

 private:
  BrowserHost() = default;
  static LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  bool StartBrowser();
  void StopBrowser();
  // The browser's current HTML document, or empty when it has none (yet).
  ComRef<IHTMLDocument2> Document() const;
  bool AppendToDocument(const std::wstring& text, int64_t colour, int size_points,
                        const std::wstring& font);
  bool ShowInTextBox(const std::wstring& text, int64_t colour, int size_points,
                     const std::wstring& font);
  // Puts the text box or the browser in front; the other is hidden.
  void ShowTextBox(bool show);
  void FitChildren();

  const OleApartment apartment_;  // first in, last out: COM outlives every object below
  GdiObjectOwner<HFONT> text_font_;
  WindowOwner container_;  // destroyed before the font the text box inside it uses
  HWND text_box_ = nullptr;  // child of container_
  COLORREF text_colour_ = RGB(0, 0, 0);
  std::wstring shown_text_;
  bool suppress_context_menu_ = false;

  ComRef<BrowserSite> site_;
  ComRef<IOleObject> ole_;
  ComRef<IOleInPlaceObject> in_place_;
  ComRef<IWebBrowser2> browser_;
};

}  // namespace velmora::win
