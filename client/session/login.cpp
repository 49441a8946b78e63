#include "session/login.h"

#include <chrono>

#include "gateway/rc4.h"
#include "gateway/result_rows.h"

namespace velmora {
namespace {

constexpr std::string_view kAccountTable = "account";
constexpr std::string_view kLoginColumns = "账号,密码,在线,状态,登陆IP";
constexpr std::string_view kAccountColumn = "账号";
// Field positions in a row of kLoginColumns.
constexpr size_t kFieldAccount = 0;
constexpr size_t kFieldPassword = 1;
constexpr size_t kFieldState = 3;
constexpr std::string_view kFrozenState = "1";

LoginOutcome Refused(LoginResult result) {
  LoginOutcome out;
  out.result = result;
  out.message = LoginMessage(result);
  out.owned_by_login_window = LoginMessageOwnedByLoginWindow(result);
  return out;
}

}  // namespace

std::string LoginMessage(LoginResult result) {
  switch (result) {
    case LoginResult::kSignedIn:
      return {};
    case LoginResult::kBadAccount:
      return "账号输入有误，请重新输入！";
    case LoginResult::kBadPassword:
      return "密码输入有误，请从新输入！";  // 从 (not 重) is the wording users have always seen
    case LoginResult::kFrozen:
      return "您的账号已冻结，如需要请联系管理员！";
  }
  return {};
}

bool LoginMessageOwnedByLoginWindow(LoginResult result) {
  return result == LoginResult::kBadPassword || result == LoginResult::kFrozen;
}

int DrawSessionHandle(std::mt19937& generator) {
  return std::uniform_int_distribution<int>(kFirstSessionHandle, kLastSessionHandle)(generator);
}

std::function<int()> ClockSeededHandleDrawer() {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  std::seed_seq seed{static_cast<unsigned>(ticks), static_cast<unsigned>(static_cast<unsigned long long>(ticks) >> 32)};
  return [generator = std::mt19937(seed)]() mutable { return DrawSessionHandle(generator); };
}

LoginOutcome Login(GatewayLink& gateway, const LoginRequest& request, CredentialMemory& settings, DateTime server_now,
                   const std::string& client_address, const std::function<int()>& draw_handle) {
  settings.LoginAttempted(request.remember, request.account, request.password);
  const int handle = draw_handle ? draw_handle() : ClockSeededHandleDrawer()();

  // The typed name goes in quoted: a quote in it stays part of the name.
  const std::string who = SqlEquals(kAccountColumn, request.account);
  const ResultRows rows(SelectRows(gateway, kAccountTable, kLoginColumns, who));
  // No answer, no such account, and a name held by several rows are all the same refusal.
  if (rows.RowCount() != 2) return Refused(LoginResult::kBadAccount);
  if (Rc4HexEncode(request.password) != rows.Field(1, kFieldPassword)) return Refused(LoginResult::kBadPassword);
  if (rows.Field(1, kFieldState) == kFrozenState) return Refused(LoginResult::kFrozen);

  const std::string assignments = "在线=1," + SqlEquals("登陆时间", DateTimeText(server_now)) + "," +
                                  SqlEquals("登陆IP", client_address) + "," +
                                  SqlEquals("句柄", std::to_string(handle));
  // A lost update only weakens the presence check later; the user is in either way.
  UpdateRows(gateway, kAccountTable, assignments, who);

  LoginOutcome out;
  out.result = LoginResult::kSignedIn;
  out.session = SessionRecord{std::string(rows.Field(1, kFieldAccount)), handle};
  return out;
}

}  // namespace velmora
