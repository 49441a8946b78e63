// Signing in: the account row is looked up by the typed name, the password and the account state
// are checked, and a successful login is recorded in the row under a freshly drawn session handle.
// The window side only reads the boxes, shows the returned message and switches windows.
#pragma once
#include <functional>
#include <random>
#include <string>

#include "gateway/date_time.h"
#include "gateway/statements.h"
#include "session/credential_memory.h"

namespace velmora {

// Who is signed in, for the presence check and the main window; fixed once the login succeeds.
struct SessionRecord {
  std::string account;  // 账号 as the server returned it, which may differ from what was typed
  int handle = 0;       // 10000..99999, also written to the row's 句柄
};

// The login window's boxes, exactly as typed (GBK, not trimmed).
struct LoginRequest {
  std::string account;
  std::string password;
  bool remember = false;
};

enum class LoginResult { kSignedIn, kBadAccount, kBadPassword, kFrozen };

struct LoginOutcome {
  LoginResult result = LoginResult::kBadAccount;
  SessionRecord session;  // filled only when signed in
  // The message box to show: empty when signed in. The bad-account box has no owner window, the
  // others are owned by the login window.
  std::string message;
  bool owned_by_login_window = false;
};

// The message for a refusal (GBK), "" for kSignedIn.
std::string LoginMessage(LoginResult result);
bool LoginMessageOwnedByLoginWindow(LoginResult result);

inline constexpr int kFirstSessionHandle = 10000;
inline constexpr int kLastSessionHandle = 99999;

// A handle drawn uniformly from 10000..99999.
int DrawSessionHandle(std::mt19937& generator);
// A drawer on its own generator, seeded from the clock when it is made.
std::function<int()> ClockSeededHandleDrawer();

// One login attempt: remembered credentials first (so they survive a failed attempt), then the
// handle, the lookup, the checks and the recording of the login. A refusal sends nothing after
// the lookup. `server_now` and `client_address` are the gateway client's ServerNow() and
// ClientAddress(); an empty `draw_handle` uses a clock-seeded drawer.
LoginOutcome Login(GatewayLink& gateway, const LoginRequest& request, CredentialMemory& settings, DateTime server_now,
                   const std::string& client_address, const std::function<int()>& draw_handle);

}  // namespace velmora
