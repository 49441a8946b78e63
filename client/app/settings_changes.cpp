#include "app/settings_changes.h"

#include <algorithm>

namespace velmora {

std::string OpenDialogFilterList(std::string_view bar_filter) {
  std::string list;
  while (!bar_filter.empty()) {
    const size_t description_end = bar_filter.find('|');
    if (description_end == std::string_view::npos) break;  // a description without patterns
    const std::string_view rest = bar_filter.substr(description_end + 1);
    const size_t patterns_end = std::min(rest.find('|'), rest.size());
    const std::string_view description = bar_filter.substr(0, description_end);
    const std::string_view patterns = rest.substr(0, patterns_end);
    if (description.empty() || patterns.empty()) break;  // an empty part would end the list early
    list.append(description).push_back('\0');
    list.append(patterns).push_back('\0');
    bar_filter = patterns_end < rest.size() ? rest.substr(patterns_end + 1) : std::string_view();
  }
  list.push_back('\0');
  if (list.size() == 1) list.push_back('\0');  // no pair at all: still two NULs
  return list;
}

SettingsChanges::SettingsChanges(SettingsFile& file, ProcessState& state, SkinChanger& skin)
    : file_(file), state_(state), skin_(skin) {}

void SettingsChanges::Load() {
  picture_start_ = file_.SkinPicture();
  sound_start_ = file_.SoundPath();
}

bool SettingsChanges::SwitchOn(NotifySwitch which) const {
  return (which == NotifySwitch::kSound ? state_.sound_on_new_message : state_.popup_on_new_message) != 0;
}

void SettingsChanges::ColourChosen(std::uint32_t colour) {
  skin_.SetSkinColour(colour);
  file_.ColourChosen(int64_t(colour));
}

bool SettingsChanges::PictureAnswered(const std::optional<std::wstring>& path) {
  if (!path || path->empty()) return true;
  skin_.LoadSkinPicture(*path);  // a picture that does not load keeps the skin; the choice still counts
  picture_start_ = *path;
  return file_.PictureChosen(*path);
}

bool SettingsChanges::SoundAnswered(const std::optional<std::wstring>& path) {
  if (!path || path->empty()) return true;
  state_.sound_path = *path;
  sound_start_ = *path;
  return file_.SoundFileChosen(*path);
}

void SettingsChanges::SwitchClicked(NotifySwitch which, bool ticked) {
  if (which == NotifySwitch::kSound) {
    state_.sound_on_new_message = ticked ? 1 : 0;
    file_.SoundSwitchChanged(ticked);
  } else {
    state_.popup_on_new_message = ticked ? 1 : 0;
    file_.PopupSwitchChanged(ticked);
  }
}

ScreenPoint SettingsWindowPlacement(int opened_from, const ScreenBox& opener, ScreenPoint created_at, int width,
                                    int height, const ScreenBox& work_area, Dpi dpi) {
  ScreenPoint at = created_at;
  if (opened_from == kSettingsFromLoginWindow) {
    at = {opener.left + Scale(40, dpi), opener.top + Scale(30, dpi)};
  } else {
    at.y = opener.top + Scale(100, dpi);
  }
  // Right and bottom edges first, so that a window larger than the work area shows its top left.
  at.x = std::max(std::min(at.x, work_area.right - width), work_area.left);
  at.y = std::max(std::min(at.y, work_area.bottom - height), work_area.top);
  return at;
}

}  // namespace velmora
