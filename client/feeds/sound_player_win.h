// The new-item sound: the chosen file is read whole and played once, never waited for. A wave file
// plays from memory; a MIDI file through the system's sequencer. Each new sound stops the one
// before. An unreadable file, or one that is neither, is silent.
//
// UI thread only: the bytes being played and the sequencer device are process-wide and are let go
// only after the sound that uses them has been stopped.
#pragma once
#include <string>

#include "feeds/sound_kind.h"

namespace velmora::win {

struct SoundStart {
  SoundKind kind = SoundKind::kUnknown;  // what the file held (kUnknown: unreadable or neither)
  bool playing = false;                  // the system accepted it and plays it now
};

// `path` is a full path.
SoundStart PlayNotificationSound(const std::wstring& path);

// Stops the sound (if any) and lets its bytes and temporary file go.
void StopNotificationSound();

}  // namespace velmora::win
