// Machine identifier on Linux, for the operators' tools: the first non-loopback adapter's MAC and
// the first disk's serial as the system reports them.
#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "gateway/machine_id.h"

namespace velmora {
namespace {

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::vector<std::string> SortedEntries(const char* dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir)) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string FirstMac() {
  for (const std::string& name : SortedEntries("/sys/class/net")) {
    if (name == "lo") continue;
    const std::string text = FirstLine("/sys/class/net/" + name + "/address");
    unsigned char bytes[6];
    unsigned v[6];
    if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6) continue;
    for (int i = 0; i < 6; ++i) bytes[i] = static_cast<unsigned char>(v[i]);
    return MacText(bytes, 6);
  }
  return {};
}

std::string FirstDiskSerial() {
  for (const std::string& name : SortedEntries("/sys/block")) {
    const std::string serial = FirstLine("/sys/block/" + name + "/device/serial");
    if (!serial.empty()) return serial;
  }
  return {};
}

}  // namespace

std::string MachineIdentifier() {
  return ComposeMachineId(ProcessorIdText(), DiskNumberText(FirstDiskSerial()), FirstMac());
}

}  // namespace velmora
