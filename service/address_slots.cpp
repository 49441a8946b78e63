#include "address_slots.h"

namespace velmora::service {

AddressSlots::Slot::~Slot() {
  if (owner_) owner_->Give(address_);
}

void AddressSlots::set_per_address(size_t per_address) {
  std::lock_guard lock(mutex_);
  per_address_ = per_address;
}

size_t AddressSlots::per_address() const {
  std::lock_guard lock(mutex_);
  return per_address_;
}

AddressSlots::Slot AddressSlots::Take(const std::string& address) { return Take(address, per_address()); }

AddressSlots::Slot AddressSlots::Take(const std::string& address, size_t cap) {
  std::lock_guard lock(mutex_);
  size_t& open = open_[address];
  if (open >= cap) {
    if (open == 0) open_.erase(address);
    return Slot(nullptr, address);
  }
  ++open;
  return Slot(this, address);
}

void AddressSlots::Give(const std::string& address) {
  std::lock_guard lock(mutex_);
  // Addresses come and go: forget one once its last connection is gone.
  if (const auto it = open_.find(address); it != open_.end() && --it->second == 0) open_.erase(it);
}

}  // namespace velmora::service
