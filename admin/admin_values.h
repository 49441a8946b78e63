// What every admin command does with the texts and numbers it is given: checks (strict UTF-8,
// writable in GBK, free of the answer separators), the stored forms (RC4 hex text of the GBK
// bytes, or plain UTF-8), numbers and colours, and columns for the terminal. A bad value stops
// the command with a CommandError.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "web_text.h"

namespace velmora::admin {

// What stops a command: the exit status and the one-line message.
struct CommandError {
  int status;
  std::string message;
};

[[noreturn]] void Refuse(std::string message);  // bad input: exit status 2
[[noreturn]] void Fail(std::string message);    // a failed operation: exit status 1

// A text inside a one-line message, control characters replaced; Shown adds quotes.
std::string Printable(std::string_view text);
std::string Shown(std::string_view text);

using service::IsValidUtf8;  // strict: no overlong forms, no surrogates
void RequireUtf8(std::string_view text, std::string_view what);
void RequireNonEmpty(std::string_view text, std::string_view what);
// The GBK bytes the client will hold; refused when the text has no GBK form.
std::string GbkOf(std::string_view utf8, std::string_view what);
// The stored forms: RC4 hex text of the GBK bytes, or the UTF-8 text as it is (separators refused).
std::string Enciphered(std::string_view utf8, std::string_view what);
std::string Plain(std::string_view utf8, std::string_view what);
// A stored RC4 hex text back as UTF-8, for display.
std::string Deciphered(std::string_view hex);
// A GBK text of the client's (date-times) as the database holds it: UTF-8.
std::string StoredText(const std::string& gbk);

std::optional<int64_t> Digits(std::string_view text, int base);
int64_t Number(std::string_view text, std::string_view what, int64_t min, int64_t max);
// Windows colour value 0x00BBGGRR from decimal, 0xBBGGRR or #RRGGBB.
std::optional<int64_t> ParseColour(std::string_view text);
int64_t Colour(std::string_view text, std::string_view what);
std::string ColourShown(std::string_view stored);

// Columns on the terminal: East Asian wide characters take two.
size_t DisplayWidth(std::string_view s);
std::string Table(const std::vector<std::vector<std::string>>& rows);

}  // namespace velmora::admin
