#include "toolkit/message_box_win.h"

#include <mmsystem.h>

#include "skin/skin_engine_win.h"
#include "toolkit/alert_sound.h"
#include "toolkit/window_win.h"
#include "runtime/dpi_win.h"
#include "runtime/gbk_win.h"

namespace velmora::win {
namespace {

struct BoxLayout {
  ui::Box label, ok, cancel;
  bool has_cancel;
};

constexpr BoxLayout kMessageLayout{{0, 38, 289, 26}, {106, 74, 77, 27}, {}, false};
constexpr BoxLayout kConfirmLayout{{0, 38, 289, 26}, {45, 74, 77, 27}, {171, 72, 77, 27}, true};

class MessageBoxWindow final : public Window {
 public:
  MessageBoxWindow(const BoxLayout& layout, std::string gbk_text) : layout_(layout), text_(std::move(gbk_text)) {}

  // For a confirmation: "确定" was clicked. A box closed any other way, or never shown, says no.
  bool proceed() const { return proceed_; }

  bool Open(HWND owner) {
    // The design is 289 x 114 pixels; the skin draws the whole window, frame included.
    constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
    constexpr ui::Box kSize{0, 0, 289, 114};
    if (!Create(kMessageBoxClass, kStyle, kExStyle, "提示：", CentredOnWorkArea(kSize), owner)) return false;
    if (SkinEngine* skin = SkinEngine::Instance()) skin->AttachWindow(hwnd(), DialogSkin());
    return true;
  }

 private:
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_CREATE:
        OnCreated();
        return 0;
      case WM_COMMAND:
        OnCommand(LOWORD(wparam));
        return 0;
      case WM_CLOSE:
        OnFrameClosed();
        return 0;
      default:
        return Window::OnMessage(message, wparam, lparam);
    }
  }

  void OnCreated() {
    // The sound starts at once and plays on while the box waits: the bytes live for the process.
    PlaySoundW(reinterpret_cast<LPCWSTR>(AlertSoundWave().data()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT);
    CreateControl(hwnd(), L"STATIC", text_, SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, DesignRect(hwnd(), layout_.label),
                  kMessageLabelId);
    CreateControl(hwnd(), L"BUTTON", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, DesignRect(hwnd(), layout_.ok), kOkButtonId);
    if (layout_.has_cancel) {
      CreateControl(hwnd(), L"BUTTON", "取消", BS_PUSHBUTTON | WS_TABSTOP, DesignRect(hwnd(), layout_.cancel),
                    kCancelButtonId);
    }
  }

  void OnDpiChanged(Dpi dpi, const RECT& suggested) override {
    Window::OnDpiChanged(dpi, suggested);
    PlaceAtDesign(hwnd(), kMessageLabelId, layout_.label);
    PlaceAtDesign(hwnd(), kOkButtonId, layout_.ok);
    if (layout_.has_cancel) PlaceAtDesign(hwnd(), kCancelButtonId, layout_.cancel);
  }

  void OnCommand(int id) {
    if (id == kOkButtonId) {
      proceed_ = true;
      DestroyWindow(hwnd());
    } else if (id == kCancelButtonId) {
      // Also Escape, through the dialog keys; for the message box it is the frame's close.
      DestroyWindow(hwnd());
    }
  }

  // Closing a confirmation by its frame is a "no": the program must not end because the user
  // dismissed the question.
  void OnFrameClosed() { DestroyWindow(hwnd()); }

  const BoxLayout layout_;
  const std::string text_;
  bool proceed_ = false;
};

// The system's own box, for when the drawn one cannot be made: the user still reads the message
// and answers the question.
bool RunSystemBox(const BoxLayout& layout, const std::string& gbk_text, HWND owner) {
  const std::wstring text = GbkToWide(gbk_text);
  const std::wstring caption = GbkToWide("提示：");
  const UINT buttons = layout.has_cancel ? MB_OKCANCEL : MB_OK;
  return MessageBoxW(owner, text.c_str(), caption.c_str(), buttons | MB_ICONINFORMATION | MB_TASKMODAL) == IDOK;
}

bool RunBox(const BoxLayout& layout, const std::string& gbk_text, HWND owner) {
  // An owner that has gone meanwhile would make the box impossible to create: the box stands alone.
  if (owner && !IsWindow(owner)) owner = nullptr;
  MessageBoxWindow box(layout, gbk_text);
  if (!box.Open(owner)) return RunSystemBox(layout, gbk_text, owner);
  RunModal(box.hwnd(), owner);
  return box.proceed();
}

}  // namespace

void ShowMessageBox(const std::string& gbk_text, HWND owner) { RunBox(kMessageLayout, gbk_text, owner); }

bool ConfirmInBox(const std::string& gbk_text, HWND owner) { return RunBox(kConfirmLayout, gbk_text, owner); }

}  // namespace velmora::win
