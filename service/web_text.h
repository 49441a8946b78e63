// Texts as they arrive over HTTP: form fields (the gateway's request body, the console's forms)
// and the UTF-8 the service keeps. One definition each for the gateway, the console and the
// operators' command line.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::service {

// An application/x-www-form-urlencoded value decoded: "+" is a space, "%XY" the byte XY; a "%"
// not followed by two hex digits stays as it is.
std::string FormDecode(std::string_view text);

// The length of the well-formed UTF-8 character starting at `text[i]` (1 to 4), or 0 when none
// starts there: overlong forms, surrogates, code points above U+10FFFF and cut-off sequences are
// not well formed. `i` is below `text.size()`.
size_t Utf8SequenceLength(std::string_view text, size_t i);

// True when the whole of `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace velmora::service
