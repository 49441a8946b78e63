#include "feeds/sound_kind.h"

#include <cstdint>

namespace velmora {
namespace {

uint32_t ReadU32(std::string_view bytes, size_t at) {
  const auto byte = [&](size_t i) { return uint32_t(static_cast<unsigned char>(bytes[at + i])); };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

constexpr size_t kChunkHeader = 8;  // four-character id, 32-bit little-endian size

// "RIFF" <size> <form> and then chunks up to 8 + size, each padded to an even length.
bool ChunksInside(std::string_view bytes, bool& has_format, bool& has_data) {
  if (bytes.size() < 12) return false;
  const uint64_t riff_end = uint64_t(ReadU32(bytes, 4)) + kChunkHeader;
  if (riff_end > bytes.size() || riff_end < 12) return false;
  uint64_t at = 12;
  while (at < riff_end) {
    if (at + kChunkHeader > riff_end) return false;
    const std::string_view id = bytes.substr(size_t(at), 4);
    const uint64_t body = ReadU32(bytes, size_t(at) + 4);
    const uint64_t body_end = at + kChunkHeader + body;
    if (body_end > riff_end) return false;
    if (id == "fmt ") has_format = true;
    if (id == "data") has_data = true;
    at = body_end + (body & 1);
  }
  return true;
}

}  // namespace

SoundKind SoundKindOf(std::string_view bytes) {
  if (bytes.size() > kMaxSoundFileBytes) return SoundKind::kUnknown;
  if (bytes.substr(0, 4) == "MThd") return SoundKind::kMidi;
  if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF") return SoundKind::kUnknown;
  const std::string_view form = bytes.substr(8, 4);
  if (form == "RMID") return SoundKind::kMidi;  // the sequencer reads RIFF MIDI itself
  if (form != "WAVE") return SoundKind::kUnknown;
  bool has_format = false, has_data = false;
  if (!ChunksInside(bytes, has_format, has_data) || !has_format || !has_data) return SoundKind::kUnknown;
  return SoundKind::kWave;
}

}  // namespace velmora
