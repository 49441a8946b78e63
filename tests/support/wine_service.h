// The real service for in-process tests under Wine: a work directory under /tmp with the
// service's database (made with the native admin tool), the native gateway on it, and sqlite3 to
// read it back. Linux programs are started from inside Wine through Z:\ and a small python
// launcher; see Sh.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#ifndef VELMORA_NATIVE_BUILD_DIR
#error "VELMORA_NATIVE_BUILD_DIR must name the native build directory (a Unix path)"
#endif

namespace velmora::testing {

// UTF-8 bytes for the Linux side (the tests' plain literals are GBK).
inline std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

inline std::wstring Wide(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

inline bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return ok;
}

inline std::string ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

inline std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// A work directory under /tmp with the service's database, and the gateway on it when started.
// The gateway is stopped and the directory removed however the test ends.
class Service {
 public:
  // `name` tells the work directories of different test groups apart.
  explicit Service(std::string_view name = "login")
      : unix_dir_("/tmp/velmora-" + std::string(name) + "-" + std::to_string(GetCurrentProcessId())),
        windows_dir_(L"Z:" + Wide(unix_dir_)) {
    for (auto& c : windows_dir_) {
      if (c == L'/') c = L'\\';
    }
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(windows_dir_), ignored);
    ready_ = CreateDirectoryW(windows_dir_.c_str(), nullptr) && Admin("init --demo") == 0;
  }
  ~Service() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(windows_dir_), ignored);
  }
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  bool Ready() const { return ready_; }

  // Runs a /bin/sh script (UTF-8) in the work directory and waits for it; its exit status, -1
  // when it did not run or did not end within a minute. Wine starts Linux programs without a
  // process handle to wait on, so the script's end is seen by the status file it leaves.
  int Sh(const std::string& script) {
    const std::wstring status = windows_dir_ + L"\\status";
    DeleteFileW(status.c_str());
    if (!WriteWholeFile(windows_dir_ + L"\\run.sh", "cd " + unix_dir_ + " || exit 99\n" + script + "\n")) return -1;
    // The child must not keep this process's sockets open: python closes them, then runs the script.
    const std::string launcher =
        "import os, subprocess\n"
        "os.closerange(3, 65536)\n"
        "with open('sh.log', 'wb') as log:\n"
        "    code = subprocess.call(['/bin/sh', 'run.sh'], stdin=subprocess.DEVNULL, stdout=log, stderr=log)\n"
        "with open('status.new', 'w') as out:\n"
        "    out.write(str(code))\n"
        "os.rename('status.new', 'status')\n";
    if (!WriteWholeFile(windows_dir_ + L"\\launch.py", launcher)) return -1;
    std::wstring command = Wide("Z:\\bin\\sh -c \"cd " + unix_dir_ + " && exec /usr/bin/python3 launch.py\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      return -1;
    }
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    for (int waited = 0; waited < 60000; waited += 20) {
      if (GetFileAttributesW(status.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const std::string code = TrimEnd(ReadWholeFile(status));
        return code.empty() ? -1 : std::atoi(code.c_str());
      }
      Sleep(20);
    }
    return -1;
  }
  std::string GatewayLog() { return ReadWholeFile(windows_dir_ + L"\\gateway.log"); }
  // What the last script wrote.
  std::string Log() { return ReadWholeFile(windows_dir_ + L"\\sh.log"); }

  // velmora-admin on the database; arguments are shell words, UTF-8.
  int Admin(const std::string& arguments) {
    return Sh(std::string(VELMORA_NATIVE_BUILD_DIR) + "/admin/velmora-admin --db db " + arguments + " >/dev/null");
  }

  // One sqlite3 query's output, without the last line end.
  std::string Query(const std::string& sql) {
    if (Sh("sqlite3 db \"" + sql + "\" > out") != 0) return "<query failed>";
    return TrimEnd(ReadWholeFile(windows_dir_ + L"\\out"));
  }

  // Starts the gateway listening on `listen` (a free port by default); its page address, "" when
  // it did not come up. Started again on the address it had, a stopped gateway comes back where
  // its clients left it.
  std::string Start(const std::string& listen = "127.0.0.1:0") {
    const int status = Sh(std::string(VELMORA_NATIVE_BUILD_DIR) + "/service/velmora-gateway --db db --listen " + listen +
                          " > gateway.log 2>&1 < /dev/null &\n"
                          "echo $! > gateway.pid\n"
                          // Up to 30 s: with both Windows builds' tests and the database servers of the
                          // service tests sharing two cores, a sanitized gateway has been seen to take
                          // over 10 s to come up.
                          "for i in $(seq 300); do grep -q 'listening on' gateway.log && break; sleep 0.1; done\n"
                          "grep -o 'http://[^ ]*talvenor.asp' gateway.log | head -1 > page\n"
                          "test -s page");
    running_ = true;
    return status == 0 ? TrimEnd(ReadWholeFile(windows_dir_ + L"\\page")) : std::string();
  }

  void Stop() {
    if (!running_) return;
    running_ = false;
    Sh("pid=$(cat gateway.pid) && kill $pid && while kill -0 $pid 2>/dev/null; do sleep 0.05; done");
  }

 private:
  const std::string unix_dir_;
  std::wstring windows_dir_;
  bool ready_ = false;
  bool running_ = false;
};

}  // namespace velmora::testing
