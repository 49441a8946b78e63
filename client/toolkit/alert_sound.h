// The sound both message boxes play when they open: a short two-note chime, kept as a complete
// in-memory WAVE file (PCM, mono, 22,050 Hz, 16 bits) ready for a play-from-memory call.
#pragma once
#include <cstddef>
#include <string>

namespace velmora {

inline constexpr int kAlertSampleRate = 22050;
inline constexpr size_t kAlertSoundBytes = 44136;  // 44-byte header and 22,046 samples

// Built on first use; the same bytes for the life of the process.
const std::string& AlertSoundWave();

}  // namespace velmora
