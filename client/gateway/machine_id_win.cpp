// Machine identifier on Windows: CPUID, the first fixed disk's serial, the first adapter's MAC.
#include <windows.h>
#include <iphlpapi.h>
#include <winioctl.h>

#include <memory>
#include <vector>

#include "gateway/machine_id.h"
#include "runtime/handles_win.h"

namespace velmora {
namespace {

using win::FileHandle;

std::string FirstDiskSerial() {
  const FileHandle disk(CreateFileW(L"\\\\.\\PhysicalDrive0", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  if (!disk.ok()) return {};
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  std::vector<char> buffer(1024);
  DWORD returned = 0;
  if (!DeviceIoControl(disk.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer.data(),
                       DWORD(buffer.size()), &returned, nullptr) ||
      returned < sizeof(STORAGE_DEVICE_DESCRIPTOR)) {
    return {};
  }
  const auto* descriptor = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer.data());
  const DWORD offset = descriptor->SerialNumberOffset;
  if (offset == 0 || offset >= returned) return {};
  std::string serial(buffer.data() + offset, strnlen(buffer.data() + offset, returned - offset));
  while (!serial.empty() && serial.front() == ' ') serial.erase(0, 1);
  while (!serial.empty() && serial.back() == ' ') serial.pop_back();
  return serial;
}

std::string FirstAdapterMac() {
  ULONG size = 0;
  if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return {};
  std::vector<unsigned char> buffer(size);
  auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (GetAdaptersInfo(info, &size) != NO_ERROR) return {};
  return MacText(info->Address, info->AddressLength);
}

}  // namespace

std::string MachineIdentifier() {
  return ComposeMachineId(ProcessorIdText(), DiskNumberText(FirstDiskSerial()), FirstAdapterMac());
}

}  // namespace velmora
