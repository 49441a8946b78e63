#include "app/single_instance_win.h"

#include <cstdint>
#include <cwchar>
#include <utility>

namespace velmora::win {
namespace {

// A message-only window of this class, titled with the folder's name, is how a later start
// finds the running client (message-only windows are found by class and title, not listed).
constexpr wchar_t kListenerClass[] = L"VelmoraInstanceListener";

UINT ComeForwardMessage() {
  static const UINT message = RegisterWindowMessageW(L"VelmoraComeForward");
  return message;
}

// The claim on the name; `existed` tells whether another process held it already.
HANDLE Claim(const std::wstring& name, bool& existed) {
  SetLastError(ERROR_SUCCESS);
  HANDLE mutex = CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str());
  existed = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
  return mutex;
}

}  // namespace

std::wstring SingleInstance::NameFor(const std::wstring& program_dir) {
  // The folder as Windows compares names: without regard to case, without a trailing separator.
  std::wstring folder = program_dir;
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  for (wchar_t& c : folder) {
    if (c == L'/') c = L'\\';
  }
  if (!folder.empty()) CharUpperBuffW(folder.data(), DWORD(folder.size()));
  // A kernel object's name has no backslashes and a bounded length: the folder's FNV-1a digest.
  uint64_t hash = 14695981039346656037ull;
  for (wchar_t c : folder) {
    hash = (hash ^ uint16_t(c)) * 1099511628211ull;
  }
  wchar_t name[40];
  swprintf(name, 40, L"Velmora-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

SingleInstance::SingleInstance(const std::wstring& program_dir)
    : name_(NameFor(program_dir)), mutex_(Claim(name_, existed_)), first_(!existed_) {}

SingleInstance::~SingleInstance() { StopListening(); }

void SingleInstance::StopListening() {
  if (listener_) DestroyWindow(listener_);
  listener_ = nullptr;
  come_forward_ = nullptr;
}

bool SingleInstance::Listen(std::function<void()> come_forward) {
  if (!first_ || listener_) return false;
  come_forward_ = std::move(come_forward);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ListenerProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kListenerClass;
  RegisterClassExW(&wc);  // fails harmlessly when registered already
  listener_ = CreateWindowExW(0, kListenerClass, name_.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), this);
  return listener_ != nullptr;
}

LRESULT CALLBACK SingleInstance::ListenerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == ComeForwardMessage()) {
    auto* self = reinterpret_cast<SingleInstance*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && self->come_forward_) self->come_forward_();
    return 1;
  } else if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool SingleInstance::AskFirstToComeForward(DWORD patience_ms) const {
  const ULONGLONG give_up = GetTickCount64() + patience_ms;
  for (;;) {
    HWND listener = FindWindowExW(HWND_MESSAGE, nullptr, kListenerClass, name_.c_str());
    if (listener) {
      // The one who started us may hand the foreground on; the running client could not take it.
      DWORD process = 0;
      GetWindowThreadProcessId(listener, &process);
      if (process) AllowSetForegroundWindow(process);
      return PostMessageW(listener, ComeForwardMessage(), 0, 0) != FALSE;
    }
    if (GetTickCount64() >= give_up) return false;
    Sleep(100);  // the running client may still be starting
  }
}

}  // namespace velmora::win
