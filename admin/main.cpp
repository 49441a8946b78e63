// velmora-admin: see admin_commands.h.
#include <cstdio>
#include <string>
#include <vector>

#include "admin_commands.h"
#include "local_clock.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string out, err;
  const int status = velmora::admin::RunAdmin(args, out, err, velmora::service::LocalNow);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}
