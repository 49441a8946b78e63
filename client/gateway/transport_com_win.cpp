// Default transport: the system's scriptable HTTP request object, driven through IDispatch.
//
// The object is opened asynchronously and waited for with a deadline, then aborted: its own
// time-outs are not honoured everywhere (Wine ignores them), and a synchronous Send to a server
// that never answers would block the caller for good. What goes on the wire is the same.
#include <windows.h>

#include <atomic>
#include <climits>
#include <initializer_list>
#include <optional>

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

// How often a wait for the request object looks at the clock when nothing else wakes it.
constexpr std::chrono::milliseconds kSilenceRecheck{100};

// True when the response is complete; false when the exchange was given up or the thread must
// quit. The request object reports no bytes, only its ready state; each change of it is the
// other side's sign of life, so connecting, sending and waiting for the answer's head are each
// bounded by the allowed silence. The WinHTTP object has no ready state: its own time-outs (set to the
// allowed silence) watch each receive, and the ceiling on the whole exchange is ours.
bool WaitForCompletion(IDispatch* request, ExchangeClock& clock) {
  DISPID ready_state = 0;
  LPOLESTR name[] = {const_cast<LPOLESTR>(L"readyState")};
  const bool has_ready_state =
      SUCCEEDED(request->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &ready_state));
  bool complete = false;
  LONG last_state = -1;
  const auto ended = [&] {
    if (has_ready_state) {
      Variant state;
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      if (FAILED(request->Invoke(ready_state, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                 state.get(), nullptr, nullptr)) ||
          FAILED(VariantChangeType(state.get(), state.get(), 0, VT_I4))) {
        return true;
      }
      const uint64_t now = TickCountMs();
      // Once the body arrives (state 3) the object does not say how much of it came: the
      // exchange counts as alive, bounded by the ceiling and by the object's own receive
      // time-out where it has one. (Wine's object stays at 2 until the end of a body that has
      // no length, so there such a body must not pause for the allowed silence.)
      if ((*state).lVal != last_state || (*state).lVal >= 3) {
        last_state = (*state).lVal;
        clock.Heard(now);
      }
      complete = last_state == 4;
      return complete || clock.Expired(now);
    }
    // WaitForResponse waits in whole seconds (a zero wait never reports completion under Wine).
    // It is the last object tried, so this rarely runs.
    Variant done;
    if (FAILED(Invoke(request, L"WaitForResponse", DISPATCH_METHOD, {Int(1)}, done.get()))) return true;
    complete = (*done).vt == VT_BOOL && (*done).boolVal == VARIANT_TRUE;
    return complete;
  };
  // The wait runs to the ceiling. The object's state only changes as this thread dispatches its
  // notifications, which wake the wait; the allowed silence is judged at each look, and the clock
  // looked at now and then for it.
  const auto whole = std::chrono::milliseconds(clock.WholeLeft(TickCountMs()));
  return WaitPumpingQuietly(ended, whole, kSilenceRecheck) == WaitEnd::kDone && complete;
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

std::atomic<uint64_t> g_objects_made{0};

ComRef<IDispatch> CreateFirst(const std::vector<std::wstring>& progids) {
  ComRef<IDispatch> object;
  for (const std::wstring& progid : progids) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progid.c_str(), &clsid))) continue;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                   object.ReceiveVoid()))) {
      g_objects_made.fetch_add(1, std::memory_order_relaxed);
      return object;
    }
  }
  return object;
}

// Objects given up on mid-exchange, kept alive a while. Wine's request object does not stop its
// download when aborted: the download goes on writing into the object, and into whatever the
// memory holds next once the object is freed (a later object's state and answer, then a crash).
// Such an object is let go when its download has ended (ready state 4), or when more than
// kMaxParked are waiting (on Windows, where an abort really stops, none ever ends, and this
// bounds what they hold). Only objects of an apartment that lives on are parked (see GiveUp);
// raw pointers, never released at the thread's exit: by then the apartment may be gone, and a
// Release then is worse than the leak.
constexpr size_t kMaxParked = 8;
thread_local std::vector<IDispatch*>* t_parked = nullptr;

bool DownloadEnded(IDispatch* request) {
  Variant state;
  if (FAILED(Invoke(request, L"readyState", DISPATCH_PROPERTYGET, {}, state.get()))) return true;
  return FAILED(VariantChangeType(state.get(), state.get(), 0, VT_I4)) || (*state).lVal == 4;
}

// Lets go of the parked objects whose download ended.
void SweepParked() {
  if (!t_parked) return;
  std::vector<IDispatch*>& parked = *t_parked;
  for (size_t i = 0; i < parked.size();) {
    if (DownloadEnded(parked[i])) {
      parked[i]->Release();
      parked.erase(parked.begin() + std::ptrdiff_t(i));
    } else {
      ++i;
    }
  }
}

// An exchange on `request` was given up. Its object must outlive the caller's reference (see
// above): parked when its apartment lives on after the call, else kept for good, since nothing
// may touch it once its apartment has ended.
void GiveUp(IDispatch* request, bool apartment_lives_on) {
  CallMethod(request, L"Abort", {});
  request->AddRef();
  if (!apartment_lives_on) return;  // deliberately never released
  if (!t_parked) t_parked = new std::vector<IDispatch*>();
  t_parked->push_back(request);
  if (t_parked->size() > kMaxParked) {
    t_parked->front()->Release();
    t_parked->erase(t_parked->begin());
  }
}

// One exchange on `request`, new or used before; nullopt when it failed or was given up.
// `apartment_lives_on`: the calling thread's apartment outlives this call.
std::optional<std::string> Exchange(IDispatch* request, const std::string& address, const std::string& body,
                                    bool apartment_lives_on) {
  if (apartment_lives_on) SweepParked();
  const TransportLimits limits = CurrentTransportLimits();
  ExchangeClock clock(TickCountMs(), limits);
  // The server-side objects keep their own time-outs for each step; the allowed silence is the
  // bound for each. The plain request object has no such method, which is fine.
  const int silence = int(std::min<int64_t>(limits.silence.count(), INT_MAX));
  CallMethod(request, L"SetTimeouts", {Int(silence), Int(silence), Int(silence), Int(silence)});

  const Bstr method(L"POST"), url(win::GbkToWide(address));
  if (FAILED(CallMethod(request, L"Open", {Text(method), Text(url), Flag(true)}))) return std::nullopt;
  for (const auto& [name, value] : DefaultModeHeaders(address)) {
    const Bstr n(win::GbkToWide(name)), v(win::GbkToWide(value));
    if (FAILED(CallMethod(request, L"SetRequestHeader", {Text(n), Text(v)}))) return std::nullopt;
  }
  const Bstr payload(win::GbkToWide(body));
  if (FAILED(CallMethod(request, L"Send", {Text(payload)}))) return std::nullopt;
  if (!WaitForCompletion(request, clock)) {
    GiveUp(request, apartment_lives_on);
    return std::nullopt;
  }
  return ResponseBytes(request);
}

// The reused object of the calling thread's innermost ReusedRequestObject, if any.
thread_local ReusedRequestObject* t_reused = nullptr;

}  // namespace

const std::vector<std::wstring>& RequestObjectProgIds() {
  static const std::vector<std::wstring> ids = {L"MSXML2.XMLHTTP", L"Microsoft.XMLHTTP", L"MSXML2.ServerXMLHTTP",
                                                L"MSXML2.ServerXMLHTTP.6.0", L"WinHttp.WinHttpRequest.5.1"};
  return ids;
}

uint64_t RequestObjectsMade() { return g_objects_made.load(std::memory_order_relaxed); }

ReusedRequestObject::ReusedRequestObject() : outer_(t_reused) { t_reused = this; }

ReusedRequestObject::~ReusedRequestObject() { t_reused = outer_; }

std::string ReusedRequestObject::Post(const std::string& address, const std::string& body) {
  if (!object_) object_ = CreateFirst(RequestObjectProgIds());
  if (!object_) return {};
  // Made inside the thread's apartment, which it does not outlive.
  std::optional<std::string> answer = Exchange(object_.get(), address, body, true);
  // An object given up on mid-way may not be ready for the next request: the next one starts
  // on a new object.
  if (!answer) object_.Reset();
  return answer ? std::move(*answer) : std::string();
}

std::shared_ptr<void> TransportWorkerScope() {
  struct Scope {
    win::ComApartment apartment;   // made first, ended last
    ReusedRequestObject reused;
  };
  return std::make_shared<Scope>();
}

std::string PostFormCom(const std::string& address, const std::string& body,
                        const std::vector<std::wstring>& progids) {
  const win::ComApartment apartment;
  ComRef<IDispatch> request = CreateFirst(progids);
  if (!request) return {};
  return Exchange(request.get(), address, body, !apartment.outermost()).value_or(std::string());
}

std::string PostForm(const std::string& address, const std::string& body, const ProgressObserver& observer) {
  if (observer) return PostFormWinInet(address, body, observer);
  return t_reused ? t_reused->Post(address, body) : PostFormCom(address, body);
}

}  // namespace velmora
