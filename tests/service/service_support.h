// Shared by the service tests: temporary databases, GBK texts, request bodies.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <string>

#include "gateway/gateway_client.h"
#include "gateway/wire_codec.h"
#include "gbk.h"

namespace velmora::service::testing {

// GBK bytes of a UTF-8 literal (these tests are compiled with UTF-8 literals).
inline std::string G(std::string_view utf8) { return *Utf8ToGbk(utf8); }
inline std::string U(std::string_view gbk) { return GbkToUtf8(gbk).value_or("<not GBK>"); }

inline const WireKey& Key() {
  static const WireKey key = *WireKey::FromDigits(BuiltInRequestKey());
  return key;
}

inline std::string StatementBody(char op, DateTime stamp, std::string_view sql_utf8) {
  return "p=" + EncodeWire(std::string(1, op), Key()) + "&post=" +
         EncodeWire(StampedStatement(stamp, G(sql_utf8)), Key());
}

// A database file that is removed with its WAL files when the test ends.
class TempDatabase {
 public:
  TempDatabase() {
    char pattern[] = "/tmp/velmora-test-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    path_ = pattern;
    std::remove(path_.c_str());
  }
  ~TempDatabase() {
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path_ + suffix).c_str());
  }
  TempDatabase(const TempDatabase&) = delete;
  TempDatabase& operator=(const TempDatabase&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace velmora::service::testing
