#include "app/settings_file.h"

#include <utility>

#include "gateway/text.h"

namespace velmora {

std::wstring SettingsFilePath(std::wstring_view program_dir) {
  return std::wstring(program_dir) + L"\\gp.ini";
}

std::wstring DefaultSoundPath(std::wstring_view program_dir) {
  return std::wstring(program_dir) + L"\\music\\music.wav";
}

SettingsFile::SettingsFile(ProfileStore& store, std::wstring program_dir)
    : store_(store), program_dir_(std::move(program_dir)) {}

bool SettingsFile::WritePath(std::string_view key, std::wstring_view path) {
  const std::optional<std::string> text = store_.PathText(path);
  if (!text) return false;
  store_.Write(key, *text);
  return true;
}

void SettingsFile::EnsureFile() {
  if (!store_.Exists()) store_.CreateWithTemplate(kSettingsTemplate);
}

int64_t SettingsFile::SkinColour() { return LeadingNumber(store_.Read("bjs")); }
void SettingsFile::SetSkinColour(int64_t colour) { store_.Write("bjs", std::to_string(colour)); }
int64_t SettingsFile::SoundFlag() { return LeadingNumber(store_.Read("syts")); }
int64_t SettingsFile::PopupFlag() { return LeadingNumber(store_.Read("tcts")); }

void SettingsFile::RememberBoxClicked(bool ticked, std::string_view name, std::string_view password) {
  EnsureFile();
  SetRemember(ticked);
  SetName(ticked ? name : std::string_view());
  SetPassword(ticked ? password : std::string_view());
}

void SettingsFile::LoginAttempted(bool box_ticked, std::string_view name, std::string_view password) {
  if (!box_ticked) return;
  SetRemember(true);
  SetName(name);
  SetPassword(password);
}

StartupSettings SettingsFile::ReadAtStartup() {
  EnsureFile();
  StartupSettings s;
  s.sound_flag = SoundFlag();
  s.popup_flag = PopupFlag();
  s.sound_path = SoundPath();
  if (s.sound_path.empty()) {
    s.sound_path = DefaultSoundPath(program_dir_);
    SetSoundPath(s.sound_path);
  }
  s.remember = RememberOn();
  if (s.remember) {
    s.name = Name();
    s.password = Password();
  }
  s.skin_is_colour = SkinIsColour();
  if (s.skin_is_colour) {
    s.skin_colour = SkinColour();
  } else {
    s.skin_picture = SkinPicture();
  }
  return s;
}

void SettingsFile::ColourChosen(int64_t colour) {
  SetSkinKindColour();
  SetSkinColour(colour);
}

bool SettingsFile::PictureChosen(std::wstring_view path) {
  const std::optional<std::string> text = store_.PathText(path);
  if (!text) return false;
  SetSkinKindPicture();
  store_.Write("tpwz", *text);
  return true;
}

}  // namespace velmora
