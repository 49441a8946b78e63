// The settings window, driven as a user would from inside its modal loop: its controls clicked,
// the system dialogs answered in their place, gp.ini read back while the window is still open.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/process_state.h"
#include "app/profile_store_win.h"
#include "app/settings_changes.h"
#include "app/settings_file.h"
#include "box_answerer.h"
#include "runtime/gbk_win.h"
#include "scratch_directory.h"
#include "skin/skin_engine_win.h"
#include "thread_windows.h"
#include "ui/settings_layout.h"
#include "ui/settings_window_win.h"
#include "toolkit/window_win.h"

namespace velmora::win {
namespace {

// What the user does once the window is up; runs on a timer inside the window's modal loop.
std::function<void(HWND window)> g_user;
int g_windows_seen = 0;

HWND OurSettingsWindow() { return testing::ThreadWindowOfClass(kSettingsWindowClass, true); }

void CALLBACK ActOnWindow(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = OurSettingsWindow();
  if (!window) return;
  KillTimer(nullptr, timer);
  ++g_windows_seen;
  g_user(window);
  PostMessageW(window, WM_CLOSE, 0, 0);  // closed by its frame, as the user does
}

void WhenWindowOpens(std::function<void(HWND)> user) {
  g_user = std::move(user);
  SetTimer(nullptr, 0, 30, ActOnWindow);
}

void ClickButton(HWND window, int id) { SendMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }
void ClickSwatch(HWND window) {
  HWND swatch = GetDlgItem(window, ui::kColourPicker);
  SendMessageW(swatch, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(swatch, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}
bool Ticked(HWND window, int id) { return SendMessageW(GetDlgItem(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A 2 x 2 picture of one colour, as a 24-bit BMP.
std::string OneColourBmp(BYTE red, BYTE green, BYTE blue) {
  std::string bytes(54 + 16, '\0');
  auto put32 = [&](size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = char((v >> (8 * i)) & 0xFF);
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, DWORD(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 2);
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, 16);
  for (size_t row = 0; row < 2; ++row) {
    for (size_t col = 0; col < 2; ++col) {
      const size_t at = 54 + row * 8 + col * 3;  // rows padded to 8 bytes
      bytes[at] = char(blue);
      bytes[at + 1] = char(green);
      bytes[at + 2] = char(red);
    }
  }
  return bytes;
}

// The dialogs' stand-ins: each call takes the next answer and is recorded.
struct DialogCall {
  std::string filter;
  std::wstring start_path;
  HWND owner;
};

class SettingsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.created());
    store_ = std::make_unique<IniFileProfileStore>(SettingsFilePath(dir_));
    SettingsFile(*store_, dir_).EnsureFile();
    picture_ = dir_ + L"\\天空.bmp";
    PutFile(picture_, OneColourBmp(10, 200, 30));
    not_a_picture_ = dir_ + L"\\坏图.png";
    PutFile(not_a_picture_, "not an image");

    skin_.SkinChildControls();  // as the login window asks: the check boxes are the skin's
    skin_.SetSkinColor(RGB(14, 179, 210));
    State().sound_on_new_message = 1;
    State().popup_on_new_message = 1;
    State().sound_path = dir_ + L"\\music\\music.wav";
    State().settings_opened_from = kSettingsFromLoginWindow;
    g_windows_seen = 0;

    dialogs_.pick_colour = [this](HWND owner, COLORREF current) {
      colour_offered_.push_back(current);
      colour_owners_.push_back(owner);
      auto answer = colour_answers_.front();
      colour_answers_.pop_front();
      return answer;
    };
    dialogs_.pick_file = [this](HWND owner, std::string_view filter, const std::wstring& start) {
      file_calls_.push_back({std::string(filter), start, owner});
      auto answer = file_answers_.front();
      file_answers_.pop_front();
      return answer;
    };
  }
  void TearDown() override {
    if (opener_) DestroyWindow(opener_);
  }

  static void PutFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out << bytes;
  }
  std::string IniBytes() const {
    std::ifstream in(std::filesystem::path(dir_ + L"\\gp.ini"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  HWND MakeOpener(int left, int top) {
    opener_ = CreateWindowExW(0, L"STATIC", L"opener", WS_POPUP | WS_VISIBLE, left, top, 452, 429, nullptr, nullptr,
                              nullptr, nullptr);
    return opener_;
  }
  void Show(HWND opener) { ShowSettingsWindow(opener, *store_, dialogs_); }

  SkinEngine skin_;  // as in the program: the window attaches to it and the choices go through it
  const testing::ScratchDirectory scratch_{L"velmora设置窗口-"};
  const std::wstring& dir_ = scratch_.wide();
  std::unique_ptr<IniFileProfileStore> store_;  // gp.ini in a fresh directory of the test's own
  SettingsDialogs dialogs_;
  std::deque<std::optional<COLORREF>> colour_answers_;
  std::deque<std::optional<std::wstring>> file_answers_;
  std::vector<COLORREF> colour_offered_;
  std::vector<HWND> colour_owners_;
  std::vector<DialogCall> file_calls_;
  std::wstring picture_, not_a_picture_;
  HWND opener_ = nullptr;
};

TEST_F(SettingsWindowTest, EachChangeIsAppliedAndWrittenWhileTheWindowIsOpen) {
  store_->Write("tpwz", "D:\\旧.jpg");
  store_->Write("sydz", "E:\\旧.wav");
  const std::wstring sound = dir_ + L"\\提示.mid";
  colour_answers_ = {RGB(1, 2, 3), RGB(0, 96, 192)};
  file_answers_ = {picture_, sound, picture_};
  struct Seen {
    bool sound_ticked = false, popup_ticked = false;
    std::string after_colour, after_picture, after_second_colour, after_switches, after_sound;
    COLORREF skin_after_colour = 0, skin_after_picture = 0, skin_after_second_colour = 0;
    int picture_width_after_picture = 0, picture_width_after_second_colour = 0;
    int sound_flag = -1, popup_flag = -1;
  } seen;
  WhenWindowOpens([&](HWND w) {
    seen.sound_ticked = Ticked(w, ui::kSoundSwitch);
    seen.popup_ticked = Ticked(w, ui::kPopupSwitch);
    ClickSwatch(w);
    seen.after_colour = IniBytes();
    seen.skin_after_colour = skin_.Resources().skin_colour;
    ClickButton(w, ui::kPictureButton);
    seen.after_picture = IniBytes();
    seen.skin_after_picture = skin_.Resources().skin_colour;
    seen.picture_width_after_picture = skin_.Resources().picture_width;
    ClickSwatch(w);
    seen.after_second_colour = IniBytes();
    seen.skin_after_second_colour = skin_.Resources().skin_colour;
    seen.picture_width_after_second_colour = skin_.Resources().picture_width;
    ClickButton(w, ui::kSoundSwitch);
    ClickButton(w, ui::kPopupSwitch);
    seen.sound_flag = State().sound_on_new_message;
    seen.popup_flag = State().popup_on_new_message;
    seen.after_switches = IniBytes();
    ClickButton(w, ui::kSoundButton);
    seen.after_sound = IniBytes();
    ClickButton(w, ui::kPictureButton);  // the picture dialog now starts at the picture chosen
  });
  Show(MakeOpener(100, 100));
  ASSERT_EQ(g_windows_seen, 1);

  EXPECT_TRUE(seen.sound_ticked);
  EXPECT_TRUE(seen.popup_ticked);
  auto has = [](const std::string& bytes, const std::string& line) {
    return bytes.find("\r\n" + line + "\r\n") != std::string::npos;
  };
  EXPECT_TRUE(has(seen.after_colour, "ls=0")) << seen.after_colour;
  EXPECT_TRUE(has(seen.after_colour, "bjs=197121")) << seen.after_colour;  // RGB(1, 2, 3)
  EXPECT_EQ(seen.skin_after_colour, RGB(1, 2, 3));
  EXPECT_EQ(colour_offered_.front(), RGB(14, 179, 210));  // the picker starts at the skin colour

  EXPECT_TRUE(has(seen.after_picture, "ls=1")) << seen.after_picture;
  EXPECT_TRUE(has(seen.after_picture, "tpwz=" + WideToGbk(picture_))) << seen.after_picture;
  EXPECT_EQ(seen.picture_width_after_picture, 2);
  EXPECT_EQ(seen.skin_after_picture, RGB(10, 200, 30));  // the picture's average colour

  // Colour after picture: ls back to "0", the picture path left where it was.
  EXPECT_TRUE(has(seen.after_second_colour, "ls=0")) << seen.after_second_colour;
  EXPECT_TRUE(has(seen.after_second_colour, "bjs=12607488")) << seen.after_second_colour;
  EXPECT_TRUE(has(seen.after_second_colour, "tpwz=" + WideToGbk(picture_))) << seen.after_second_colour;
  EXPECT_EQ(seen.picture_width_after_second_colour, 0);
  EXPECT_EQ(seen.skin_after_second_colour, RGB(0, 96, 192));
  EXPECT_EQ(colour_offered_.back(), RGB(10, 200, 30));

  EXPECT_EQ(seen.sound_flag, 0);
  EXPECT_EQ(seen.popup_flag, 0);
  EXPECT_TRUE(has(seen.after_switches, "syts=0")) << seen.after_switches;
  EXPECT_TRUE(has(seen.after_switches, "tcts=0")) << seen.after_switches;
  EXPECT_TRUE(has(seen.after_sound, "sydz=" + WideToGbk(sound))) << seen.after_sound;
  EXPECT_EQ(State().sound_path, sound);

  ASSERT_EQ(file_calls_.size(), 3u);
  EXPECT_EQ(file_calls_[0].filter, "图片文件(*.png;*.jpg;*.bmp;*.gif)|*.png;*.jpg;*.bmp;*.gif");
  EXPECT_EQ(file_calls_[0].start_path, L"D:\\旧.jpg");  // from gp.ini when the window was made
  EXPECT_EQ(file_calls_[1].filter, "图片文件(*.wav;*.mid)|*.wav;*.mid");
  EXPECT_EQ(file_calls_[1].start_path, L"E:\\旧.wav");
  EXPECT_EQ(file_calls_[2].start_path, picture_);
  EXPECT_NE(file_calls_[0].owner, nullptr);
  EXPECT_EQ(colour_owners_.front(), file_calls_[0].owner);  // the dialogs belong to the window
}

TEST_F(SettingsWindowTest, CancellingEveryDialogChangesAndWritesNothing) {
  colour_answers_ = {std::nullopt};
  file_answers_ = {std::nullopt, std::nullopt};
  const std::string before = IniBytes();
  const std::wstring sound_before = State().sound_path;
  WhenWindowOpens([&](HWND w) {
    ClickSwatch(w);
    ClickButton(w, ui::kPictureButton);
    ClickButton(w, ui::kSoundButton);
  });
  Show(MakeOpener(100, 100));
  ASSERT_EQ(g_windows_seen, 1);
  EXPECT_EQ(colour_offered_.size(), 1u);
  EXPECT_EQ(file_calls_.size(), 2u);
  EXPECT_EQ(IniBytes(), before);
  EXPECT_EQ(skin_.Resources().skin_colour, RGB(14, 179, 210));
  EXPECT_EQ(State().sound_path, sound_before);
}

TEST_F(SettingsWindowTest, APictureThatCannotBeLoadedIsStoredAndTheSkinStays) {
  file_answers_ = {not_a_picture_};
  std::string after;
  WhenWindowOpens([&](HWND w) {
    ClickButton(w, ui::kPictureButton);
    after = IniBytes();
  });
  Show(MakeOpener(100, 100));
  ASSERT_EQ(g_windows_seen, 1);
  EXPECT_NE(after.find("\r\nls=1\r\n"), std::string::npos) << after;
  EXPECT_NE(after.find("\r\ntpwz=" + WideToGbk(not_a_picture_) + "\r\n"), std::string::npos) << after;
  EXPECT_EQ(skin_.Resources().skin_colour, RGB(14, 179, 210));
  EXPECT_EQ(skin_.Resources().picture_width, 0);
}

// A picture in a folder whose name has a letter GBK lacks: the skin shows it and gp.ini keeps a
// GBK name that reaches it (its short name). A chosen file without such a name is used all the
// same, gp.ini is left as it was, and the user is told.
TEST_F(SettingsWindowTest, APictureInAFolderGbkCannotWriteIsShownAndKeptOrTheUserIsTold) {
  const std::wstring folder = dir_ + L"\\Jörg";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring picture = folder + L"\\天空.bmp";
  PutFile(picture, OneColourBmp(10, 200, 30));
  const std::wstring sound = folder + L"\\不在.wav";  // no file, so no short name
  file_answers_ = {picture, sound};
  std::string after_picture, after_sound;
  int width = 0;
  testing::BoxAnswerer answerer;
  WhenWindowOpens([&](HWND w) {
    ClickButton(w, ui::kPictureButton);
    after_picture = IniBytes();
    width = skin_.Resources().picture_width;
    ClickButton(w, ui::kSoundButton);
    after_sound = IniBytes();
  });
  Show(MakeOpener(100, 100));
  ASSERT_EQ(g_windows_seen, 1);
  EXPECT_EQ(width, 2);
  EXPECT_EQ(skin_.Resources().skin_colour, RGB(10, 200, 30));
  EXPECT_NE(after_picture.find("\r\nls=1\r\n"), std::string::npos) << after_picture;
  const std::string stored = store_->Read("tpwz");
  ASSERT_NE(stored, "");
  EXPECT_NE(GetFileAttributesW(store_->PathOfText(stored).c_str()), INVALID_FILE_ATTRIBUTES) << stored;

  EXPECT_EQ(after_sound, after_picture);
  EXPECT_EQ(State().sound_path, sound);
  ASSERT_EQ(testing::SeenBoxes().size(), 1u);
  EXPECT_EQ(testing::SeenBoxes()[0].text,
            "所选文件的路径含有无法保存的字符，本次运行中有效，下次启动后将不再使用。");
  EXPECT_EQ(testing::SeenBoxes()[0].owner, file_calls_[1].owner);
}

TEST_F(SettingsWindowTest, BoxesShowTheFlagsAndClickingTicksBack) {
  State().sound_on_new_message = 0;
  State().popup_on_new_message = 1;
  bool sound_before = true, popup_before = false, sound_after = false;
  std::string after;
  WhenWindowOpens([&](HWND w) {
    sound_before = Ticked(w, ui::kSoundSwitch);
    popup_before = Ticked(w, ui::kPopupSwitch);
    ClickButton(w, ui::kSoundSwitch);
    sound_after = Ticked(w, ui::kSoundSwitch);
    after = IniBytes();
  });
  Show(MakeOpener(100, 100));
  EXPECT_FALSE(sound_before);
  EXPECT_TRUE(popup_before);
  EXPECT_TRUE(sound_after);
  EXPECT_EQ(State().sound_on_new_message, 1);
  EXPECT_NE(after.find("\r\nsyts=1\r\n"), std::string::npos) << after;
}

TEST_F(SettingsWindowTest, PlacedByTheWindowItWasOpenedFrom) {
  struct Case {
    int from;
    POINT opener;
    POINT expected;
  } cases[] = {
      {kSettingsFromLoginWindow, {200, 150}, {240, 180}},
      {kSettingsFromMainWindow, {300, 120}, {50, 220}},  // only the top follows the main window
  };
  for (const auto& c : cases) {
    State().settings_opened_from = c.from;
    RECT placed{};
    std::string caption;
    HWND owner = reinterpret_cast<HWND>(1);
    bool skinned = false;
    int windows_after_second_request = 0;
    WhenWindowOpens([&](HWND w) {
      GetWindowRect(w, &placed);
      caption = WindowTextGbk(w);
      owner = GetWindow(w, GW_OWNER);
      skinned = skin_.Record(w) != nullptr;
      // The opener's button again while the window is open: no second window, no second loop.
      Show(opener_);
      int count = 0;
      EnumThreadWindows(
          GetCurrentThreadId(),
          [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
            wchar_t name[64];
            if (GetClassNameW(hwnd, name, 64) && std::wstring(name) == kSettingsWindowClass) ++*reinterpret_cast<int*>(param);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&count));
      windows_after_second_request = count;
    });
    Show(MakeOpener(c.opener.x, c.opener.y));
    ASSERT_EQ(g_windows_seen, 1) << c.from;
    g_windows_seen = 0;
    EXPECT_EQ(placed.left, c.expected.x) << c.from;
    EXPECT_EQ(placed.top, c.expected.y) << c.from;
    EXPECT_EQ(placed.right - placed.left, 379);
    EXPECT_EQ(placed.bottom - placed.top, 139);
    EXPECT_EQ(caption, "软件设置");
    EXPECT_EQ(owner, nullptr);
    EXPECT_TRUE(skinned);
    EXPECT_EQ(windows_after_second_request, 1);
    DestroyWindow(opener_);
    opener_ = nullptr;
  }
  EXPECT_EQ(OurSettingsWindow(), nullptr);
}

TEST_F(SettingsWindowTest, AnOpenerLowOnTheScreenStillShowsTheWholeWindow) {
  State().settings_opened_from = kSettingsFromMainWindow;
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT placed{};
  WhenWindowOpens([&](HWND w) { GetWindowRect(w, &placed); });
  Show(MakeOpener(100, area.bottom - 50));  // top + 100 would be below the screen
  ASSERT_EQ(g_windows_seen, 1);
  EXPECT_EQ(placed.bottom, area.bottom);
  EXPECT_EQ(placed.left, 50);
}

}  // namespace
}  // namespace velmora::win
