#include "ui/main_window_win.h"

#include "app/process_state.h"
#include "gateway/gateway_client.h"
#include "gateway/statements.h"
#include "skin/skin_engine_win.h"
#include "ui/message_box_win.h"

namespace velmora::win {

std::unique_ptr<MainWindow> MainWindow::Open() {
  auto window = std::make_unique<MainWindow>();
  if (!window->Create(kClassName, WS_OVERLAPPEDWINDOW, 0, State().product_title, {50, 50, 951, 612}, nullptr)) {
    return nullptr;
  }
  if (SkinEngine* skin = SkinEngine::Instance()) {
    AttachOptions options;
    options.minimise = true;
    options.maximise = true;
    options.main_menu = true;
    options.help = true;
    options.sizable = true;
    skin->AttachWindow(window->hwnd(), options);
    skin->SkinChildControls();
    skin->SetStatusText(window->hwnd(), "用户名：" + State().session.account);
    // Settings opened from here position themselves by the main window.
    skin->SetMainMenuClickHandler(window->hwnd(), [] { State().settings_opened_from = 2; });
  }
  ShowWindow(window->hwnd(), SW_SHOW);
  return window;
}

LRESULT MainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
      // Closing ends the program: ask first.
      if (AskConfirmation("确认是否关闭此程序？", hwnd())) DestroyWindow(hwnd());
      return 0;
    case WM_DESTROY:
      // The account is no longer online here; then the program ends.
      UpdateRows(ProcessGateway(), "account", "在线=0", SqlEquals("账号", State().session.account));
      PostQuitMessage(0);
      return 0;
    default:
      return Window::OnMessage(message, wparam, lparam);
  }
}

}  // namespace velmora::win
