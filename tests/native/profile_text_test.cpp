// gp.ini's bytes read and edited key by key, as the system's profile functions would on a machine
// whose code page is GBK, whatever the code page of the machine running them.
#include <gtest/gtest.h>

#include <string>

#include "app/profile_text.h"
#include "app/settings_file.h"

namespace velmora {
namespace {

TEST(ProfileText, ReadsAsTheProfileFunctionsDo) {
  struct Case {
    const char* name;
    std::string file;
    std::string key;
    std::string value;
  } cases[] = {
      {"template, empty value", std::string(kSettingsTemplate), "name", ""},
      {"template, value", std::string(kSettingsTemplate), "bjs", "12607488"},
      {"names without case", "[GPPZ]\r\nNAME=a\r\n", "name", "a"},
      {"blanks around names and value", "  [ gppz ]\r\n\t name \t=  a b \t\r\n", "name", "a b"},
      {"double quotes", "[gppz]\r\nname=\" a \"\r\n", "name", " a "},
      {"single quotes", "[gppz]\r\nname='a'\r\n", "name", "a"},
      {"quotes that do not pair", "[gppz]\r\nname=\"a'\r\n", "name", "\"a'"},
      {"line breaks of LF only", "[gppz]\nzx=1\nname=a", "name", "a"},
      {"another section's key", "[x]\r\nname=a\r\n[gppz]\r\nzx=1\r\n", "name", ""},
      {"first section of the name", "[gppz]\r\nname=a\r\n[gppz]\r\nname=b\r\n", "name", "a"},
      {"first key of the name", "[gppz]\r\nname=a\r\nname=b\r\n", "name", "a"},
      {"comment", "[gppz]\r\n;name=a\r\n", "name", ""},
      {"key without =", "[gppz]\r\nname\r\n", "name", ""},
      {"no section", "name=a\r\n", "name", ""},
      {"empty file", "", "name", ""},
      {"equals sign in the value", "[gppz]\r\npassword=a=b\r\n", "password", "a=b"},
      // Second bytes that are '[', ']' and '\' in ASCII.
      {"GBK letters", "[gppz]\r\ntpwz=C:\\\x81\x5B\x81\x5D\x95\x5C.bmp\r\n", "tpwz", "C:\\\x81\x5B\x81\x5D\x95\x5C.bmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProfileValue(c.file, "gppz", c.key), c.value) << c.name;
}

TEST(ProfileText, WritesOneKeyAndLeavesEveryOtherByte) {
  struct Case {
    const char* name;
    std::string file;
    std::string key, value;
    std::string expected;
  } cases[] = {
      {"template", std::string(kSettingsTemplate), "tpwz", "D:\\股票\\天空.jpg",
       "[gppz]\r\nname=\r\npassword=\r\nzx=\r\nleft=\r\ntop=\r\nWidth=\r\nHeight=\r\nls=0\r\nbjs=12607488\r\n"
       "tpwz=D:\\股票\\天空.jpg\r\nsyts=1\r\ntcts=1\r\nsydz=\r\n"},
      {"existing key keeps its spelling and the other lines", "; mine\r\n[gppz]\r\n  NAME = old \r\nzx=1\r\n",
       "name", "new", "; mine\r\n[gppz]\r\nNAME=new\r\nzx=1\r\n"},
      {"last line without a break", "[gppz]\r\nname=old", "name", "", "[gppz]\r\nname="},
      {"new key after the section's last line", "[gppz]\r\nzx=1\r\n\r\n[x]\r\na=b\r\n", "name", "a",
       "[gppz]\r\nzx=1\r\nname=a\r\n\r\n[x]\r\na=b\r\n"},
      {"new key after a last line without a break", "[gppz]\r\nzx=1", "name", "a", "[gppz]\r\nzx=1\r\nname=a\r\n"},
      {"new section", "[x]\r\na=b", "name", "a", "[x]\r\na=b\r\n[gppz]\r\nname=a\r\n"},
      {"empty file", "", "zx", "1", "[gppz]\r\nzx=1\r\n"},
      {"line breaks of LF only", "[gppz]\nzx=1\n", "name", "a", "[gppz]\nzx=1\nname=a\n"},
      {"other section's key untouched", "[x]\r\nname=a\r\n[gppz]\r\nname=b\r\n", "name", "c",
       "[x]\r\nname=a\r\n[gppz]\r\nname=c\r\n"},
      {"a line break ends the value", "[gppz]\r\nname=\r\nzx=0\r\n", "name", "a\r\nzx=1",
       "[gppz]\r\nname=a\r\nzx=0\r\n"},
      {"a NUL ends the value", "[gppz]\r\nname=\r\n", "name", std::string("a\0b", 3), "[gppz]\r\nname=a\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithProfileValue(c.file, "gppz", c.key, c.value), c.expected) << c.name;
}

TEST(ProfileText, GbkValuesComeBackAsWritten) {
  const std::string values[] = {"张三", "密码'1", "C:\\Users\\Café\\股票\\music\\music.wav",
                                "\x81\x5B\x81\x5D\x95\x5C", "12607488", ""};
  std::string file(kSettingsTemplate);
  for (const std::string& value : values) {
    file = WithProfileValue(file, "gppz", "sydz", value);
    EXPECT_EQ(ProfileValue(file, "gppz", "sydz"), value);
    EXPECT_EQ(ProfileValue(file, "gppz", "tcts"), "1");
    EXPECT_EQ(file.size(), kSettingsTemplate.size() + value.size());
  }
}

}  // namespace
}  // namespace velmora
