#include "ui/browser_site_win.h"

#include "runtime/key_routing_win.h"

namespace velmora::win {

BrowserSite::BrowserSite(HWND window) : window_(window) {}

STDMETHODIMP BrowserSite::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
    *out = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
    *out = static_cast<IOleInPlaceFrame*>(this);
  } else if (IsEqualIID(iid, IID_IDocHostUIHandler)) {
    *out = static_cast<IDocHostUIHandler*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef() { return ULONG(InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) BrowserSite::Release() {
  const LONG left = InterlockedDecrement(&refs_);
  if (left == 0) delete this;
  return ULONG(left);
}

// --- IOleClientSite: nothing is persisted, so there is nothing to save or name.
STDMETHODIMP BrowserSite::SaveObject() { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetContainer(IOleContainer** container) {
  if (container) *container = nullptr;
  return E_NOINTERFACE;
}
STDMETHODIMP BrowserSite::ShowObject() { return S_OK; }
STDMETHODIMP BrowserSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// --- IOleWindow
STDMETHODIMP BrowserSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = window_;
  return S_OK;
}
STDMETHODIMP BrowserSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// --- IOleInPlaceSite: the control always fills our window's client area.
STDMETHODIMP BrowserSite::CanInPlaceActivate() { return S_OK; }
STDMETHODIMP BrowserSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP BrowserSite::OnUIActivate() { return S_OK; }

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                           RECT* position, RECT* clip,
                                           OLEINPLACEFRAMEINFO* info) {
  if (!frame || !doc || !position || !clip || !info) return E_POINTER;
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *doc = nullptr;  // the frame doubles as the document window
  GetClientRect(window_, position);
  *clip = *position;
  info->cb = sizeof(OLEINPLACEFRAMEINFO);
  info->fMDIApp = FALSE;
  info->hwndFrame = GetAncestor(window_, GA_ROOT);
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

STDMETHODIMP BrowserSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP BrowserSite::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP BrowserSite::DeactivateAndUndo() { return E_NOTIMPL; }
// The host sizes the control itself when its window is resized.
STDMETHODIMP BrowserSite::OnPosRectChange(const RECT*) { return S_OK; }

// --- IOleInPlaceUIWindow / IOleInPlaceFrame: no toolbars, menus or status bar to share.
STDMETHODIMP BrowserSite::GetBorder(RECT* border) {
  if (border) SetRectEmpty(border);
  return INPLACE_E_NOTOOLSPACE;
}
STDMETHODIMP BrowserSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserSite::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP BrowserSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  if (object == active_.get()) return S_OK;
  if (object) object->AddRef();
  // The window names the new object before the old one can go.
  SetKeyboardTarget(window_, object);
  *active_.Receive() = object;  // releases the old one
  return S_OK;
}
STDMETHODIMP BrowserSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
STDMETHODIMP BrowserSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP BrowserSite::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP BrowserSite::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP BrowserSite::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::TranslateAccelerator(MSG*, WORD) { return S_FALSE; }

// --- IDocHostUIHandler: S_FALSE / E_NOTIMPL leave the control's own behaviour in place.
STDMETHODIMP BrowserSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
  return suppress_context_menu_ ? S_OK : S_FALSE;
}
STDMETHODIMP BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}
STDMETHODIMP BrowserSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                 IOleInPlaceFrame*, IOleInPlaceUIWindow*) {
  return S_OK;  // no menus or toolbars of ours to swap in
}
STDMETHODIMP BrowserSite::HideUI() { return S_OK; }
STDMETHODIMP BrowserSite::UpdateUI() { return S_OK; }
STDMETHODIMP BrowserSite::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP BrowserSite::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }
STDMETHODIMP BrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD) {
  if (key) *key = nullptr;
  return S_FALSE;
}
STDMETHODIMP BrowserSite::GetDropTarget(IDropTarget*, IDropTarget** target) {
  if (target) *target = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP BrowserSite::GetExternal(IDispatch** external) {
  if (external) *external = nullptr;
  return S_FALSE;
}
STDMETHODIMP BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
  if (translated) *translated = nullptr;
  return S_FALSE;
}
STDMETHODIMP BrowserSite::FilterDataObject(IDataObject*, IDataObject** filtered) {
  if (filtered) *filtered = nullptr;
  return S_FALSE;
}

}  // namespace velmora::win
