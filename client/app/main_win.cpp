// velmora.exe: the start routine. The login window does the start-up work; the message loop
// then runs until the program ends.
//   velmora.exe [--gateway http://host:port/path/]
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "app/gateway_address.h"
#include "app/profile_store_win.h"
#include "app/single_instance_win.h"
#include "runtime/gbk_win.h"
#include "skin/skin_colour.h"
#include "skin/skin_engine_win.h"
#include "toolkit/window_win.h"
#include "ui/login_window_win.h"

namespace {

// The gateway base address: --gateway on the command line, else the one built in.
std::string GatewayBase() {
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
  std::string base = velmora::BuiltInGatewayBase();
  for (int i = 1; args && i + 1 < count; ++i) {
    if (std::wstring(args[i]) == L"--gateway") base = velmora::win::WideToGbk(args[i + 1]);
  }
  LocalFree(args);
  return base;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  // The skin engine lives as long as the program: every window draws through it.
  velmora::win::SkinEngine skin;
  skin.SetSkinColor(velmora::skin::kDefaultSkinColour);
  // One client per program folder: a second start brings the running one forward and ends.
  velmora::win::SingleInstance instance(velmora::win::ProgramDirectory());
  if (!instance.first()) return instance.AskFirstToComeForward() ? 0 : 1;
  auto login = std::make_unique<velmora::win::LoginWindow>();
  instance.Listen([&login] { login->ComeForward(); });
  if (!login->Open(velmora::GatewayPage(GatewayBase()))) {
    instance.StopListening();
    return 1;
  }
  const int code = velmora::win::RunMessageLoop();
  // The windows may still pump messages as they go (the sign-out on the way out): a late start's
  // request must not reach them then.
  instance.StopListening();
  return code;
}
