// Where a login attempt leaves the credentials typed for it: the program's settings file, which
// keeps them when the remember box is ticked. The login knows only this much of the settings.
#pragma once
#include <string_view>

namespace velmora {

class CredentialMemory {
 public:
  virtual ~CredentialMemory() = default;
  // Called at the start of every attempt, before the account is looked up (GBK texts).
  virtual void LoginAttempted(bool box_ticked, std::string_view name, std::string_view password) = 0;
};

}  // namespace velmora
