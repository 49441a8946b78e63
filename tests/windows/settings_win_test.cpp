// gp.ini on disk, in fresh folders named with Chinese letters, with a letter GBK does not have,
// and with one GBK has that an English Windows's code page writes otherwise. The file must hold
// the same GBK bytes whatever the system's code page: these also run under an English locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/profile_store_win.h"
#include "app/settings_file.h"
#include "feeds/sound_player_win.h"
#include "runtime/gbk_win.h"
#include "scratch_directory.h"
#include "toolkit/alert_sound.h"

namespace velmora::win {
namespace {

struct Folder {
  const wchar_t* prefix;
  bool gbk_names_it;  // every letter of the name is a GBK letter
};

class SettingsOnDisk : public ::testing::TestWithParam<Folder> {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch_.created()); }
  std::string FileBytes() const {
    std::ifstream in(std::filesystem::path(ini_), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void PutFile(const std::wstring& path, const std::string& bytes) const {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out << bytes;
  }
  // The template with `key`'s line holding `value` (GBK).
  static std::string TemplateWith(std::string bytes, const std::string& key, const std::string& value) {
    const size_t at = bytes.find("\r\n" + key + "=") + 3 + key.size();
    return bytes.insert(at, value);
  }

  const testing::ScratchDirectory scratch_{GetParam().prefix};
  const std::wstring& dir_ = scratch_.wide();
  const std::wstring ini_ = SettingsFilePath(dir_);
  IniFileProfileStore store_{ini_};
};

TEST_P(SettingsOnDisk, EnsureFileWritesTheTemplateOnlyWhenMissing) {
  EXPECT_FALSE(store_.Exists());
  SettingsFile(store_, dir_).EnsureFile();
  EXPECT_TRUE(store_.Exists());
  EXPECT_EQ(FileBytes(), kSettingsTemplate);
  EXPECT_EQ(store_.Read("bjs"), "12607488");
  EXPECT_EQ(store_.Read("left"), "");
  EXPECT_EQ(store_.Read("nonesuch"), "");

  const std::string mine = "[gppz]\r\nzx=1\r\n";
  PutFile(ini_, mine);
  SettingsFile(store_, dir_).EnsureFile();
  EXPECT_EQ(FileBytes(), mine);
}

TEST_P(SettingsOnDisk, GbkValuesRoundTripByteForByteAndOnlyTheirLinesChange) {
  SettingsFile settings(store_, dir_);
  settings.EnsureFile();
  const std::string password = "密码'1";
  ASSERT_EQ(password, "\xC3\xDC\xC2\xEB'1");  // compiled as GBK
  settings.RememberBoxClicked(true, "张三", password);
  EXPECT_EQ(settings.Password(), password);
  EXPECT_EQ(settings.Name(), "张三");
  EXPECT_EQ(FileBytes(), TemplateWith(TemplateWith(TemplateWith(std::string(kSettingsTemplate), "name", "张三"),
                                                   "password", password),
                                      "zx", "1"));

  // A long value comes back whole.
  const std::wstring long_path = L"C:\\" + std::wstring(1500, L'a') + L"\\图片.bmp";
  ASSERT_TRUE(settings.PictureChosen(long_path));
  EXPECT_EQ(settings.SkinPicture(), long_path);
  EXPECT_NE(FileBytes().find("\r\ntpwz=C:\\" + std::string(1500, 'a') + "\\\xCD\xBC\xC6\xAC.bmp\r\n"),
            std::string::npos);
}

TEST_P(SettingsOnDisk, UntickingErasesTheCredentialsInTheFile) {
  SettingsFile settings(store_, dir_);
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

TEST_P(SettingsOnDisk, FirstStartReadsTheTemplateAndStoresTheDefaultSoundWhenGbkNamesIt) {
  const StartupSettings s = SettingsFile(store_, dir_).ReadAtStartup();
  EXPECT_TRUE(s.skin_is_colour);
  EXPECT_EQ(s.skin_colour, 12607488);
  EXPECT_EQ(s.sound_flag, 1);
  EXPECT_EQ(s.popup_flag, 1);
  EXPECT_FALSE(s.remember);
  const std::wstring sound = dir_ + L"\\music\\music.wav";
  EXPECT_EQ(s.sound_path, sound);
  // No such file yet, so no short name either: a folder GBK cannot write leaves sydz empty.
  const std::string stored = GetParam().gbk_names_it ? WideToGbk(sound) : "";
  EXPECT_EQ(FileBytes(), TemplateWith(std::string(kSettingsTemplate), "sydz", stored));
}

// With the sound installed, the file holds a GBK text naming it even when the folder's long
// name has a letter GBK lacks (its short name then), and both paths reach the sound.
TEST_P(SettingsOnDisk, AnInstalledDefaultSoundIsStoredUnderANameThatReachesIt) {
  ASSERT_TRUE(CreateDirectoryW((dir_ + L"\\music").c_str(), nullptr));
  PutFile(dir_ + L"\\music\\music.wav", AlertSoundWave());
  const StartupSettings s = SettingsFile(store_, dir_).ReadAtStartup();
  const std::string stored = store_.Read("sydz");
  ASSERT_NE(stored, "");
  EXPECT_EQ(FileBytes(), TemplateWith(std::string(kSettingsTemplate), "sydz", stored));
  if (GetParam().gbk_names_it) {
    EXPECT_EQ(GbkToWide(stored), s.sound_path);
  }
  EXPECT_EQ(PlayNotificationSound(s.sound_path).kind, SoundKind::kWave);
  EXPECT_EQ(PlayNotificationSound(store_.PathOfText(stored)).kind, SoundKind::kWave);
  StopNotificationSound();
}

std::string FolderName(const ::testing::TestParamInfo<Folder>& folder) {
  const char* const names[] = {"Chinese", "OutsideGbk", "AccentedAndChinese"};
  return names[folder.index];
}

INSTANTIATE_TEST_SUITE_P(Folders, SettingsOnDisk,
                         ::testing::Values(Folder{L"velmora设置-", true}, Folder{L"velmora-Jörg-", false},
                                           Folder{L"velmora-Café股票-", true}),
                         FolderName);

// The run of the English locale checks that it really has the code page it is meant to test.
TEST(SystemCodePage, IsTheOneThisRunAsksFor) {
  const char* expected = std::getenv("VELMORA_EXPECT_ACP");
  if (!expected) GTEST_SKIP() << "no code page asked for";
  EXPECT_EQ(GetACP(), UINT(std::atoi(expected)));
}

TEST(ProgramDirectory, HoldsTheRunningProgramWithoutTrailingBackslash) {
  const std::wstring dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), L'\\');
  wchar_t module[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, module, MAX_PATH);
  ASSERT_GT(n, 0u);
  const std::wstring full(module, n);
  EXPECT_EQ(dir, full.substr(0, full.find_last_of(L'\\')));
}

}  // namespace
}  // namespace velmora::win
