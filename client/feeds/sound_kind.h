// What a notification sound file holds, decided from its bytes alone (its name may say anything):
// a RIFF WAVE file plays from memory, a standard MIDI file (or MIDI wrapped in RIFF) through the
// sequencer, anything else stays silent.
//
// The play-from-memory call is given no length: it walks the RIFF chunks by their own size
// fields. So a wave file counts as playable only when every chunk it declares lies inside the
// bytes read and it has the format and data chunks; a truncated or lying file is silent instead
// of being read past its end.
#pragma once
#include <cstddef>
#include <string_view>

namespace velmora {

enum class SoundKind { kUnknown, kWave, kMidi };

// Larger files are not read at all: a notification is a short sound, and reading happens on the
// user-interface thread.
inline constexpr size_t kMaxSoundFileBytes = 16 * 1024 * 1024;

SoundKind SoundKindOf(std::string_view bytes);

}  // namespace velmora
