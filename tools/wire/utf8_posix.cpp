// --utf8 on POSIX systems: glibc's iconv, which refuses both malformed input and characters the
// target lacks (no transliteration is asked for), so nothing is silently replaced.
#include <errno.h>
#include <iconv.h>

#include "wire/wire_tool.h"

namespace velmora::wire {
namespace {

std::optional<std::string> Convert(std::string_view text, const char* to, const char* from) {
  const iconv_t cd = iconv_open(to, from);
  if (cd == iconv_t(-1)) return std::nullopt;
  std::string out(text.size() * 2 + 16, '\0');
  char* in_p = const_cast<char*>(text.data());  // iconv's signature; the input is not written
  size_t in_left = text.size();
  size_t done = 0;
  bool ok = true;
  for (;;) {
    char* out_p = out.data() + done;
    size_t out_left = out.size() - done;
    // A null input asks for the final shift sequence once everything has been taken.
    const size_t r = in_left == 0 ? iconv(cd, nullptr, nullptr, &out_p, &out_left)
                                  : iconv(cd, &in_p, &in_left, &out_p, &out_left);
    done = out.size() - out_left;
    if (r != size_t(-1)) {
      if (in_left == 0) break;
      continue;
    }
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    ok = false;  // EILSEQ: invalid or unrepresentable; EINVAL: a character cut off at the end
    break;
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(done);
  return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) { return Convert(utf8, "GBK", "UTF-8"); }
std::optional<std::string> GbkToUtf8(std::string_view gbk) { return Convert(gbk, "UTF-8", "GBK"); }

}  // namespace velmora::wire
