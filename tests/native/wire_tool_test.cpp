#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "wire/wire_tool.h"

namespace velmora::wire {
namespace {

using namespace std::string_literals;

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Tool(const std::vector<std::string>& args, std::string_view input = {}) {
  ToolRun r;
  r.status = RunWireTool(args, input, r.out, r.err);
  return r;
}

// The result without the one newline every result ends in; fails the test when it is missing.
std::string Result(const ToolRun& r) {
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  if (r.out.empty() || r.out.back() != '\n') {
    ADD_FAILURE() << "result does not end in a newline";
    return r.out;
  }
  return r.out.substr(0, r.out.size() - 1);
}

// Narrow literals are GBK here (the build's execution character set).
const std::vector<std::string> kTexts = {
    "",
    "select * from users where name='abc'",
    "上午好，世界！用户名々密码☆",
    "\x01\x02\t\r\n\x1A\x7F  x  \r\n"s,  // control characters and surrounding white space, kept
    "\0a\0"s,                             // zero bytes
    "abc\xB0"s,                           // a lead byte with no trail byte at the very end
    "\xB0"s,
    "中A文1\xFE\xFE\x81\x40~",
};

TEST(WireTool, WireTextRoundTripsUnderEveryKey) {
  const std::vector<std::vector<std::string>> keys = {{}, {"--key", "0"}, {"--key", "9876543210123"}};
  for (const auto& key_args : keys) {
    for (const std::string& text : kTexts) {
      std::vector<std::string> encode = {"encode"}, decode = {"decode"};
      encode.insert(encode.end(), key_args.begin(), key_args.end());
      decode.insert(decode.end(), key_args.begin(), key_args.end());
      const std::string wire = Result(Tool(encode, text));
      EXPECT_EQ(wire.find_first_not_of("0123456789ABCDEF"), std::string::npos) << wire;
      EXPECT_EQ(Result(Tool(decode, wire)), text) << "wire " << wire;
    }
  }
}

TEST(WireTool, EncodesWithTheBuiltInKeyUnlessOneIsGiven) {
  // 上 = C9CF, 午 = CEE7. Built-in key digits 5, 8 XOR 6, 9; key "0" XORs every character with 1.
  EXPECT_EQ(Tool({"encode"}, "上午").out, "C9C9CEEE\n");
  EXPECT_EQ(Tool({"encode", "--key", "0"}, "上午a").out, "C9CECEE60060\n");
  // Either case, a group spelt "0x..", a short last group.
  EXPECT_EQ(Tool({"decode", "--key", "0"}, "c9ceCEE60x6060").out, "上午aa\n");
}

TEST(WireTool, Rc4HexTextRoundTrips) {
  for (const std::string& text : kTexts) {
    if (text.find('\0') != std::string::npos) continue;  // a stored value ends at its first zero byte
    const std::string hex = Result(Tool({"rc4hex-encode"}, text));
    EXPECT_EQ(hex.size(), text.size() * 2);
    EXPECT_EQ(Result(Tool({"rc4hex-decode"}, hex)), text) << "hex " << hex;
  }
}

TEST(WireTool, DecodingIgnoresSurroundingWhiteSpace) {
  const std::string text = "用户 a\r\n";
  const std::string wire = Result(Tool({"encode"}, text));
  const std::string hex = Result(Tool({"rc4hex-encode"}, text));
  for (const std::string pad : {"\n", "\r\n", " \t", " \r\n\t \n"}) {
    EXPECT_EQ(Result(Tool({"decode"}, pad + wire + pad)), text);
    EXPECT_EQ(Result(Tool({"rc4hex-decode"}, pad + hex + pad)), text);
  }
  EXPECT_EQ(Tool({"decode"}, " \r\n").out, "\n");
}

TEST(WireTool, BadInputIsOneLineOnErrorAndStatusTwo) {
  const std::string url = "http://127.0.0.1:1/talvenor.asp";  // nothing listens: a connection fails
  struct Case {
    std::vector<std::string> args;
    std::string input;
    bool reads_input;  // only a good command line reads standard input
  };
  const std::vector<Case> cases = {
      {{"frobnicate"}, "", false},
      {{"en\ncode"}, "", false},
      {{"decode"}, "00G0", true},
      {{"decode"}, "0060 0063", true},  // white space inside is not surrounding
      {{"decode"}, "00600x", true},
      {{"rc4hex-decode"}, "ABC", true},
      {{"rc4hex-decode"}, "ABCZ", true},
      {{"rc4hex-decode"}, "AB CD", true},
      {{"encode", "--key", "12a"}, "x", false},
      {{"encode", "--key", ""}, "x", false},
      {{"decode", "--key", "-1"}, "0060", false},
      {{"decode", "--key"}, "0060", false},
      {{"encode", "--utf8"}, "x", false},
      {{"encode", "file.txt"}, "x", false},
      {{"rc4hex-encode", "--key", "1"}, "x", false},
      {{"query"}, "", false},
      {{"query", url, "2"}, "", false},
      {{"query", url, "2", "select 1", "more"}, "", false},
      {{"query", url, "3", "select 1"}, "", false},  // the handshake is not an operator's operation
      {{"query", url, "x", "select 1"}, "", false},
      {{"query", url, "22", "select 1"}, "", false},
      {{"query", url, "", "select 1"}, "", false},
      {{"query", "127.0.0.1:1/talvenor.asp", "2", "select 1"}, "", false},
      {{"query", "http://", "2", "select 1"}, "", false},
      {{"query", "--key", "x5", url, "2", "select 1"}, "", false},
      {{"query", "--bogus", url, "2", "select 1"}, "", false},
      {{"query", "--utf8", url, "2", "select '\xFF\xFE'"}, "", false},        // not UTF-8
      {{"query", "--utf8", url, "2", "select '\xE4\xB8'"}, "", false},        // cut-off character
      {{"query", "--utf8", url, "2", "select '\xF0\x9F\x98\x80'"}, "", false}  // not in GBK
  };
  for (const Case& c : cases) {
    std::string label;
    for (const std::string& a : c.args) label += "[" + a + "] ";
    SCOPED_TRACE(label);
    bool read = false;
    std::string out, err;
    const int status = RunWireTool(
        c.args, [&] { read = true; return c.input; }, out, err);
    EXPECT_EQ(status, kExitUsage);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err.rfind("velmora-wire: ", 0), 0u) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    EXPECT_EQ(read, c.reads_input);
  }
}

TEST(WireTool, HelpAndNoArguments) {
  const ToolRun help = Tool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: velmora-wire", 0), 0u);
  EXPECT_NE(help.out.find("query"), std::string::npos);
  EXPECT_EQ(help.err, "");

  const ToolRun none = Tool({});
  EXPECT_EQ(none.status, kExitUsage);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, help.out);
}

TEST(WireTool, Utf8Conversions) {
  const std::string utf8 = "\xE4\xB8\x8A\xE5\x8D\x88 ok \xE2\x98\x86";  // 上午 ok ☆, spelt in UTF-8
  const std::string gbk = "上午 ok ☆";
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(Utf8ToGbk(std::string(70000, 'a') + utf8), std::string(70000, 'a') + gbk);  // grows

  for (const std::string bad : {"\xFF", "a\xE4\xB8", "\xF0\x9F\x98\x80", "\xC0\x80"}) {
    EXPECT_EQ(Utf8ToGbk(bad), std::nullopt) << bad;
  }
  for (const std::string bad : {"a\xB0", "\xB0\x20"}) EXPECT_EQ(GbkToUtf8(bad), std::nullopt) << bad;
}

// The built program, through real pipes: nothing on the way (buffering, text mode, a newline
// added or lost) may change a byte.
TEST(WireTool, BuiltProgramRoundTripsThroughPipes) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("velmora-wire-test-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  };
  const auto read = [&](const char* name) {
    std::ifstream f(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  };
  const auto run = [&](const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const std::string exe = "'" VELMORA_WIRE_EXE "'";
  const std::string in = "'" + (dir / "in").string() + "'", wire = "'" + (dir / "wire").string() + "'",
                    back = "'" + (dir / "back").string() + "'", err = "'" + (dir / "err").string() + "'";

  std::string text = "上午\r\n\x1A\0\xFF\xB0"s;
  for (int i = 0; i < 70000; ++i) text.push_back(char(i * 37 % 256));  // more than a pipe buffer
  text += "\xB0"s;
  write("in", text);
  EXPECT_EQ(run(exe + " encode < " + in + " | " + exe + " decode > " + back), 0);
  EXPECT_EQ(read("back"), text + "\n");

  EXPECT_EQ(run(exe + " rc4hex-encode < " + in + " > " + wire), 0);
  EXPECT_EQ(run(exe + " rc4hex-decode < " + wire + " > " + back), 0);
  EXPECT_EQ(read("back"), text.substr(0, text.find('\0')) + "\n");

  write("wire", "00G0\n");
  EXPECT_EQ(run(exe + " decode < " + wire + " > " + back + " 2> " + err), 2);
  EXPECT_EQ(read("back"), "");
  EXPECT_EQ(read("err").rfind("velmora-wire: ", 0), 0u);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace velmora::wire
