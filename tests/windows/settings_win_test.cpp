// gp.ini through the system's profile functions, in a fresh directory whose name is Chinese.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/profile_store_win.h"
#include "app/settings_file.h"
#include "runtime/gbk_win.h"
#include "scratch_directory.h"

namespace velmora::win {
namespace {

class SettingsOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.created());
  }
  std::wstring IniPathWide() const { return dir_ + L"\\gp.ini"; }
  std::string FileBytes() const {
    std::ifstream in(std::filesystem::path(IniPathWide()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void PutFile(const std::string& bytes) const {
    std::ofstream out(std::filesystem::path(IniPathWide()), std::ios::binary);
    out << bytes;
  }

  const testing::ScratchDirectory scratch_{L"velmora设置-"};
  const std::wstring& dir_ = scratch_.wide();
  const std::string& dir_gbk_ = scratch_.gbk();
};

TEST_F(SettingsOnDisk, EnsureFileWritesTheTemplateOnlyWhenMissing) {
  IniFileProfileStore store(SettingsFilePath(dir_gbk_));
  EXPECT_FALSE(store.Exists());
  SettingsFile(store, dir_gbk_).EnsureFile();
  EXPECT_TRUE(store.Exists());
  EXPECT_EQ(FileBytes(), kSettingsTemplate);
  EXPECT_EQ(store.Read("bjs"), "12607488");
  EXPECT_EQ(store.Read("left"), "");
  EXPECT_EQ(store.Read("nonesuch"), "");

  const std::string mine = "[gppz]\r\nzx=1\r\n";
  PutFile(mine);
  SettingsFile(store, dir_gbk_).EnsureFile();
  EXPECT_EQ(FileBytes(), mine);
}

TEST_F(SettingsOnDisk, GbkValuesRoundTripByteForByte) {
  IniFileProfileStore store(SettingsFilePath(dir_gbk_));
  SettingsFile settings(store, dir_gbk_);
  settings.EnsureFile();
  const std::string password = "密码'1";
  ASSERT_EQ(password, "\xC3\xDC\xC2\xEB'1");  // compiled as GBK
  settings.RememberBoxClicked(true, "张三", password);
  EXPECT_EQ(settings.Password(), password);
  EXPECT_EQ(settings.Name(), "张三");
  EXPECT_NE(FileBytes().find("password=" + password + "\r\n"), std::string::npos);

  // A value longer than the first read buffer.
  const std::string long_path = "C:\\" + std::string(1500, 'a') + "\\图片.bmp";
  settings.PictureChosen(long_path);
  EXPECT_EQ(settings.SkinPicture(), long_path);
}

TEST_F(SettingsOnDisk, UntickingErasesTheCredentialsInTheFile) {
  IniFileProfileStore store(SettingsFilePath(dir_gbk_));
  SettingsFile settings(store, dir_gbk_);
  settings.RememberBoxClicked(true, "张三", "secret");
  ASSERT_NE(FileBytes().find("secret"), std::string::npos);
  settings.RememberBoxClicked(false, "张三", "secret");
  const std::string bytes = FileBytes();
  EXPECT_EQ(bytes.find("secret"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.find("张三"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("\r\nname=\r\n"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("\r\npassword=\r\n"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("\r\nzx=0\r\n"), std::string::npos) << bytes;
}

TEST_F(SettingsOnDisk, FirstStartReadsTheTemplateAndStoresTheDefaultSound) {
  IniFileProfileStore store(SettingsFilePath(dir_gbk_));
  const StartupSettings s = SettingsFile(store, dir_gbk_).ReadAtStartup();
  EXPECT_TRUE(s.skin_is_colour);
  EXPECT_EQ(s.skin_colour, 12607488);
  EXPECT_EQ(s.sound_flag, 1);
  EXPECT_EQ(s.popup_flag, 1);
  EXPECT_FALSE(s.remember);
  const std::string sound = dir_gbk_ + "\\music\\music.wav";
  EXPECT_EQ(s.sound_path, sound);
  EXPECT_NE(FileBytes().find("sydz=" + sound + "\r\n"), std::string::npos) << FileBytes();
  EXPECT_EQ(FileBytes().find("sydz=\r\n"), std::string::npos);
}

TEST(ProgramDirectory, HoldsTheRunningProgramWithoutTrailingBackslash) {
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), '\\');
  wchar_t module[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  ASSERT_GT(n, 0u);
  const std::wstring full(module, n);
  EXPECT_EQ(GbkToWide(dir), full.substr(0, full.find_last_of(L'\\')));
}

}  // namespace
}  // namespace velmora::win
