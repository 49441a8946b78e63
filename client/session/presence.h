// One account is signed in on one machine at a time, and the service's administrators can sign a
// user out: both show in the account row's 句柄, which every login overwrites with its own handle
// and an administrator sets to 2. Reading it back tells the client whether it is still the one
// signed in; signing out marks the row offline.
#pragma once
#include <string>

#include "gateway/statements.h"
#include "session/login.h"

namespace velmora {

inline constexpr int kAdministratorSignOutHandle = 2;

enum class Presence {
  kSignedIn,               // the row still holds our handle, or no answer came (benefit of the doubt)
  kSignedOutByAdministrator,
  kSignedInElsewhere,      // any other value, an empty one included
};

// Reads 句柄 of the signed-in account's row. No answer or no row counts as still signed in: a
// silent service must not throw the user out.
Presence CheckPresence(GatewayLink& gateway, const SessionRecord& session);

// The message telling the user why the client ends (GBK); "" while signed in.
std::string PresenceMessage(Presence presence);

// Marks the account offline ("在线=0"); true when the service confirmed the change. The program
// ends either way, so callers may ignore the result.
bool MarkOffline(GatewayLink& gateway, const std::string& account);

}  // namespace velmora
