#include "feeds/sound_player_win.h"

#include <windows.h>
#include <mmsystem.h>

#include <optional>
#include <string_view>

#include "runtime/handles_win.h"

namespace velmora::win {
namespace {

// The whole file, or nothing when it cannot be read. Only files on a disk: a pipe or a device
// named in the settings could make the read wait without end.
std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  if (path.empty()) return std::nullopt;
  const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok() || GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > kMaxSoundFileBytes) {
    return std::nullopt;
  }
  std::string bytes(size_t(size.QuadPart), '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + got, DWORD(bytes.size() - got), &read, nullptr)) return std::nullopt;
    if (read == 0) break;  // shorter than it said: keep what is there
    got += read;
  }
  bytes.resize(got);
  return bytes;
}

// A file of our own in the temporary folder, removed when let go.
class TempFile {
 public:
  TempFile() = default;
  ~TempFile() { Remove(); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool Write(std::string_view bytes) {
    Remove();
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t name[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return false;
    if (!GetTempFileNameW(folder, L"vms", 0, name)) return false;  // creates the file
    path_ = name;
    const FileHandle file(
        CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file.ok()) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  }
  void Remove() {
    if (!path_.empty()) DeleteFileW(path_.c_str());
    path_.clear();
  }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// The sequencer device playing a MIDI file, under the program's own alias; closed when let go.
class MidiSequence {
 public:
  MidiSequence() = default;
  ~MidiSequence() { Close(); }
  MidiSequence(const MidiSequence&) = delete;
  MidiSequence& operator=(const MidiSequence&) = delete;

  // Opens and starts playing; no "wait", so the call returns as soon as playing has begun.
  bool Play(const std::wstring& path) {
    Close();
    const std::wstring open = L"open \"" + path + L"\" type sequencer alias " + kAlias;
    if (mciSendStringW(open.c_str(), nullptr, 0, nullptr) != 0) return false;
    open_ = true;
    return mciSendStringW((std::wstring(L"play ") + kAlias).c_str(), nullptr, 0, nullptr) == 0;
  }
  void Close() {
    if (!open_) return;
    mciSendStringW((std::wstring(L"close ") + kAlias).c_str(), nullptr, 0, nullptr);
    open_ = false;
  }

 private:
  static constexpr const wchar_t* kAlias = L"velmora_notification";
  bool open_ = false;
};

class NotificationSound {
 public:
  NotificationSound() = default;
  ~NotificationSound() { Stop(); }
  NotificationSound(const NotificationSound&) = delete;
  NotificationSound& operator=(const NotificationSound&) = delete;

  SoundStart Play(const std::wstring& path) {
    Stop();
    std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return {};
    const SoundKind kind = SoundKindOf(*bytes);
    switch (kind) {
      case SoundKind::kWave:
        // The system reads these bytes while it plays: they stay here until Stop.
        wave_ = std::move(*bytes);
        return {kind, PlaySoundW(reinterpret_cast<LPCWSTR>(wave_.data()), nullptr,
                                 SND_MEMORY | SND_ASYNC | SND_NODEFAULT) != FALSE};
      case SoundKind::kMidi: {
        // The sequencer plays files only: a temporary copy, kept until the device is closed.
        const bool playing = midi_file_.Write(*bytes) && midi_.Play(midi_file_.path());
        if (!playing) Stop();
        return {kind, playing};
      }
      case SoundKind::kUnknown:
        break;
    }
    return {};
  }

  // Stopped before anything is freed: a sound playing from memory reads it until then.
  void Stop() {
    if (!wave_.empty()) {
      PlaySoundW(nullptr, nullptr, 0);
      std::string().swap(wave_);
    }
    midi_.Close();
    midi_file_.Remove();
  }

 private:
  std::string wave_;
  TempFile midi_file_;
  MidiSequence midi_;  // after the file: closed before the file is removed
};

NotificationSound& Sound() {
  static NotificationSound sound;
  return sound;
}

}  // namespace

SoundStart PlayNotificationSound(const std::wstring& path) { return Sound().Play(path); }

void StopNotificationSound() { Sound().Stop(); }

}  // namespace velmora::win
