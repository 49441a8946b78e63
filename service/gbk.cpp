#include "gbk.h"

#include <iconv.h>

#include <cerrno>

namespace velmora::service {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::optional<std::string> Run(std::string_view in) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out(in.size() * 2 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    size_t done = 0;
    for (;;) {
      char* dst = out.data() + done;
      size_t dst_left = out.size() - done;
      const size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      done = out.size() - dst_left;
      if (r != size_t(-1)) break;
      if (errno != E2BIG) return std::nullopt;  // an invalid or incomplete sequence
      out.resize(out.size() * 2);
    }
    out.resize(done);
    return out;
  }

 private:
  const iconv_t cd_;
};

}  // namespace

// GBK, not GB18030: the client's code page 936 has no four-byte sequences.
std::optional<std::string> GbkToUtf8(std::string_view gbk) {
  thread_local Converter converter("UTF-8", "GBK");
  return converter.Run(gbk);
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  thread_local Converter converter("GBK", "UTF-8");
  return converter.Run(utf8);
}

}  // namespace velmora::service
