// The skin engine: draws every window of the program itself. A window hands itself over once
// with AttachWindow; from then on the engine's window procedure runs first for it, keeps the
// window's state in window properties (skin_properties_win.h) and in one record in the engine's
// window list, paints the whole window from two off-screen surfaces, and gives the drawn frame the
// behaviour of a system frame (moving, sizing, caption buttons, banner tabs).
//
// One engine exists per process, made by the start routine and used on the user-interface
// thread only. The window procedures find it through Instance().
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/dpi_scale.h"
#include "skin/caption_buttons.h"
#include "skin/skin_resources_win.h"

namespace velmora::win {

// What the window's own code runs when a handler button or a tab is clicked. It gets no
// arguments: a handler that needs its window captures it.
using SkinHandler = std::function<void()>;

// An attached window's two off-screen surfaces: `cache` holds the finished frame that painting
// copies from, `back` the frame without its elements, from which a redrawn element's place is
// restored. Owned here, and named in the window's properties only for as long as they live.
struct FrameSurfaces {
  FrameSurfaces() = default;
  ~FrameSurfaces();
  FrameSurfaces(const FrameSurfaces&) = delete;
  FrameSurfaces& operator=(const FrameSurfaces&) = delete;
  // Names the surfaces in `window`'s properties, as they are now.
  void Publish(HWND window);

  HWND published_on = nullptr;
  MemorySurface cache;
  MemorySurface back;
  // The bitmaps' size, at least the window's: a window sized a little keeps them.
  int capacity_width = 0, capacity_height = 0;
  // The window region last set (its size and rounding), so that a build at the same size and
  // DPI leaves it alone.
  int region_width = 0, region_height = 0, region_round = 0;
};

// One attached window and its drawn elements. Element positions in the list are 0-based here;
// the engine's interface speaks of 1-based indices, as the window properties do.
struct SkinWindowRecord {
  SkinWindowRecord() = default;
  ~SkinWindowRecord() {
    for (HICON icon : owned_icons) DestroyIcon(icon);
  }
  SkinWindowRecord(const SkinWindowRecord&) = delete;
  SkinWindowRecord& operator=(const SkinWindowRecord&) = delete;

  HWND window = nullptr;
  skin::ElementList elements;
  Dpi dpi;  // the window's now: the frame's metrics are the design's at this DPI
  // The frame's metrics as the design gives them (at 96 DPI): a change of DPI scales them again.
  int banner_height = 80;
  int status_height = 26;
  int min_width = 150;
  int min_height = 100;
  // What the window's properties say of it, kept here too: a frame build reads them from the
  // record, as each property read is a trip to the window server.
  bool sizable = false;
  bool maximised = false;
  int built_width = -1, built_height = -1;  // the size the frame was last built at
  int next_tab_x = 5;  // the design's x, at 96 DPI
  int tab_count = 0;
  int status_index = 0;  // 1-based; 0 when the window has no status band
  std::vector<HICON> owned_icons;  // tab icons made from icon files, destroyed with the record
  FrameSurfaces surfaces;          // made by the first frame build; they go with the record
};

// AttachWindow's options; an option left empty takes the default the engine documents.
struct AttachOptions {
  std::optional<int> banner_height;  // 80 when absent; never below 26
  std::optional<int> status_height;  // 26 when absent; 0 = no status band
  std::optional<bool> minimise;      // absent: from the window style
  std::optional<bool> maximise;      // absent: from the style and the system menu
  bool main_menu = false;
  bool help = false;
  bool sizable = false;
  std::optional<int> min_width;   // 150 when absent
  std::optional<int> min_height;  // 100 when absent
};

// The options of the program's dialogs (settings, sign-up, pop-up, message and confirmation
// boxes): a low banner, no status band, the caption buttons their style asks for, fixed size.
inline AttachOptions DialogSkin() {
  AttachOptions options;
  options.banner_height = 24;
  options.status_height = 0;
  return options;
}

class SkinEngine {
 public:
  SkinEngine();
  ~SkinEngine();
  SkinEngine(const SkinEngine&) = delete;
  SkinEngine& operator=(const SkinEngine&) = delete;

  // The process's engine, or null before the start routine made it (the window procedures then
  // hand every message on unchanged).
  static SkinEngine* Instance();

  // --- The skin picture and colour ---
  bool LoadSkinPictureBytes(std::string_view bytes);
  bool LoadSkinPicture(const std::wstring& path);
  void ApplySkinPicture();
  COLORREF AverageColor(Gdiplus::GpImage* image);
  void SetSkinColor(COLORREF colour);

  // --- Windows ---
  bool AttachWindow(HWND window, const AttachOptions& options);
  void SkinChildControls();
  void RepaintAll();
  bool SetStatusText(HWND window, const std::string& gbk_text);
  bool AddTab(HWND window, const std::string& gbk_caption, std::string_view icon_bytes, HWND page = nullptr,
              SkinHandler handler = {});
  bool SelectTab(HWND window, std::string_view gbk_caption);
  bool RemoveTab(HWND window, std::string_view gbk_caption);
  int AddElement(SkinWindowRecord& record, skin::Element element);
  void SetHelpClickHandler(HWND window, SkinHandler handler);
  void SetMainMenuClickHandler(HWND window, SkinHandler handler);
  bool EnableSizing(HWND window, std::optional<int> min_width = {}, std::optional<int> min_height = {});
  // skin::kUseButtonFace (−1) stands for the system's button-face colour.
  void SetBackColor(COLORREF colour);
  COLORREF GetBackColor() const;

  // --- For the windows' own code and the tests ---
  // The record of an attached window, or null.
  const SkinWindowRecord* Record(HWND window) const;
  std::size_t WindowCount() const { return records_.size(); }
  // How many frames have been built since start: hovering must not add to it.
  long FrameBuilds() const { return frame_builds_; }
  // Builds the frame of an attached window again (a forced build).
  void RebuildFrame(HWND window);
  // The background under a child at `area` (window coordinates of its attached top-level
  // window), copied into `dc` at (0, 0): lets transparent labels sit on the banner. False when
  // the window has no built frame yet.
  bool CopyBackground(HWND top_level, const RECT& area, HDC dc) const;
  SkinResources& Resources() { return *resources_; }

  // Draws a skinned button (push button, or the check box and radio button of the sheet) into
  // `target`; used by the owner-draw relay.
  void DrawSkinnedButton(HWND button, HDC target);

 private:
  SkinWindowRecord* Find(HWND window);
  SkinWindowRecord* FindAttached(HWND window);  // through Nimbus_DUIIndex, as every operation does

  // Frame painting (frame_painter_win.cpp).
  void BuildFrame(HWND window, bool forced);
  // `record` is the window's, found by the build: each lookup reads a window property.
  void DrawFrame(SkinWindowRecord* record, HWND window, HDC cache, HDC back, int width, int height);
  // `dpi`: the window's, for the parts drawn at a design size (a tab's icon and caption line).
  void DrawElement(HDC dc, const skin::Element& element, Dpi dpi);
  // White text over its dark halo in `layout` (DrawText's format flags); a layout without size
  // takes the text's own size at its top left.
  // The drawn text is kept in the resources and blended again when the same text is drawn.
  void DrawHaloText(HDC dc, const std::wstring& text, HFONT font, RECT layout, UINT format);
  static std::unique_ptr<HaloTextImage> MakeHaloText(const std::wstring& text, HFONT font, RECT layout, UINT format);
  void RedrawElement(HWND window, int index);  // 0-based
  void RefreshSideBorders(HWND window);
  void RemoveFrameProperties(HWND window);
  void Paint(HWND window, HDC dc, const RECT& area);

  // Mouse, sizing and tabs (frame_mouse_win.cpp, skin_tabs_win.cpp).
  void ShowMaximised(HWND window, bool maximised);
  bool OnMouse(HWND window, UINT message, POINT point);
  void OnMouseLeave(HWND window);
  void RunClick(HWND window, int index);
  void ShowPage(HWND window, int index);
  void LayoutPage(HWND window);
  void AdoptPage(HWND window, HWND page);
  void CallHandler(HWND window, const wchar_t* property);
  void Release(HWND window);

  // Control skinning (control_skin_win.cpp).
  void WalkChildControls(HWND window);

  // The window was told a new DPI (WM_DPICHANGED): its record, metrics and elements take it
  // before the window takes its new size, so that the size change builds the frame at the new DPI.
  void ApplyDpi(HWND window, Dpi dpi);

  static LRESULT CALLBACK FrameWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ButtonWindowProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ContainerWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnFrameMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnSizingMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMouseMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  static bool Subclass(HWND window, WNDPROC procedure);
  static LRESULT PassOn(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  std::unique_ptr<SkinResources> resources_;
  std::vector<std::unique_ptr<SkinWindowRecord>> records_;
  // Handlers of the two handler buttons; the window property holds the address of the entry.
  std::map<std::pair<HWND, const wchar_t*>, std::unique_ptr<SkinHandler>> handlers_;
  bool skin_children_ = false;
  long frame_builds_ = 0;
};

}  // namespace velmora::win
