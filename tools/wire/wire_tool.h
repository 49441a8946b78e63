// velmora-wire: the operator's command-line view of the gateway codec and of one gateway exchange.
// The commands run in-process on texts, so the tests drive them without a console.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::wire {

// Exit statuses: 0 done, 1 the gateway refused or failed, 2 bad input or usage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitGateway = 1;
inline constexpr int kExitUsage = 2;

// Runs the command in `args` (the program name left out). `read_input` returns all of standard
// input; it is called only once the command line has been found good and only by the commands that
// take a text, so a mistyped command or a query at a console never waits for end of input.
// The result goes to `out`, messages to `err`; returns the exit status.
int RunWireTool(const std::vector<std::string>& args, const std::function<std::string()>& read_input,
                std::string& out, std::string& err);

// The same with standard input given as a text.
int RunWireTool(const std::vector<std::string>& args, std::string_view input, std::string& out,
                std::string& err);

// Text conversions for --utf8, one implementation per platform. Nothing when the text is not valid
// in its source encoding or holds a character the target encoding lacks.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);
std::optional<std::string> GbkToUtf8(std::string_view gbk);

}  // namespace velmora::wire
