// The new-item pop-up as the user meets it: where it appears, what it shows for a recommendation
// and for an announcement, that a newer item replaces it, that it closes after the display time
// (or stays), and that its sound never holds anything up.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "app/process_state.h"
#include "feeds/popup_win.h"
#include "feeds/sound_player_win.h"
#include "gateway/rc4.h"
#include "runtime/gbk_win.h"
#include "skin/skin_engine_win.h"
#include "thread_windows.h"
#include "toolkit/alert_sound.h"
#include "feeds/popup_layout.h"
#include "toolkit/window_win.h"

namespace velmora::win {
namespace {

// Any control of the pop-up, however deep (the page controls sit in pages in the tab control).
HWND Control(int id) {
  struct Search {
    int id;
    HWND found;
  } search{id, nullptr};
  EnumChildWindows(
      CurrentPopup(),
      [](HWND child, LPARAM param) WINAPI -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string Text(int id) { return WindowTextGbk(Control(id)); }

// Runs the thread's messages until `done` or the limit; false when the limit came first.
bool PumpUntil(const std::function<bool()>& done, DWORD limit_ms) {
  const ULONGLONG end = GetTickCount64() + limit_ms;
  while (!done()) {
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

void Tick(HWND popup) { SendMessageW(popup, WM_TIMER, kPopupTimerId, 0); }

LatestItem Recommendation() {
  return LatestRecommendation({"2024年5月1日 9时30分", Rc4HexEncode("600123"), Rc4HexEncode("逢低买入"),
                               Rc4HexEncode("10.50"), Rc4HexEncode("12.80"), Rc4HexEncode("放量突破\r\n注意仓位")});
}

LatestItem News() {
  return LatestNews({"2024年5月2日", Rc4HexEncode("大盘今日震荡上行。"), "黑体", "14", "255",
                     Rc4HexEncode("午间快讯")});
}

// A file in the temporary folder, removed at the end.
class TempSoundFile {
 public:
  TempSoundFile(const std::wstring& name, const std::string& bytes) {
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, folder);
    path_ = std::wstring(folder) + std::to_wstring(GetCurrentProcessId()) + L"_" + name;
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
      WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  ~TempSoundFile() { DeleteFileW(path_.c_str()); }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// One note, a quarter of a second.
const std::string kMidi("MThd\0\0\0\6\0\0\0\1\0\x60"
                        "MTrk\0\0\0\x0C\0\x90\x3C\x40\x60\x80\x3C\x40\0\xFF\x2F\0",
                        34);

class Popup : public ::testing::Test {
 protected:
  void SetUp() override {
    State().popup_seconds = 0;
    State().sound_path.clear();
  }
  void TearDown() override {
    CloseNewItemPopup();
    StopNotificationSound();
  }
  SkinEngine skin_;  // as in the program: the pop-up draws through it
};

TEST_F(Popup, RecommendationAtTheScreenCornerWithoutTakingTheFocus) {
  HWND work = CreateWindowExW(0, L"STATIC", L"work", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_NE(work, nullptr);
  SetActiveWindow(work);
  ASSERT_EQ(GetActiveWindow(), work);

  ShowNewItemPopup(Recommendation(), false);
  HWND popup = CurrentPopup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(testing::ThreadWindowOfClass(kPopupClass), popup);
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetActiveWindow(), work);  // the user's typing stays where it was
  EXPECT_TRUE(GetWindowLongPtrW(popup, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), nullptr);
  EXPECT_NE(skin_.Record(popup), nullptr);

  RECT where{};
  GetWindowRect(popup, &where);
  // No main window: the primary screen, 2 pixels from its right edge and 28 from its bottom.
  EXPECT_EQ(where.right, GetSystemMetrics(SM_CXSCREEN) - 2);
  EXPECT_EQ(where.bottom, GetSystemMetrics(SM_CYSCREEN) - 28);
  const ui::Box expected = ui::PopupPlacement({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                                              kDesignDpi);
  EXPECT_EQ(where.left, expected.left);
  EXPECT_EQ(where.top, expected.top);
  EXPECT_EQ(where.right - where.left, 302);
  EXPECT_EQ(where.bottom - where.top, 358);

  EXPECT_EQ(WindowTextGbk(popup), "收到一个新的消息");
  EXPECT_TRUE(IsWindowVisible(Control(kPopupRecommendationPageId)));
  EXPECT_FALSE(IsWindowVisible(Control(kPopupNewsPageId)));
  EXPECT_EQ(SendMessageW(Control(kPopupTabsId), TCM_GETCURSEL, 0, 0), 0);
  const char* labels[] = {"推荐时间：2024年5月1日 9时30分", "推荐代码：600123", "操作方式：逢低买入",
                          "支 撑 位：10.50", "阻 力 位：12.80"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Text(kPopupRecommendationLabelId + i), labels[i]);
  EXPECT_EQ(Text(kPopupRemarkHeadingId), "↓备注↓");
  EXPECT_EQ(Text(kPopupRemarkBoxId), "放量突破\r\n注意仓位");
  DestroyWindow(work);
}

TEST_F(Popup, NewsWithItsOwnFontSizeAndColour) {
  ShowNewItemPopup(News(), false);
  HWND popup = CurrentPopup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(WindowTextGbk(popup), "收到一个新的资讯");
  EXPECT_TRUE(IsWindowVisible(Control(kPopupNewsPageId)));
  EXPECT_FALSE(IsWindowVisible(Control(kPopupRecommendationPageId)));
  EXPECT_EQ(SendMessageW(Control(kPopupTabsId), TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Text(kPopupNewsTimeId), "推荐时间：2024年5月2日");
  EXPECT_EQ(Text(kPopupNewsTitleId), "资讯标题：午间快讯");
  EXPECT_EQ(Text(kPopupContentHeadingId), "↓资讯内容↓");
  HWND box = Control(kPopupContentBoxId);
  EXPECT_EQ(WindowTextGbk(box), "大盘今日震荡上行。");

  LOGFONTW font{};
  ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), sizeof font, &font));
  EXPECT_EQ(WideToGbk(font.lfFaceName), "黑体");
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(14, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);

  // The colour the box is drawn in, as its page answers the box's colour question.
  HDC dc = CreateCompatibleDC(nullptr);
  SendMessageW(Control(kPopupNewsPageId), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(box));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
  DeleteDC(dc);
}

TEST_F(Popup, BothBoxesCarryTheCopyGuard) {
  ShowNewItemPopup(Recommendation(), false);
  ASSERT_NE(CurrentPopup(), nullptr);
  for (int id : {kPopupRemarkBoxId, kPopupContentBoxId}) {
    HWND box = Control(id);
    // A multi-line box hands out its text buffer unless the request is withheld.
    EXPECT_EQ(SendMessageW(box, EM_GETHANDLE, 0, 0), 0) << id;
    SendMessageW(box, WM_KEYDOWN, VK_CONTROL, 0);
    SendMessageW(box, WM_KEYUP, VK_CONTROL, 0);
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 7);
      memcpy(GlobalLock(text), "secret", 7);
      GlobalUnlock(text);
      if (!SetClipboardData(CF_TEXT, text)) GlobalFree(text);
      CloseClipboard();
    }
    SendMessageW(box, WM_KEYUP, 'C', 0);  // Ctrl was pressed once, earlier
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE now = GetClipboardData(CF_TEXT);
    const std::string seen = now ? static_cast<const char*>(GlobalLock(now)) : "(none)";
    if (now) GlobalUnlock(now);
    CloseClipboard();
    EXPECT_EQ(seen, "") << id;
  }
}

TEST_F(Popup, ANewerItemReplacesTheOpenOne) {
  ShowNewItemPopup(Recommendation(), false);
  HWND first = CurrentPopup();
  ASSERT_NE(first, nullptr);
  ShowNewItemPopup(News(), false);
  HWND second = CurrentPopup();
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(testing::ThreadWindowOfClass(kPopupClass), second);
  EXPECT_EQ(WindowTextGbk(second), "收到一个新的资讯");
  EXPECT_EQ(skin_.WindowCount(), 1u);  // the replaced window's skin record went with it
}

TEST_F(Popup, ClosesOnTheTickThatReachesTheDisplayTime) {
  for (int seconds : {1, 3, 5}) {
    State().popup_seconds = seconds;
    ShowNewItemPopup(Recommendation(), false);
    HWND popup = CurrentPopup();
    ASSERT_NE(popup, nullptr);
    for (int tick = 1; tick < seconds; ++tick) Tick(popup);
    EXPECT_TRUE(IsWindow(popup)) << seconds;
    Tick(popup);
    EXPECT_FALSE(IsWindow(popup)) << seconds;
    EXPECT_EQ(CurrentPopup(), nullptr) << seconds;
  }
}

TEST_F(Popup, ItsOwnTimerClosesIt) {
  State().popup_seconds = 1;
  ShowNewItemPopup(News(), false);
  HWND popup = CurrentPopup();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(popup); }, 10000));
  EXPECT_EQ(CurrentPopup(), nullptr);
}

TEST_F(Popup, ADisplayTimeOfZeroOrBelowKeepsItOpen) {
  for (int seconds : {0, -1}) {
    State().popup_seconds = seconds;
    ShowNewItemPopup(Recommendation(), false);
    HWND popup = CurrentPopup();
    ASSERT_NE(popup, nullptr);
    for (int tick = 0; tick < 10; ++tick) Tick(popup);
    EXPECT_FALSE(PumpUntil([&] { return !IsWindow(popup); }, 1500)) << seconds;
    EXPECT_EQ(CurrentPopup(), popup) << seconds;
  }
}

TEST_F(Popup, TheUserClosingItLetsTheNextOneOpen) {
  ShowNewItemPopup(Recommendation(), false);
  HWND popup = CurrentPopup();
  ASSERT_NE(popup, nullptr);
  SendMessageW(popup, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_EQ(CurrentPopup(), nullptr);
  ShowNewItemPopup(News(), false);
  EXPECT_NE(CurrentPopup(), nullptr);
}

TEST_F(Popup, EverySoundFileStartsWithoutHoldingThePopupBack) {
  std::string truncated = AlertSoundWave();
  truncated.resize(truncated.size() / 2);
  const TempSoundFile wave(L"提示音-Jörg.wav", AlertSoundWave());  // a name GBK cannot write
  const TempSoundFile midi(L"提示音.mid", kMidi);
  const TempSoundFile text(L"not-a-sound.wav", "这不是声音文件");
  const TempSoundFile cut(L"cut.wav", truncated);
  const struct {
    const char* name;
    std::wstring path;
    SoundKind kind;
  } cases[] = {
      {"wave", wave.path(), SoundKind::kWave},
      {"midi", midi.path(), SoundKind::kMidi},
      {"unknown bytes", text.path(), SoundKind::kUnknown},
      {"truncated wave", cut.path(), SoundKind::kUnknown},
      {"missing file", wave.path() + L".missing", SoundKind::kUnknown},
      {"empty path", L"", SoundKind::kUnknown},
      {"a folder", L"C:\\windows", SoundKind::kUnknown},
  };
  State().popup_seconds = 1;
  for (const auto& c : cases) {
    const SoundStart started = PlayNotificationSound(c.path);
    EXPECT_EQ(started.kind, c.kind) << c.name;
    if (c.kind == SoundKind::kUnknown) {
      EXPECT_FALSE(started.playing) << c.name;
    }

    State().sound_path = c.path;
    const auto before = std::chrono::steady_clock::now();
    ShowNewItemPopup(Recommendation(), true);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
    std::printf("[ figure ] pop-up with %s sound (%s): %lld ms\n", c.name, started.playing ? "playing" : "silent",
                static_cast<long long>(took.count()));
    HWND popup = CurrentPopup();
    ASSERT_NE(popup, nullptr) << c.name;
    EXPECT_EQ(WindowTextGbk(popup), "收到一个新的消息") << c.name;
    if (c.kind != SoundKind::kUnknown) {
      // While the sound plays, the thread runs on: the pop-up's own timer closes it.
      ShowNewItemPopup(News(), true);
      popup = CurrentPopup();
      ASSERT_NE(popup, nullptr) << c.name;
      EXPECT_TRUE(PumpUntil([&] { return !IsWindow(popup); }, 10000)) << c.name;
    }
  }
  // Each new sound stops the previous one before letting its bytes go; the last is stopped too.
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(PlayNotificationSound(wave.path()).kind, SoundKind::kWave);
    EXPECT_EQ(PlayNotificationSound(midi.path()).kind, SoundKind::kMidi);
  }
  StopNotificationSound();
}

}  // namespace
}  // namespace velmora::win
