// gp.ini: the client's only local file, beside the program, one section "gppz". It is read and
// written key by key, never rewritten whole; when it is missing it is created from a fixed
// template so that every key has its first value. Its texts are GBK, paths among them; in the
// program paths are UTF-16, as the file system names them, since a folder may hold letters GBK
// does not have.
#pragma once
#include <cstdint>
#include <optional>
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
std::wstring SettingsFilePath(std::wstring_view program_dir);
// Program directory + "\music\music.wav": the sound used until the user picks another.
std::wstring DefaultSoundPath(std::wstring_view program_dir);

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
  // The GBK text the file keeps for `path`, or nothing when no GBK text names that file (a letter
  // GBK does not have): writing it anyway would store the name of another file.
  virtual std::optional<std::string> PathText(std::wstring_view path) = 0;
  // The path a stored text names.
  virtual std::wstring PathOfText(std::string_view text) = 0;
};

// What the login window takes from the file when it is created.
struct StartupSettings {
  int64_t sound_flag = 0;  // syts, integer value: 1 = play a sound on a new message
  int64_t popup_flag = 0;  // tcts, integer value: 1 = pop up on a new message
  std::wstring sound_path;  // sydz, or the default path (written into it when GBK can name it)
  bool remember = false;   // zx is "1"; only then are name and password filled
  std::string name;
  std::string password;
  bool skin_is_colour = true;  // ls is "0"; any other text (even "") selects the picture
  int64_t skin_colour = 0;     // bjs, 0x00BBGGRR; only when skin_is_colour
  std::wstring skin_picture;   // tpwz; only when !skin_is_colour
};

class SettingsFile final : public CredentialMemory {
 public:
  SettingsFile(ProfileStore& store, std::wstring program_dir);

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
  // Path keys answer false, writing nothing, when the file cannot name the path.
  std::wstring SkinPicture() { return ReadPath("tpwz"); }
  bool SetSkinPicture(std::wstring_view path) { return WritePath("tpwz", path); }
  int64_t SoundFlag();
  void SetSoundFlag(bool on) { store_.Write("syts", on ? "1" : "0"); }
  int64_t PopupFlag();
  void SetPopupFlag(bool on) { store_.Write("tcts", on ? "1" : "0"); }
  std::wstring SoundPath() { return ReadPath("sydz"); }
  bool SetSoundPath(std::wstring_view path) { return WritePath("sydz", path); }

  // The remember box was clicked: ticked stores the account and password, unticked erases both
  // at once. The first click may be what creates the file.
  void RememberBoxClicked(bool ticked, std::string_view name, std::string_view password);
  // A login starts: with the box ticked the credentials are stored before the account is looked
  // up, so they stay remembered even when the login then fails.
  void LoginAttempted(bool box_ticked, std::string_view name, std::string_view password) override;

  // The login window's reads, in their order; an empty sound path is replaced by the default
  // one, which is written back. A default the file cannot name leaves the key empty: the next
  // start finds the same default again.
  StartupSettings ReadAtStartup();

  // The settings window's choices. The kind is written before its value. A path the file cannot
  // name changes nothing in it (false): the file keeps the choice before, kind included.
  void ColourChosen(int64_t colour);
  bool PictureChosen(std::wstring_view path);
  bool SoundFileChosen(std::wstring_view path) { return SetSoundPath(path); }
  void SoundSwitchChanged(bool ticked) { SetSoundFlag(ticked); }
  void PopupSwitchChanged(bool ticked) { SetPopupFlag(ticked); }

 private:
  std::wstring ReadPath(std::string_view key) { return store_.PathOfText(store_.Read(key)); }
  bool WritePath(std::string_view key, std::wstring_view path);

  ProfileStore& store_;
  const std::wstring program_dir_;
};

}  // namespace velmora
