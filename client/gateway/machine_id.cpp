#include "gateway/machine_id.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

#include "gateway/md5.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace velmora {

std::string ComposeMachineId(std::string_view cpu, std::string_view disk, std::string_view mac) {
  std::string all(cpu);
  all.append(disk);
  all.append(mac);
  std::string hex = Md5Hex(all);
  for (char& c : hex) c = char(std::toupper(static_cast<unsigned char>(c)));
  return hex.substr(7, 16);
}

std::string ProcessorIdText() {
#if defined(__i386__) || defined(__x86_64__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return {};
  char buf[24];
  std::snprintf(buf, sizeof buf, "%08X%08X", edx, eax);
  return buf;
#else
  return {};
#endif
}

std::string DiskNumberText(std::string_view serial) {
  if (serial.empty()) return {};
  uint32_t h = 2166136261u;
  for (char c : serial) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return std::to_string(h);
}

std::string MacText(const unsigned char* bytes, size_t length) {
  std::string text;
  char part[4];
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(part, sizeof part, i == 0 ? "%02X" : "-%02X", bytes[i]);
    text.append(part);
  }
  return text;
}

}  // namespace velmora
