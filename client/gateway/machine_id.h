// The 16-character machine identifier sent with the handshake.
#pragma once
#include <string>
#include <string_view>

namespace velmora {

// Characters 8 to 23 of the upper-case MD5 of processor text + disk number + adapter MAC.
std::string ComposeMachineId(std::string_view cpu, std::string_view disk, std::string_view mac);

// The processor's CPUID signature and feature flags as 16 upper-case hexadecimal digits
// ("BFEBFBFF000906EA"); "" where there is no CPUID.
std::string ProcessorIdText();

// A decimal number derived from the first fixed disk's serial text (FNV-1a, 32 bits); "" for "".
std::string DiskNumberText(std::string_view serial);

// "00-1A-2B-3C-4D-5E" from the adapter's address bytes.
std::string MacText(const unsigned char* bytes, size_t length);

// This machine's identifier; an unavailable part counts as the empty text.
std::string MachineIdentifier();

}  // namespace velmora
