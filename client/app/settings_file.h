// gp.ini: the client's only local file, beside the program, one section "gppz". It is read and
// written key by key through the system's profile-string functions and never rewritten whole;
// when it is missing it is created from a fixed template so that every key has its first value.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "session/credential_memory.h"

namespace velmora {

// The file as a missing one is created: 14 lines, each ended by CR LF (111 bytes).
inline constexpr std::string_view kSettingsTemplate =
    "[gppz]\r\n"
    "name=\r\n"
    "password=\r\n"
    "zx=\r\n"
    "left=\r\n"
    "top=\r\n"
    "Width=\r\n"
    "Height=\r\n"
    "ls=0\r\n"
    "bjs=12607488\r\n"
    "tpwz=\r\n"
    "syts=1\r\n"
    "tcts=1\r\n"
    "sydz=\r\n";

inline constexpr std::string_view kSettingsSection = "gppz";

// Program directory (no trailing backslash) + "\gp.ini".
std::string SettingsFilePath(std::string_view program_dir);
// Program directory + "\music\music.wav": the sound used until the user picks another.
std::string DefaultSoundPath(std::string_view program_dir);

// The keys of section "gppz" in one file. Texts are GBK bytes and pass through unchanged.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // An absent key (or file) reads as the empty text.
  virtual std::string Read(std::string_view key) = 0;
  // Failures are not reported: the settings are a convenience, never a reason to stop.
  virtual void Write(std::string_view key, std::string_view value) = 0;
  virtual bool Exists() = 0;
  // Writes `bytes` as the whole file; called only when Exists() is false.
  virtual void CreateWithTemplate(std::string_view bytes) = 0;
};

// What the login window takes from the file when it is created.
struct StartupSettings {
  int64_t sound_flag = 0;  // syts, integer value: 1 = play a sound on a new message
  int64_t popup_flag = 0;  // tcts, integer value: 1 = pop up on a new message
  std::string sound_path;  // sydz, or the default path just written into it
  bool remember = false;   // zx is "1"; only then are name and password filled
  std::string name;
  std::string password;
  bool skin_is_colour = true;  // ls is "0"; any other text (even "") selects the picture
  int64_t skin_colour = 0;     // bjs, 0x00BBGGRR; only when skin_is_colour
  std::string skin_picture;    // tpwz; only when !skin_is_colour
};

class SettingsFile final : public CredentialMemory {
 public:
  SettingsFile(ProfileStore& store, std::string program_dir);

  // Creates the file from the template when there is none; an existing file is left alone.
  void EnsureFile();

  // One reader and writer per key. Integer keys read their leading digits ("" and "x" read 0).
  std::string Name() { return store_.Read("name"); }
  void SetName(std::string_view name) { store_.Write("name", name); }
  std::string Password() { return store_.Read("password"); }  // stored as typed, in clear
  void SetPassword(std::string_view password) { store_.Write("password", password); }
  bool RememberOn() { return store_.Read("zx") == "1"; }
  void SetRemember(bool on) { store_.Write("zx", on ? "1" : "0"); }
  std::string SkinKind() { return store_.Read("ls"); }
  bool SkinIsColour() { return SkinKind() == "0"; }
  void SetSkinKindColour() { store_.Write("ls", "0"); }
  void SetSkinKindPicture() { store_.Write("ls", "1"); }
  int64_t SkinColour();
  void SetSkinColour(int64_t colour);
  std::string SkinPicture() { return store_.Read("tpwz"); }
  void SetSkinPicture(std::string_view path) { store_.Write("tpwz", path); }
  int64_t SoundFlag();
  void SetSoundFlag(bool on) { store_.Write("syts", on ? "1" : "0"); }
  int64_t PopupFlag();
  void SetPopupFlag(bool on) { store_.Write("tcts", on ? "1" : "0"); }
  std::string SoundPath() { return store_.Read("sydz"); }
  void SetSoundPath(std::string_view path) { store_.Write("sydz", path); }

  // The remember box was clicked: ticked stores the account and password, unticked erases both
  // at once. The first click may be what creates the file.
  void RememberBoxClicked(bool ticked, std::string_view name, std::string_view password);
  // A login starts: with the box ticked the credentials are stored before the account is looked
  // up, so they stay remembered even when the login then fails.
  void LoginAttempted(bool box_ticked, std::string_view name, std::string_view password) override;

  // The login window's reads, in their order; an empty sound path is replaced by the default
  // one, which is written back.
  StartupSettings ReadAtStartup();

  // The settings window's choices. The kind is written before its value.
  void ColourChosen(int64_t colour);
  void PictureChosen(std::string_view path);
  void SoundFileChosen(std::string_view path) { SetSoundPath(path); }
  void SoundSwitchChanged(bool ticked) { SetSoundFlag(ticked); }
  void PopupSwitchChanged(bool ticked) { SetPopupFlag(ticked); }

 private:
  ProfileStore& store_;
  const std::string program_dir_;
};

}  // namespace velmora
