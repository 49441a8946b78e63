// The text of a profile file ("[section]" lines, "key=value" lines) read and edited as bytes.
// The system's profile functions convert a file without a byte-order mark through the ANSI code
// page of the machine they run on, so a GBK gp.ini on an English Windows would come back
// misread and be written back as question marks; these work on the bytes the file holds. Every
// delimiter is ASCII below 0x40, which GBK never uses as the second byte of a letter, so a value's
// GBK letters are never mistaken for one.
#pragma once
#include <string>
#include <string_view>

namespace velmora {

// The value of `key` in the first section named `section`, as GetPrivateProfileString answers it:
// names compared without case, spaces and tabs around names and value dropped, one pair of
// enclosing quotes (" or ') removed; "" when there is no such key or section.
std::string ProfileValue(std::string_view file, std::string_view section, std::string_view key);

// `file` with `key` set to `value` in the first section named `section`; every other line stays
// byte for byte as it was. An existing key's line is rewritten in place; a new key goes after the
// section's last line, a new section at the end of the file. The value stops at its first line
// break or NUL, which could not be read back as part of it.
std::string WithProfileValue(std::string_view file, std::string_view section, std::string_view key,
                             std::string_view value);

}  // namespace velmora
