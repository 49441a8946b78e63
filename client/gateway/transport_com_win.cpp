// Default transport: the system's scriptable HTTP request object, driven through IDispatch.
//
// The object is opened asynchronously and waited for with a deadline, then aborted: its own
// time-outs are not honoured everywhere (Wine ignores them), and a synchronous Send to a server
// that never answers would block the caller for good. What goes on the wire is the same.
#include <windows.h>

#include <initializer_list>

#include "gateway/platform.h"
#include "gateway/transport_win.h"
#include "runtime/com_win.h"
#include "runtime/gbk_win.h"

namespace velmora {
namespace {

using win::Bstr;
using win::ComRef;
using win::Variant;

// Calls a method or reads a property by name; arguments in their written order.
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::initializer_list<VARIANT> args,
               VARIANT* result) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  VARIANT reversed[4];
  const UINT count = UINT(args.size());
  if (count > 4) return E_INVALIDARG;
  UINT i = count;
  for (const VARIANT& a : args) reversed[--i] = a;
  DISPPARAMS params{count ? reversed : nullptr, nullptr, count, 0};
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

// Arguments borrow the BSTRs they point to; the Bstr owners outlive the call.
VARIANT Text(const Bstr& s) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = s.get();
  return v;
}

VARIANT Flag(bool b) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT Int(int n) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> args) {
  Variant ignored;
  return Invoke(object, name, DISPATCH_METHOD, args, ignored.get());
}

ComRef<IDispatch> CreateFirst(const std::vector<std::wstring>& progids) {
  ComRef<IDispatch> object;
  for (const std::wstring& progid : progids) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progid.c_str(), &clsid))) continue;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                   object.ReceiveVoid()))) {
      return object;
    }
  }
  return object;
}

// True when the response is complete; false when the deadline passed or the thread must quit.
bool WaitForCompletion(IDispatch* request, uint64_t deadline) {
  DISPID ready_state = 0;
  LPOLESTR name[] = {const_cast<LPOLESTR>(L"readyState")};
  const bool has_ready_state =
      SUCCEEDED(request->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &ready_state));
  bool complete = false;
  const auto ended = [&] {
    if (has_ready_state) {
      Variant state;
      if (FAILED(Invoke(request, L"readyState", DISPATCH_PROPERTYGET, {}, state.get()))) return true;
      complete = SUCCEEDED(VariantChangeType(state.get(), state.get(), 0, VT_I4)) && (*state).lVal == 4;
      return complete;
    }
    // The WinHTTP object has no ready state; it waits in whole seconds instead (a zero wait
    // never reports completion under Wine). It is the last object tried, so this rarely runs.
    Variant done;
    if (FAILED(Invoke(request, L"WaitForResponse", DISPATCH_METHOD, {Int(1)}, done.get()))) return true;
    complete = (*done).vt == VT_BOOL && (*done).boolVal == VARIANT_TRUE;
    return complete;
  };
  const uint64_t now = TickCountMs();
  const auto left = std::chrono::milliseconds(deadline > now ? deadline - now : 0);
  return WaitPumping(ended, left) == WaitEnd::kDone && complete;
}

std::string ResponseBytes(IDispatch* request) {
  Variant body;
  if (FAILED(Invoke(request, L"ResponseBody", DISPATCH_PROPERTYGET, {}, body.get()))) return {};
  if ((*body).vt != (VT_ARRAY | VT_UI1) || !(*body).parray) return {};
  SAFEARRAY* array = (*body).parray;
  LONG low = 0, high = -1;
  SafeArrayGetLBound(array, 1, &low);
  SafeArrayGetUBound(array, 1, &high);
  void* data = nullptr;
  if (high < low || FAILED(SafeArrayAccessData(array, &data))) return {};
  std::string bytes(static_cast<const char*>(data), size_t(high - low + 1));
  SafeArrayUnaccessData(array);
  return bytes;
}

}  // namespace

const std::vector<std::wstring>& RequestObjectProgIds() {
  static const std::vector<std::wstring> ids = {L"MSXML2.XMLHTTP", L"Microsoft.XMLHTTP", L"MSXML2.ServerXMLHTTP",
                                                L"MSXML2.ServerXMLHTTP.6.0", L"WinHttp.WinHttpRequest.5.1"};
  return ids;
}

std::string PostFormCom(const std::string& address, const std::string& body,
                        const std::vector<std::wstring>& progids) {
  const uint64_t deadline = TickCountMs() + uint64_t(TransportTimeout().count());
  const win::ComApartment apartment;
  ComRef<IDispatch> request = CreateFirst(progids);
  if (!request) return {};

  const Bstr method(L"POST"), url(win::GbkToWide(address));
  if (FAILED(CallMethod(request.get(), L"Open", {Text(method), Text(url), Flag(true)}))) return {};
  for (const auto& [name, value] : DefaultModeHeaders(address)) {
    const Bstr n(win::GbkToWide(name)), v(win::GbkToWide(value));
    if (FAILED(CallMethod(request.get(), L"SetRequestHeader", {Text(n), Text(v)}))) return {};
  }
  const Bstr payload(win::GbkToWide(body));
  if (FAILED(CallMethod(request.get(), L"Send", {Text(payload)}))) return {};
  if (!WaitForCompletion(request.get(), deadline)) {
    CallMethod(request.get(), L"Abort", {});
    return {};
  }
  return ResponseBytes(request.get());
}

std::string PostForm(const std::string& address, const std::string& body, const ProgressObserver& observer) {
  return observer ? PostFormWinInet(address, body, observer) : PostFormCom(address, body);
}

}  // namespace velmora
