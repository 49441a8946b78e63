// The container side of an embedded web browser: the one COM object the browser control talks
// back to while it lives in one of our windows. It answers as client site, in-place site, frame
// and document host; everything a full document container would offer beyond that (menus,
// toolbars, storage) is declined, which the control accepts.
#pragma once
#include <windows.h>

#include <mshtmhst.h>
#include <ole2.h>
#include <oleidl.h>

#include "runtime/com_win.h"

namespace velmora::win {

class BrowserSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDocHostUIHandler {
 public:
  // Starts with one reference, owned by the creator. window is where the control is placed
  // in-place; it must outlive the control's activation.
  explicit BrowserSite(HWND window);
  BrowserSite(const BrowserSite&) = delete;
  BrowserSite& operator=(const BrowserSite&) = delete;

  // While true, the control's context menu is swallowed (ShowContextMenu answers "handled").
  void SetSuppressContextMenu(bool suppress) { suppress_context_menu_ = suppress; }
  // Lets go of the control's active object (see SetActiveObject), as the control is taken down:
  // its window gets no more keys offered.
  void DropActiveObject() { SetActiveObject(nullptr, nullptr); }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  STDMETHODIMP SaveObject() override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  STDMETHODIMP GetContainer(IOleContainer** container) override;
  STDMETHODIMP ShowObject() override;
  STDMETHODIMP OnShowWindow(BOOL show) override;
  STDMETHODIMP RequestNewObjectLayout() override;

  // IOleWindow (shared by the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override;
  STDMETHODIMP OnInPlaceActivate() override;
  STDMETHODIMP OnUIActivate() override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* info) override;
  STDMETHODIMP Scroll(SIZE extent) override;
  STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
  STDMETHODIMP OnInPlaceDeactivate() override;
  STDMETHODIMP DiscardUndoState() override;
  STDMETHODIMP DeactivateAndUndo() override;
  STDMETHODIMP OnPosRectChange(const RECT* position) override;

  // IOleInPlaceUIWindow / IOleInPlaceFrame
  STDMETHODIMP GetBorder(RECT* border) override;
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
  STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
  STDMETHODIMP SetMenu(HMENU shared, HOLEMENU ole_menu, HWND active_object) override;
  STDMETHODIMP RemoveMenus(HMENU shared) override;
  STDMETHODIMP SetStatusText(LPCOLESTR text) override;
  STDMETHODIMP EnableModeless(BOOL enable) override;
  STDMETHODIMP TranslateAccelerator(MSG* message, WORD id) override;

  // IDocHostUIHandler
  STDMETHODIMP ShowContextMenu(DWORD id, POINT* where, IUnknown* target,
                               IDispatch* reserved) override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
  STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* object, IOleCommandTarget* target,
                      IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override;
  STDMETHODIMP HideUI() override;
  STDMETHODIMP UpdateUI() override;
  STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
  STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
  STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
  STDMETHODIMP TranslateAccelerator(LPMSG message, const GUID* group, DWORD id) override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
  STDMETHODIMP GetDropTarget(IDropTarget* proposed, IDropTarget** target) override;
  STDMETHODIMP GetExternal(IDispatch** external) override;
  STDMETHODIMP TranslateUrl(DWORD reserved, LPWSTR url, LPWSTR* translated) override;
  STDMETHODIMP FilterDataObject(IDataObject* object, IDataObject** filtered) override;

 private:
  ~BrowserSite() { DropActiveObject(); }

  const HWND window_;
  // The control's in-place active object while it has one: keys aimed inside window_ are offered
  // to it before any loop's own handling, so a page's form fields get Tab, Delete and the
  // clipboard keys.
  ComRef<IOleInPlaceActiveObject> active_;
  LONG refs_ = 1;
  bool suppress_context_menu_ = false;
};

}  // namespace velmora::win
