// An in-memory gp.ini for the native tests of the settings rules and of the login.
#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_file.h"

namespace velmora::testing {

// Behaves like a profile file: a write creates the file, the template's keys become readable, and
// every write is logged in order.
class MemoryProfileStore final : public ProfileStore {
 public:
  std::string Read(std::string_view key) override {
    const auto it = keys.find(std::string(key));
    return it == keys.end() ? std::string() : it->second;
  }
  void Write(std::string_view key, std::string_view value) override {
    exists = true;
    keys[std::string(key)] = std::string(value);
    writes.push_back(std::string(key) + "=" + std::string(value));
  }
  bool Exists() override { return exists; }
  void CreateWithTemplate(std::string_view bytes) override {
    ++creates;
    exists = true;
    created = std::string(bytes);
    size_t pos = 0;
    for (size_t end; (end = created.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
      const std::string line = created.substr(pos, end - pos);
      const size_t eq = line.find('=');
      if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
  }

  std::map<std::string, std::string> keys;
  bool exists = false;
  int creates = 0;
  std::string created;
  std::vector<std::string> writes;
};

// A store holding the template, as after a first start.
inline MemoryProfileStore FreshStore() {
  MemoryProfileStore store;
  store.CreateWithTemplate(kSettingsTemplate);
  store.creates = 0;
  return store;
}

}  // namespace velmora::testing
