// The settings window's choices: what each one applies and writes, in order; its dialogs' filters
// and where the window goes.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/settings_changes.h"
#include "memory_profile_store.h"

namespace velmora {
namespace {

using testing::FreshStore;
using testing::MemoryProfileStore;

// Records the skin calls in order; pictures named in `unloadable` fail to load.
class RecordingSkin final : public SkinChanger {
 public:
  void SetSkinColour(std::uint32_t colour) override { calls.push_back(L"colour " + std::to_wstring(colour)); }
  bool LoadSkinPicture(const std::wstring& path) override {
    calls.push_back(L"picture " + path);
    return path != unloadable;
  }
  std::vector<std::wstring> calls;
  std::wstring unloadable = L"C:\\坏.png";
};

struct Fixture {
  MemoryProfileStore store = FreshStore();
  SettingsFile file{store, L"C:\\Velmora"};
  ProcessState state;
  RecordingSkin skin;
  SettingsChanges changes{file, state, skin};
  Fixture() {
    state.sound_on_new_message = 1;
    state.popup_on_new_message = 1;
    state.sound_path = L"C:\\Velmora\\music\\music.wav";
  }
};

TEST(SettingsChanges, EachChoiceAppliesAndWritesAtOnceInOrder) {
  struct Case {
    const char* name;
    std::function<void(SettingsChanges&)> choose;
    std::vector<std::string> writes;
    std::vector<std::wstring> skin_calls;
  } cases[] = {
      {"colour", [](SettingsChanges& c) { c.ColourChosen(0x00FF8040); }, {"ls=0", "bjs=16744512"},
       {L"colour 16744512"}},
      {"picture", [](SettingsChanges& c) { c.PictureAnswered(L"D:\\图片\\天空.jpg"); },
       {"ls=1", "tpwz=D:\\图片\\天空.jpg"}, {L"picture D:\\图片\\天空.jpg"}},
      {"picture that does not load", [](SettingsChanges& c) { c.PictureAnswered(L"C:\\坏.png"); },
       {"ls=1", "tpwz=C:\\坏.png"}, {L"picture C:\\坏.png"}},
      {"sound file", [](SettingsChanges& c) { c.SoundAnswered(L"E:\\声音\\ding.mid"); },
       {"sydz=E:\\声音\\ding.mid"}, {}},
      {"sound off", [](SettingsChanges& c) { c.SwitchClicked(NotifySwitch::kSound, false); }, {"syts=0"}, {}},
      {"sound on", [](SettingsChanges& c) { c.SwitchClicked(NotifySwitch::kSound, true); }, {"syts=1"}, {}},
      {"pop-up off", [](SettingsChanges& c) { c.SwitchClicked(NotifySwitch::kPopup, false); }, {"tcts=0"}, {}},
      {"picture cancelled", [](SettingsChanges& c) { c.PictureAnswered(std::nullopt); }, {}, {}},
      {"sound cancelled", [](SettingsChanges& c) { c.SoundAnswered(std::nullopt); }, {}, {}},
      {"empty picture path", [](SettingsChanges& c) { c.PictureAnswered(std::wstring()); }, {}, {}},
      {"empty sound path", [](SettingsChanges& c) { c.SoundAnswered(std::wstring()); }, {}, {}},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.changes.Load();
    c.choose(f.changes);
    EXPECT_EQ(f.store.writes, c.writes) << c.name;
    EXPECT_EQ(f.skin.calls, c.skin_calls) << c.name;
  }
}

TEST(SettingsChanges, SwitchesAndSoundFileChangeTheProcessWideValues) {
  Fixture f;
  f.changes.SwitchClicked(NotifySwitch::kSound, false);
  EXPECT_EQ(f.state.sound_on_new_message, 0);
  EXPECT_EQ(f.state.popup_on_new_message, 1);
  EXPECT_FALSE(f.changes.SwitchOn(NotifySwitch::kSound));
  EXPECT_TRUE(f.changes.SwitchOn(NotifySwitch::kPopup));
  f.changes.SwitchClicked(NotifySwitch::kPopup, false);
  f.changes.SwitchClicked(NotifySwitch::kSound, true);
  EXPECT_EQ(f.state.sound_on_new_message, 1);
  EXPECT_EQ(f.state.popup_on_new_message, 0);

  f.changes.SoundAnswered(std::nullopt);
  EXPECT_EQ(f.state.sound_path, L"C:\\Velmora\\music\\music.wav");
  f.changes.SoundAnswered(L"E:\\声音\\ding.wav");
  EXPECT_EQ(f.state.sound_path, L"E:\\声音\\ding.wav");
}

TEST(SettingsChanges, AChoiceTheFileCannotNameHoldsForTheRunAndSaysSo) {
  Fixture f;
  f.changes.Load();
  EXPECT_FALSE(f.changes.PictureAnswered(L"D:\\Jörg\\天空.jpg"));
  EXPECT_FALSE(f.changes.SoundAnswered(L"D:\\Jörg\\ding.wav"));
  EXPECT_EQ(f.skin.calls, std::vector<std::wstring>{L"picture D:\\Jörg\\天空.jpg"});
  EXPECT_EQ(f.state.sound_path, L"D:\\Jörg\\ding.wav");
  EXPECT_EQ(f.changes.PictureStart(), L"D:\\Jörg\\天空.jpg");
  EXPECT_EQ(f.changes.SoundStart(), L"D:\\Jörg\\ding.wav");
  EXPECT_TRUE(f.store.writes.empty());
  // Answers that write, or have nothing to write, are kept.
  EXPECT_TRUE(f.changes.SoundAnswered(L"D:\\股票\\ding.wav"));
  EXPECT_TRUE(f.changes.PictureAnswered(std::nullopt));
}

TEST(SettingsChanges, AnyNonZeroFlagTicksItsBox) {
  Fixture f;
  f.state.sound_on_new_message = 7;  // syts read as an integer: "7" is on
  f.state.popup_on_new_message = 0;
  EXPECT_TRUE(f.changes.SwitchOn(NotifySwitch::kSound));
  EXPECT_FALSE(f.changes.SwitchOn(NotifySwitch::kPopup));
}

TEST(SettingsChanges, ColourAfterPictureKeepsThePicturePathForLater) {
  Fixture f;
  f.changes.ColourChosen(255);
  f.changes.PictureAnswered(L"D:\\图片\\天空.jpg");
  f.changes.ColourChosen(0x00C06000);
  EXPECT_EQ(f.store.Read("ls"), "0");
  EXPECT_EQ(f.store.Read("bjs"), "12607488");
  EXPECT_EQ(f.store.Read("tpwz"), "D:\\图片\\天空.jpg");
  EXPECT_EQ(f.skin.calls,
            (std::vector<std::wstring>{L"colour 255", L"picture D:\\图片\\天空.jpg", L"colour 12607488"}));
}

TEST(SettingsChanges, DialogsStartAtTheFilesChoicesAndThenAtTheLastAnswer) {
  Fixture f;
  f.store.keys["tpwz"] = "D:\\旧.bmp";
  f.store.keys["sydz"] = "E:\\旧.wav";
  f.changes.Load();
  EXPECT_EQ(f.changes.PictureStart(), L"D:\\旧.bmp");
  EXPECT_EQ(f.changes.SoundStart(), L"E:\\旧.wav");
  EXPECT_TRUE(f.store.writes.empty());  // reading writes nothing

  f.changes.PictureAnswered(std::nullopt);
  f.changes.SoundAnswered(std::nullopt);
  EXPECT_EQ(f.changes.PictureStart(), L"D:\\旧.bmp");
  EXPECT_EQ(f.changes.SoundStart(), L"E:\\旧.wav");

  f.changes.PictureAnswered(L"C:\\坏.png");  // even one that does not load
  f.changes.SoundAnswered(L"E:\\新.mid");
  EXPECT_EQ(f.changes.PictureStart(), L"C:\\坏.png");
  EXPECT_EQ(f.changes.SoundStart(), L"E:\\新.mid");
}

TEST(SettingsDialogFilter, BarSeparatedPairsBecomeTheDialogsNulSeparatedList) {
  using namespace std::string_literals;
  EXPECT_EQ(OpenDialogFilterList(kPictureDialogFilter),
            "图片文件(*.png;*.jpg;*.bmp;*.gif)\0*.png;*.jpg;*.bmp;*.gif\0\0"s);
  EXPECT_EQ(OpenDialogFilterList(kSoundDialogFilter), "图片文件(*.wav;*.mid)\0*.wav;*.mid\0\0"s);
  const std::pair<std::string, std::string> cases[] = {
      {"A|*.a|B|*.b", "A\0*.a\0B\0*.b\0\0"s},
      {"A|*.a|B", "A\0*.a\0\0"s},  // a description without patterns is dropped
      {"A|*.a|", "A\0*.a\0\0"s},
      {"A|", "\0\0"s},
      {"|*.a", "\0\0"s},
      {"", "\0\0"s},
      {"no bar", "\0\0"s},
  };
  for (const auto& [bar, list] : cases) EXPECT_EQ(OpenDialogFilterList(bar), list) << bar;
}

TEST(SettingsPlacement, ByTheWindowItWasOpenedFromKeptOnTheWorkArea) {
  const ScreenBox screen{0, 0, 1024, 768};
  const ScreenPoint created{50, 50};
  struct Case {
    const char* name;
    int from;
    ScreenBox opener;
    ScreenBox work;
    ScreenPoint expected;
  } cases[] = {
      {"login window", 1, {286, 169, 738, 598}, screen, {326, 199}},
      {"main window: top only", 2, {36, 78, 987, 690}, screen, {50, 178}},
      {"no origin counts as the main window", 0, {36, 78, 987, 690}, screen, {50, 178}},
      {"login window at the right edge", 1, {700, 10, 1152, 439}, screen, {1024 - 379, 40}},
      {"main window dragged low", 2, {36, 700, 987, 1312}, screen, {50, 768 - 139}},
      {"opener above the screen", 1, {-500, -400, -48, 29}, screen, {0, 0}},
      {"work area not at the origin", 2, {0, 0, 951, 612}, {100, 200, 1124, 968}, {100, 200}},
      {"work area smaller than the window", 1, {0, 0, 452, 429}, {0, 0, 300, 100}, {0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SettingsWindowPlacement(c.from, c.opener, created, 379, 139, c.work, kDesignDpi), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace velmora
