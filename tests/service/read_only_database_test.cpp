// A database the gateway cannot write: it refuses to start on one, and its health check turns
// to 503 when the file stops being writable under it. File permissions bind only a user other
// than root, so when the tests run as root the gateway runs as "nobody", from a copy of its
// program in the test's own folder (the checkout's path may be closed to other users).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "database.h"

namespace velmora::service {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// A folder of the test's own, open to the gateway's user, removed with everything in it.
class Folder {
 public:
  Folder() {
    char pattern[] = "/tmp/velmora-ro-XXXXXX";
    path_ = mkdtemp(pattern);
    chmod(path_.c_str(), 0755);
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// velmora-gateway as a user that file permissions bind; its output in `log`.
class Gateway {
 public:
  Gateway(const Folder& folder, const std::string& db) : log_(folder / "gateway.log") {
    const std::string program = folder / "velmora-gateway";
    fs::copy_file(VELMORA_GATEWAY_EXE, program, fs::copy_options::overwrite_existing);
    chmod(program.c_str(), 0755);
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(fd, 1);
      dup2(fd, 2);
      if (getuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(126);
      execl(program.c_str(), program.c_str(), "--db", db.c_str(), "--listen", "127.0.0.1:0", "--threads", "2",
            static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Gateway() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Gateway(const Gateway&) = delete;
  Gateway& operator=(const Gateway&) = delete;

  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The exit status once the process has ended by itself within 20 s, or -1.
  int ExitStatus() {
    for (int i = 0; i < 2000 && pid_ > 0; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }
  // The port it listens on once it says so (within 20 s), or 0.
  int Port() const {
    for (int i = 0; i < 2000; ++i) {
      const std::string log = Log();
      const size_t at = log.find("listening on http://127.0.0.1:");
      if (at != std::string::npos) return std::atoi(log.c_str() + at + 30);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
  }

 private:
  std::string log_;
  pid_t pid_ = -1;
};

// The status line of GET /healthz, e.g. "HTTP/1.1 200 OK", or "" when there was no answer.
std::string Health(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  timeval timeout{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(uint16_t(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  const std::string request = "GET /healthz HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
      send(fd, request.data(), request.size(), 0) == ssize_t(request.size())) {
    char buffer[512];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, size_t(n));
  }
  close(fd);
  return answer.substr(0, answer.find("\r\n"));
}

void MakeDatabase(const std::string& path) {
  std::string error;
  ASSERT_TRUE(OpenDatabase(path, OpenMode::kCreateIfMissing, error)) << error;
}

TEST(ReadOnlyDatabase, TheGatewayRefusesToStartOnIt) {
  Folder folder;
  const std::string db = folder / "velmora.db";
  MakeDatabase(db);
  chmod(db.c_str(), 0444);
  chmod(folder.path().c_str(), 0555);  // nor can its journal files be made beside it
  Gateway gateway(folder, db);
  EXPECT_EQ(gateway.ExitStatus(), 1) << gateway.Log();
  EXPECT_NE(gateway.Log().find("cannot write the database"), std::string::npos) << gateway.Log();
  chmod(folder.path().c_str(), 0755);
}

TEST(ReadOnlyDatabase, HealthTurnsUnavailableWhileTheFileCannotBeWritten) {
  Folder folder;
  chmod(folder.path().c_str(), 0777);
  const std::string db = folder / "velmora.db";
  MakeDatabase(db);
  chmod(db.c_str(), 0666);
  Gateway gateway(folder, db);
  const int port = gateway.Port();
  ASSERT_NE(port, 0) << gateway.Log();
  EXPECT_EQ(Health(port), "HTTP/1.1 200 OK");
  chmod(db.c_str(), 0444);
  EXPECT_EQ(Health(port), "HTTP/1.1 503 Service Unavailable") << gateway.Log();
  EXPECT_NE(gateway.Log().find("health: "), std::string::npos);
  chmod(db.c_str(), 0666);
  EXPECT_EQ(Health(port), "HTTP/1.1 200 OK") << gateway.Log();
}

}  // namespace
}  // namespace velmora::service
