// Open connections counted per client address, with a cap: every open connection holds memory and
// a file, and one address (a misbehaving host, or a flood of connections) must not take them all.
// The cap is generous since a trading office may put dozens of clients behind one NAT address.
#pragma once
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace velmora::service {

class AddressSlots {
 public:
  // One connection's place under its address's cap, given back when it is destroyed.
  class Slot {
   public:
    Slot(Slot&& other) noexcept : owner_(other.owner_), address_(std::move(other.address_)) { other.owner_ = nullptr; }
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    Slot& operator=(Slot&&) = delete;
    ~Slot();
    // False when the address already had its cap of connections open: close this one.
    bool held() const { return owner_ != nullptr; }

   private:
    friend class AddressSlots;
    Slot(AddressSlots* owner, std::string address) : owner_(owner), address_(std::move(address)) {}
    AddressSlots* owner_;
    std::string address_;
  };

  explicit AddressSlots(size_t per_address) : per_address_(per_address) {}
  void set_per_address(size_t per_address);
  size_t per_address() const;
  Slot Take(const std::string& address);
  // The same under `cap` rather than the per-address cap: for a proxy that many clients share.
  Slot Take(const std::string& address, size_t cap);

 private:
  void Give(const std::string& address);

  mutable std::mutex mutex_;
  size_t per_address_;
  std::unordered_map<std::string, size_t> open_;
};

}  // namespace velmora::service
