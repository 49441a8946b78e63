// The settings file rules over an in-memory profile, the announcement page and its colour texts,
// and the message boxes' alert sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "feeds/news_page.h"
#include "memory_profile_store.h"
#include "toolkit/alert_sound.h"

namespace velmora {
namespace {

using testing::FreshStore;
using testing::MemoryProfileStore;

const std::wstring kDir = L"D:\\软件\\Velmora";

TEST(SettingsTemplate, ExactBytes) {
  const char* const lines[] = {"[gppz]", "name=", "password=", "zx=", "left=", "top=", "Width=",
                               "Height=", "ls=0", "bjs=12607488", "tpwz=", "syts=1", "tcts=1", "sydz="};
  std::string expected;
  for (const char* line : lines) expected += std::string(line) + "\r\n";
  EXPECT_EQ(kSettingsTemplate, expected);
  EXPECT_EQ(kSettingsTemplate.size(), 111u);
}

TEST(SettingsFile, PathsHangOffTheProgramDirectory) {
  EXPECT_EQ(SettingsFilePath(kDir), L"D:\\软件\\Velmora\\gp.ini");
  EXPECT_EQ(DefaultSoundPath(kDir), L"D:\\软件\\Velmora\\music\\music.wav");
  EXPECT_EQ(SettingsFilePath(L"C:"), L"C:\\gp.ini");
}

TEST(SettingsFile, EnsureFileCreatesOnlyWhenMissing) {
  MemoryProfileStore missing;
  SettingsFile(missing, kDir).EnsureFile();
  EXPECT_EQ(missing.creates, 1);
  EXPECT_EQ(missing.created, kSettingsTemplate);

  MemoryProfileStore present;
  present.Write("zx", "1");
  present.writes.clear();
  SettingsFile(present, kDir).EnsureFile();
  EXPECT_EQ(present.creates, 0);
  EXPECT_TRUE(present.writes.empty());
  EXPECT_EQ(present.Read("zx"), "1");
}

TEST(SettingsFile, IntegerKeysReadTheirLeadingDigits) {
  const std::pair<std::string, int64_t> cases[] = {
      {"", 0}, {"0", 0}, {"1", 1}, {"12abc", 12}, {"x", 0}, {"12607488", 12607488}, {" 1", 0}};
  for (const auto& [text, value] : cases) {
    MemoryProfileStore store;
    store.keys = {{"bjs", text}, {"syts", text}, {"tcts", text}};
    SettingsFile settings(store, kDir);
    EXPECT_EQ(settings.SkinColour(), value) << text;
    EXPECT_EQ(settings.SoundFlag(), value) << text;
    EXPECT_EQ(settings.PopupFlag(), value) << text;
  }
}

TEST(SettingsFile, RememberBoxClick) {
  struct Case {
    bool ticked;
    std::vector<std::string> writes;
  } cases[] = {
      {true, {"zx=1", "name=张三", "password=密码'1"}},
      {false, {"zx=0", "name=", "password="}},  // the stored credentials go at once
  };
  for (const auto& c : cases) {
    MemoryProfileStore store = FreshStore();
    store.keys["name"] = "old";
    store.keys["password"] = "oldpw";
    SettingsFile(store, kDir).RememberBoxClicked(c.ticked, "张三", "密码'1");
    EXPECT_EQ(store.writes, c.writes) << c.ticked;
    EXPECT_EQ(store.creates, 0);
  }
  // The first click on a machine without the file creates it before writing.
  MemoryProfileStore missing;
  SettingsFile(missing, kDir).RememberBoxClicked(true, "a", "b");
  EXPECT_EQ(missing.creates, 1);
  EXPECT_EQ(missing.Read("syts"), "1");
  EXPECT_EQ(missing.Read("name"), "a");
}

TEST(SettingsFile, LoginAttemptStoresCredentialsOnlyWithTheBoxTicked) {
  MemoryProfileStore ticked = FreshStore();
  SettingsFile(ticked, kDir).LoginAttempted(true, "张三", "pw");
  EXPECT_EQ(ticked.writes, (std::vector<std::string>{"zx=1", "name=张三", "password=pw"}));

  MemoryProfileStore unticked = FreshStore();
  unticked.keys["zx"] = "1";
  unticked.keys["name"] = "kept";
  SettingsFile(unticked, kDir).LoginAttempted(false, "张三", "pw");
  EXPECT_TRUE(unticked.writes.empty());
  EXPECT_EQ(unticked.Read("name"), "kept");
}

TEST(SettingsFile, StartupOfAMissingFile) {
  MemoryProfileStore store;
  const StartupSettings s = SettingsFile(store, kDir).ReadAtStartup();
  EXPECT_EQ(store.creates, 1);
  EXPECT_EQ(s.sound_flag, 1);
  EXPECT_EQ(s.popup_flag, 1);
  EXPECT_EQ(s.sound_path, L"D:\\软件\\Velmora\\music\\music.wav");
  EXPECT_EQ(store.writes, (std::vector<std::string>{"sydz=D:\\软件\\Velmora\\music\\music.wav"}));
  EXPECT_FALSE(s.remember);
  EXPECT_TRUE(s.skin_is_colour);
  EXPECT_EQ(s.skin_colour, 12607488);  // red 0, green 96, blue 192
  EXPECT_EQ(s.skin_picture, L"");
}

TEST(SettingsFile, StartupKeepsAChosenSoundAndReadsTheFlagsAsIntegers) {
  MemoryProfileStore store = FreshStore();
  store.keys["sydz"] = "E:\\声音\\ding.wav";
  store.keys["syts"] = "0";
  store.keys["tcts"] = "";
  const StartupSettings s = SettingsFile(store, kDir).ReadAtStartup();
  EXPECT_EQ(s.sound_path, L"E:\\声音\\ding.wav");
  EXPECT_TRUE(store.writes.empty());
  EXPECT_EQ(s.sound_flag, 0);
  EXPECT_EQ(s.popup_flag, 0);
}

TEST(SettingsFile, StartupFillsTheLoginBoxesOnlyWhenRememberIsExactlyOne) {
  const std::pair<std::string, bool> cases[] = {
      {"1", true}, {"0", false}, {"", false}, {"11", false}, {"1 ", false}, {"01", false}};
  for (const auto& [zx, remembered] : cases) {
    MemoryProfileStore store = FreshStore();
    store.keys["zx"] = zx;
    store.keys["name"] = "张三";
    store.keys["password"] = "密码'1";
    const StartupSettings s = SettingsFile(store, kDir).ReadAtStartup();
    EXPECT_EQ(s.remember, remembered) << zx;
    EXPECT_EQ(s.name, remembered ? "张三" : "") << zx;
    EXPECT_EQ(s.password, remembered ? "密码'1" : "") << zx;
  }
}

TEST(SettingsFile, StartupSkinIsAColourOnlyForKindZero) {
  const std::pair<std::string, bool> cases[] = {
      {"0", true}, {"", false}, {"1", false}, {"x", false}, {"00", false}, {" 0", false}};
  for (const auto& [ls, colour] : cases) {
    MemoryProfileStore store = FreshStore();
    store.keys["ls"] = ls;
    store.keys["bjs"] = "255";
    store.keys["tpwz"] = "C:\\图片\\skin.bmp";
    const StartupSettings s = SettingsFile(store, kDir).ReadAtStartup();
    EXPECT_EQ(s.skin_is_colour, colour) << '"' << ls << '"';
    EXPECT_EQ(s.skin_colour, colour ? 255 : 0) << ls;
    EXPECT_EQ(s.skin_picture, colour ? L"" : L"C:\\图片\\skin.bmp") << ls;
  }
}

TEST(SettingsFile, SettingsWindowWritesKindBeforeValue) {
  struct Case {
    void (*act)(SettingsFile&);
    std::vector<std::string> writes;
  } cases[] = {
      {[](SettingsFile& f) { f.ColourChosen(0xC06000); }, {"ls=0", "bjs=12607488"}},
      {[](SettingsFile& f) { f.ColourChosen(0); }, {"ls=0", "bjs=0"}},
      {[](SettingsFile& f) { f.PictureChosen(L"C:\\图片\\a.jpg"); }, {"ls=1", "tpwz=C:\\图片\\a.jpg"}},
      {[](SettingsFile& f) { f.SoundFileChosen(L"C:\\声音\\b.wav"); }, {"sydz=C:\\声音\\b.wav"}},
      {[](SettingsFile& f) { f.SoundSwitchChanged(false); }, {"syts=0"}},
      {[](SettingsFile& f) { f.SoundSwitchChanged(true); }, {"syts=1"}},
      {[](SettingsFile& f) { f.PopupSwitchChanged(false); }, {"tcts=0"}},
      {[](SettingsFile& f) { f.PopupSwitchChanged(true); }, {"tcts=1"}},
  };
  for (const auto& c : cases) {
    MemoryProfileStore store = FreshStore();
    SettingsFile settings(store, kDir);
    c.act(settings);
    EXPECT_EQ(store.writes, c.writes) << c.writes.back();
  }
}

// The file keeps GBK texts: a path with a letter GBK lacks is used but never written, since any
// text written for it would name another file; one with letters GBK has is written in GBK.
TEST(SettingsFile, PathsOnlyGbkCanNameAreWritten) {
  const std::wstring outside = L"C:\\Users\\Jörg\\Velmora";
  MemoryProfileStore missing;
  const StartupSettings s = SettingsFile(missing, outside).ReadAtStartup();
  EXPECT_EQ(s.sound_path, outside + L"\\music\\music.wav");
  EXPECT_TRUE(missing.writes.empty());
  EXPECT_EQ(missing.Read("sydz"), "");  // the next start finds the same default again

  MemoryProfileStore inside = FreshStore();  // é is a GBK letter too (A8 A6)
  EXPECT_EQ(SettingsFile(inside, L"C:\\Users\\Café\\股票").ReadAtStartup().sound_path,
            L"C:\\Users\\Café\\股票\\music\\music.wav");
  EXPECT_EQ(inside.writes, (std::vector<std::string>{"sydz=C:\\Users\\Café\\股票\\music\\music.wav"}));

  MemoryProfileStore store = FreshStore();
  store.keys["tpwz"] = "D:\\旧.bmp";
  SettingsFile settings(store, kDir);
  EXPECT_FALSE(settings.PictureChosen(L"D:\\Jörg\\a.jpg"));
  EXPECT_FALSE(settings.SoundFileChosen(L"D:\\Jörg\\b.wav"));
  EXPECT_TRUE(store.writes.empty());  // not even the skin kind: the next start shows the skin before
  EXPECT_TRUE(settings.PictureChosen(L"D:\\图片\\a.jpg"));
  EXPECT_EQ(settings.SkinPicture(), L"D:\\图片\\a.jpg");
}

TEST(SettingsFile, ChosenSkinComesBackAtTheNextStart) {
  MemoryProfileStore store = FreshStore();
  SettingsFile settings(store, kDir);
  settings.PictureChosen(L"C:\\图片\\a.jpg");
  StartupSettings s = settings.ReadAtStartup();
  EXPECT_FALSE(s.skin_is_colour);
  EXPECT_EQ(s.skin_picture, L"C:\\图片\\a.jpg");
  settings.ColourChosen(255);
  s = settings.ReadAtStartup();
  EXPECT_TRUE(s.skin_is_colour);
  EXPECT_EQ(s.skin_colour, 255);
}

TEST(NewsPage, ColourToHtml) {
  const std::pair<int64_t, std::string> cases[] = {
      {255, "#FF0000"},
      {0x0A0B0C, "#0C0B0A"},  // red 12, green 11, blue 10
      {0, "#000000"},
      {0xFFFFFF, "#FFFFFF"},
      {12607488, "#0060C0"},
      {0x000F00, "#000F00"},
      {0x1000000, "#000000"},  // only the three low bytes count
      {0xFF123456, "#563412"},
      {-1, "#FFFFFF"},
  };
  for (const auto& [colour, html] : cases) EXPECT_EQ(ColourToHtml(colour), html) << colour;
}

TEST(NewsPage, FontSize) {
  EXPECT_EQ(AnnouncementFontSize(12), "12PT");
  EXPECT_EQ(AnnouncementFontSize(0), "0PT");
  EXPECT_EQ(AnnouncementFontSize(105), "105PT");
}

TEST(NewsPage, TemplateSizeAndLineEnds) {
  const std::string page = NewsPageTemplate();
  EXPECT_EQ(page.size(), 1230u);
  for (size_t i = 0; i < page.size(); ++i) {
    if (page[i] == '\r') {
      EXPECT_TRUE(i + 1 < page.size() && page[i + 1] == '\n') << i;
    } else if (page[i] == '\n') {
      EXPECT_TRUE(i > 0 && page[i - 1] == '\r') << i;
    }
  }
  EXPECT_EQ(page.substr(page.size() - 9), "</html>\r\n");
  EXPECT_NE(page.find("<title>\xD7\xCA\xD1\xB6</title>"), std::string::npos);  // 资讯 in GBK
}

TEST(NewsPage, TemplatePiecesInOrder) {
  const std::string page = NewsPageTemplate();
  const char* const pieces[] = {
      "<html>",
      "<head>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">",
      "<title>资讯</title>",
      "<style type=\"text/css\">",
      "<!--",
      "a:link {", "color: #0000FF;", "}",
      "a:visited {", "color: #0000FF;", "}",
      "a:hover {", "color: #0000FF;", "}",
      "a:active {", "color: #0000FF;", "}",
      "body {", "background-color: #FFFFFF;", "border: 1px solid #006699;", "overflow: auto;",
      "margin-left: 3px;", "margin-top: 3px;", "margin-right: 3px;", "margin-bottom: 3px;", "}",
      "body,td,th {", "color: #000000;", "}",
      "-->",
      "</style>",
      "</head>",
      "禁止鼠标右键代码",
      "<noscript><iframe src=\"*.html\"></iframe></noscript>",
      "<script language=javascript>",
      "if (window.Event)", "document.captureEvents(Event.MOUSEUP);",
      "function nocontextmenu() {", "event.cancelBubble = true;", "event.returnValue = false;",
      "return false;", "}",
      "function norightclick(e) {", "if (window.Event) {", "if (e.which == 2 || e.which == 3)",
      "return false;", "} else if (event.button == 2 || event.button == 3) {",
      "event.cancelBubble = true;", "event.returnValue = false;", "return false;", "}", "}",
      "document.oncontextmenu = nocontextmenu;",
      "document.onmousedown = norightclick;",
      "</script>",
      "<body onselectstart=\"return false\">\r\n</body>",
      "</html>",
  };
  size_t pos = 0;
  for (const char* piece : pieces) {
    const size_t at = page.find(piece, pos);
    ASSERT_NE(at, std::string::npos) << "missing after " << pos << ": " << piece;
    pos = at + std::string(piece).size();
  }
  // One comment around the style rules and the one before the guard script, nothing else.
  size_t comments = 0;
  for (size_t at = page.find("<!--"); at != std::string::npos; at = page.find("<!--", at + 1)) ++comments;
  EXPECT_EQ(comments, 2u);
}

uint32_t Le(const std::string& bytes, size_t at, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | uint8_t(bytes[at + size_t(i)]);
  return v;
}

TEST(AlertSound, WaveHeader) {
  const std::string& wave = AlertSoundWave();
  ASSERT_EQ(wave.size(), 44136u);
  EXPECT_EQ(wave.substr(0, 4), "RIFF");
  EXPECT_EQ(Le(wave, 4, 4), 44128u);
  EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le(wave, 16, 4), 16u);     // fmt chunk size
  EXPECT_EQ(Le(wave, 20, 2), 1u);      // PCM
  EXPECT_EQ(Le(wave, 22, 2), 1u);      // channels
  EXPECT_EQ(Le(wave, 24, 4), 22050u);  // samples per second
  EXPECT_EQ(Le(wave, 28, 4), 44100u);  // bytes per second
  EXPECT_EQ(Le(wave, 32, 2), 2u);      // block align
  EXPECT_EQ(Le(wave, 34, 2), 16u);     // bits per sample
  EXPECT_EQ(wave.substr(36, 4), "data");
  EXPECT_EQ(Le(wave, 40, 4), 44092u);
  EXPECT_EQ(&AlertSoundWave(), &wave);  // built once
}

TEST(AlertSound, SamplesAreAudibleAndStartAndEndInSilence) {
  const std::string& wave = AlertSoundWave();
  ASSERT_EQ(wave.size(), 44136u);
  std::vector<int> samples;
  for (size_t at = 44; at + 1 < wave.size(); at += 2) samples.push_back(int16_t(Le(wave, at, 2)));
  ASSERT_EQ(samples.size(), 22046u);
  EXPECT_LT(std::abs(samples.front()), 50);
  EXPECT_LT(std::abs(samples.back()), 50);
  int peak = 0;
  for (int s : samples) peak = std::max(peak, std::abs(s));
  EXPECT_GT(peak, 8000);
  EXPECT_LT(peak, 32000);  // no clipping
  // A chime, not a click: a good part of the first half-second is clearly audible.
  size_t loud = 0;
  for (size_t i = 0; i < size_t(kAlertSampleRate / 2); ++i) loud += std::abs(samples[i]) > 2000;
  EXPECT_GT(loud, size_t(kAlertSampleRate / 20));
}

}  // namespace
}  // namespace velmora
