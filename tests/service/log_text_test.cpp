// Log lines: what a request puts into one cannot start another or hide in raw bytes.
#include <gtest/gtest.h>

#include "log_text.h"

namespace velmora::service {
namespace {

TEST(EscapeLogText, ControlsBackslashesAndBrokenUtf8AreEscaped) {
  const std::pair<std::string, std::string> cases[] = {
      {"select * from lset", "select * from lset"},
      {"账号='张三'", "账号='张三'"},
      {"a\nb\r\tc", "a\\nb\\r\\tc"},
      {std::string("a\0b", 3), "a\\x00b"},
      {"\x1b[31mred", "\\x1B[31mred"},
      {"\x7f", "\\x7F"},
      {"back\\n", "back\\\\n"},           // a literal backslash cannot fake an escape
      {"\xD5\xC5", "\\xD5\\xC5"},         // GBK bytes, not UTF-8
      {"\xE5\xBC", "\\xE5\\xBC"},         // a cut-off character
      {"\xC0\x80", "\\xC0\\x80"},         // an overlong NUL
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},  // a surrogate
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(EscapeLogText(text), escaped) << escaped;
}

}  // namespace
}  // namespace velmora::service
