// What each choice in the settings window does: the skin it changes, the process-wide value it
// sets and the gp.ini keys it writes, at once and in that order; where the window goes; and the
// filters of its two file dialogs. No window code here, so every decision is tested natively.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/process_state.h"
#include "app/settings_file.h"
#include "runtime/dpi_scale.h"

namespace velmora {

// Description and patterns joined by a bar, as the window's designer wrote them. The sound
// dialog's description says "图片文件" as the picture dialog's does: that is the program's text.
inline constexpr std::string_view kPictureDialogFilter = "图片文件(*.png;*.jpg;*.bmp;*.gif)|*.png;*.jpg;*.bmp;*.gif";
inline constexpr std::string_view kSoundDialogFilter = "图片文件(*.wav;*.mid)|*.wav;*.mid";

// A "description|patterns|description|patterns" filter in the form the system's file-open dialog
// takes: each part ended by a NUL, the list by a second NUL. A part left without its pair (or an
// empty filter) ends the list, so the dialog never reads past the text.
std::string OpenDialogFilterList(std::string_view bar_filter);

// The skin operations a choice applies (the skin engine in the program).
class SkinChanger {
 public:
  virtual ~SkinChanger() = default;
  virtual void SetSkinColour(std::uint32_t colour) = 0;           // 0x00BBGGRR
  virtual bool LoadSkinPicture(const std::wstring& path) = 0;  // false: not loaded, skin unchanged
};

enum class NotifySwitch { kSound, kPopup };

// One settings window's choices, from its creation to its closing. The starting paths of the two
// file dialogs live here; the flags and the sound path live in the process-wide state.
class SettingsChanges {
 public:
  SettingsChanges(SettingsFile& file, ProcessState& state, SkinChanger& skin);

  // The window was created: the dialogs start where the file's last choices were.
  void Load();

  bool SwitchOn(NotifySwitch which) const;
  const std::wstring& PictureStart() const { return picture_start_; }
  const std::wstring& SoundStart() const { return sound_start_; }

  // The colour picker's answer: the skin colour, then ls = "0", then bjs. The picture path stays
  // in the file; it is used again only when chosen again.
  void ColourChosen(std::uint32_t colour);
  // A file dialog's answer; no answer (cancelled) or an empty path changes and writes nothing.
  // A picture that cannot be loaded leaves the skin as it was but is stored all the same. False
  // when the choice is applied but the file cannot name its path (a letter GBK does not have): it
  // then holds until the program ends, and the user must be told.
  bool PictureAnswered(const std::optional<std::wstring>& path);
  bool SoundAnswered(const std::optional<std::wstring>& path);
  // A check box's new state: the flag (1 or 0) and its key, at once.
  void SwitchClicked(NotifySwitch which, bool ticked);

 private:
  SettingsFile& file_;
  ProcessState& state_;
  SkinChanger& skin_;
  std::wstring picture_start_;
  std::wstring sound_start_;
};

// Placement of the settings window, in screen pixels.
struct ScreenBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};
struct ScreenPoint {
  int x = 0, y = 0;
  bool operator==(const ScreenPoint& o) const { return x == o.x && y == o.y; }
};

inline constexpr int kSettingsFromLoginWindow = 1;
inline constexpr int kSettingsFromMainWindow = 2;

// Where the window goes. Opened from the login window: 40 right of and 30 below its top-left
// corner. Otherwise (the main window): 100 below its top, the left where the window was created.
// The distances are the design's, at 96 DPI, and scaled to `dpi`. Then the whole window is moved
// inside the work area, so a window opened near the screen's edge is never out of reach while it
// waits for the user.
ScreenPoint SettingsWindowPlacement(int opened_from, const ScreenBox& opener, ScreenPoint created_at, int width,
                                    int height, const ScreenBox& work_area, Dpi dpi);

}  // namespace velmora
