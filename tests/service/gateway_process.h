// The real velmora-gateway process for the end-to-end tests, and a client on the real road.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gateway/gateway_client.h"
#include "gateway/machine_id.h"
#include "gateway/platform.h"
#include "gateway/transport.h"

namespace velmora::service::testing {

// velmora-gateway on a free port, its log in a file; stopped (SIGTERM) when the test ends.
// `options` come after the defaults and so override them (for example {"--threads", "64"}). The log
// goes beside a database file, or to `log` when given (a PostgreSQL database has no file).
class GatewayProcess {
 public:
  explicit GatewayProcess(const std::string& db, const std::vector<std::string>& options = {},
                          const std::string& log = "")
      : log_(log.empty() ? db + ".log" : log) {
    Start(db, options);
  }
  ~GatewayProcess() { Stop(SIGTERM); }
  GatewayProcess(const GatewayProcess&) = delete;
  GatewayProcess& operator=(const GatewayProcess&) = delete;

  const std::string& address() const { return address_; }
  // Ends the process with `sig` and returns its exit status (or 128 + signal); one that has not
  // ended after 30 s is killed and reported as -1.
  int Stop(int sig) {
    if (pid_ <= 0) return -1;
    kill(pid_, sig);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 3000 && !ended; ++i) {
      ended = waitpid(pid_, &status, WNOHANG) == pid_;
      if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    std::remove(log_.c_str());
    if (!ended) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  void Start(const std::string& db, const std::vector<std::string>& options) {
    std::vector<std::string> args = {VELMORA_GATEWAY_EXE, "--db", db, "--listen", "127.0.0.1:0", "--threads", "4"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(fd, 1);
      dup2(fd, 2);
      execv(VELMORA_GATEWAY_EXE, argv.data());
      _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
      const std::string log = Log();
      const size_t at = log.find("listening on ");
      if (at != std::string::npos) {
        const size_t end = log.find(' ', at + 13);
        address_ = log.substr(at + 13, end - at - 13);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "the gateway did not start: " << Log();
  }

  std::string log_;
  pid_t pid_ = -1;
  std::string address_;
};

// A client on the socket transport, the real clock and the machine identifier.
inline GatewayClient MakeClient() {
  return GatewayClient(GatewayPlatform{[](const std::string& a, const std::string& b) { return PostForm(a, b); },
                                       TickCountMs, MachineIdentifier, nullptr});
}

}  // namespace velmora::service::testing
