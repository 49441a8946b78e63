// Texts that come from requests (statements, machine identifiers) go into the log escaped: one
// request is always one line, whatever a sender puts in its statement.
#pragma once
#include <string>
#include <string_view>

namespace velmora::service {

// `text` with control characters, backslashes and bytes that are not UTF-8 written as "\n",
// "\\", "\x00"-style escapes; well-formed UTF-8 (Chinese) stays readable.
std::string EscapeLogText(std::string_view text);

}  // namespace velmora::service
