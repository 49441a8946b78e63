// What the service lets a request write into an account row. Every value is judged in the form
// the client will read it back in (GBK, split on its answer marks by lead bytes), and by the
// form the client itself writes into that column; anything else could shift the fields of a
// later answer (a frozen account read as not frozen) or break the answers of every reader.
#pragma once
#include <string>
#include <string_view>

#include "schema.h"
#include "statement.h"

namespace velmora::service {

// Longest values the service stores: account names, and every other column.
inline constexpr size_t kMaxAccountNameBytes = 64;
inline constexpr size_t kMaxValueBytes = 256;

// True when `gbk` reads back as written: every byte from 0x80 up leads a complete two-byte
// character (lead 0x81..0xFE, trail 0x40..0xFE but 0x7F), no control characters.
bool ReadsBackAsWritten(std::string_view gbk);

// Why `value` may not be written into `column` of an account row, or "" when it may.
// `inserting`: the value is part of a sign-up (a new row), not a login's change.
std::string WrittenValueRefusal(const Column& column, const Value& value, bool inserting);

}  // namespace velmora::service
