// velmora-wire's entry point: the console around RunWireTool.
#include <cstdio>
#include <string>
#include <vector>

#include "wire/wire_tool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace {

std::string ReadAllInput() {
  std::string input;
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) input.append(buffer, n);
  return input;
}

void WriteAll(const std::string& text, FILE* stream) {
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

#ifdef _WIN32
// With --utf8 the arguments are wanted as UTF-8, but the narrow command line has already been
// squeezed through the ANSI code page; the wide one still holds every character.
bool ReadUtf8Arguments(std::vector<std::string>& args) {
  int argc = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!wide) return false;
  std::vector<std::string> converted;
  bool ok = true;
  for (int i = 1; i < argc && ok; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
      ok = false;
      break;
    }
    std::string arg(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), n, nullptr, nullptr);
    arg.resize(size_t(n - 1));  // the terminating zero
    converted.push_back(std::move(arg));
  }
  LocalFree(wide);
  if (ok) args = std::move(converted);
  return ok;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The texts are bytes: no CR inserted before LF, no end at a 0x1A byte.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::vector<std::string> args(argv + 1, argv + argc);
#ifdef _WIN32
  for (const std::string& a : args) {
    if (a == "--utf8") {
      ReadUtf8Arguments(args);
      break;
    }
  }
#endif
  std::string out, err;
  const int status = velmora::wire::RunWireTool(args, ReadAllInput, out, err);
  WriteAll(out, stdout);
  WriteAll(err, stderr);
  return status;
}
