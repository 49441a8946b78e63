// What one gateway request costs the client's process in CPU, by transport: the default mode
// with one request object reused (as a polling worker does), the default mode limited to each
// ProgID in turn, and WinINet. The wineserver's share is measured around the run by the script.
//   velmora-bench-transport.exe GATEWAY_PAGE MODE [requests]
// MODE: reused | progid:NAME | wininet
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gateway/transport.h"
#include "gateway/transport_win.h"
#include "runtime/com_win.h"
#include "runtime/gbk_win.h"

namespace {

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](FILETIME t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
  return seconds(kernel) + seconds(user);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace velmora;
  if (argc < 3) {
    std::fprintf(stderr, "usage: velmora-bench-transport.exe GATEWAY_PAGE MODE [requests]\n");
    return 2;
  }
  const std::string page = win::WideToGbk(argv[1]);
  const std::wstring mode = argv[2];
  const int requests = argc > 3 ? _wtoi(argv[3]) : 100;
  // The body of a count request would need the wire codec; an empty form is answered too, with
  // the gateway's refusal, which travels the same road.
  const std::string body = "a=1";
  win::ComApartment apartment;
  std::vector<std::wstring> progids;
  if (mode.rfind(L"progid:", 0) == 0) progids.push_back(mode.substr(7));
  ReusedRequestObject reused;
  size_t answered = 0;
  const double cpu0 = ProcessCpuSeconds();
  const DWORD wall0 = GetTickCount();
  for (int i = 0; i < requests; ++i) {
    std::string answer;
    if (mode == L"reused") answer = reused.Post(page, body);
    else if (mode == L"wininet") answer = PostFormWinInet(page, body, [](int64_t, int64_t) {});
    else answer = PostFormCom(page, body, progids);
    answered += !answer.empty();
  }
  const double cpu = ProcessCpuSeconds() - cpu0;
  std::printf("%-34ls %4d requests (%zu answered) in %5lu ms: %.2f ms of process CPU each\n", mode.c_str(), requests,
              answered, GetTickCount() - wall0, 1000 * cpu / requests);
  return answered == size_t(requests) ? 0 : 1;
}
