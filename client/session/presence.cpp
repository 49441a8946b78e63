#include "session/presence.h"

#include "gateway/result_rows.h"
#include "gateway/text.h"

namespace velmora {
namespace {
constexpr std::string_view kAccountTable = "account";
constexpr std::string_view kAccountColumn = "账号";
constexpr std::string_view kHandleColumn = "句柄";
}  // namespace

Presence CheckPresence(GatewayLink& gateway, const SessionRecord& session) {
  const ResultRows rows(SelectRows(gateway, kAccountTable, kHandleColumn, SqlEquals(kAccountColumn, session.account)));
  if (!rows.HasDataRow()) return Presence::kSignedIn;
  const int64_t stored = LeadingNumber(rows.Field(1, 0));
  if (stored == session.handle) return Presence::kSignedIn;
  return stored == kAdministratorSignOutHandle ? Presence::kSignedOutByAdministrator : Presence::kSignedInElsewhere;
}

std::string PresenceMessage(Presence presence) {
  switch (presence) {
    case Presence::kSignedIn:
      return {};
    case Presence::kSignedOutByAdministrator:
      return "您的账户已被管理员下线，如有问题请联系我们客服！";
    case Presence::kSignedInElsewhere:
      return "您的账户已在别处登录，如有问题请联系我们客服！";
  }
  return {};
}

bool MarkOffline(GatewayLink& gateway, const std::string& account) {
  return UpdateRows(gateway, kAccountTable, "在线=0", SqlEquals(kAccountColumn, account));
}

}  // namespace velmora
