// Which notification sound files play, and how: decided from the bytes, and only when a wave
// file's declared chunks lie inside what was read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "feeds/sound_kind.h"
#include "toolkit/alert_sound.h"

namespace velmora {
namespace {

std::string U32(uint32_t v) {
  return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char((v >> 24) & 0xFF)};
}

std::string Chunk(const std::string& id, const std::string& body, uint32_t declared) {
  std::string out = id + U32(declared) + body;
  if (body.size() % 2) out += '\0';
  return out;
}
std::string Chunk(const std::string& id, const std::string& body) { return Chunk(id, body, uint32_t(body.size())); }

std::string Riff(const std::string& form, const std::string& chunks) { return "RIFF" + U32(uint32_t(4 + chunks.size())) + form + chunks; }

const std::string kFormat = Chunk("fmt ", std::string(16, '\1'));
const std::string kData = Chunk("data", std::string(100, '\0'));
const std::string kMidiHeader = std::string("MThd") + U32(0x06000000) + std::string("\0\0\0\1\0\x60", 6);

TEST(SoundKind, DecidedFromTheBytes) {
  std::string truncated = AlertSoundWave();
  truncated.resize(truncated.size() - 100);
  std::string huge_riff = Riff("WAVE", kFormat + kData);
  huge_riff.replace(4, 4, U32(0x7FFFFFF0));
  std::string oversized(kMaxSoundFileBytes + 1, '\0');
  oversized.replace(0, 4, "MThd");

  const struct {
    const char* name;
    std::string bytes;
    SoundKind kind;
  } cases[] = {
      {"the built-in chime", AlertSoundWave(), SoundKind::kWave},
      {"format and data", Riff("WAVE", kFormat + kData), SoundKind::kWave},
      {"an odd chunk padded before the data", Riff("WAVE", kFormat + Chunk("LIST", "abc") + kData), SoundKind::kWave},
      {"bytes after the RIFF end", Riff("WAVE", kFormat + kData) + "trailing", SoundKind::kWave},
      {"standard MIDI", kMidiHeader + "MTrk", SoundKind::kMidi},
      {"MIDI in RIFF", Riff("RMID", Chunk("data", kMidiHeader)), SoundKind::kMidi},
      {"empty", "", SoundKind::kUnknown},
      {"RIFF alone", "RIFF", SoundKind::kUnknown},
      {"another RIFF form", Riff("AVI ", kData), SoundKind::kUnknown},
      {"lower-case riff", "riff" + Riff("WAVE", kFormat + kData).substr(4), SoundKind::kUnknown},
      {"an MP3", std::string("ID3\3\0\0\0\0\0\0", 10) + std::string(50, '\xFF'), SoundKind::kUnknown},
      {"text", "music.wav", SoundKind::kUnknown},
      {"truncated wave", truncated, SoundKind::kUnknown},
      {"RIFF size beyond the bytes", huge_riff, SoundKind::kUnknown},
      {"data size beyond the RIFF", Riff("WAVE", kFormat + Chunk("data", std::string(100, '\0'), 0x40000000)),
       SoundKind::kUnknown},
      {"chunk header cut off", Riff("WAVE", kFormat + kData + "da"), SoundKind::kUnknown},
      {"no data chunk", Riff("WAVE", kFormat), SoundKind::kUnknown},
      {"no format chunk", Riff("WAVE", kData), SoundKind::kUnknown},
      {"RIFF size below its form", "RIFF" + U32(2) + "WAVE" + kFormat + kData, SoundKind::kUnknown},
      {"over the size limit", oversized, SoundKind::kUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(SoundKindOf(c.bytes), c.kind) << c.name;
}

// The sound shipped in the program's music folder (client/resources/make_sound.py): a wave the
// program plays, 16-bit PCM mono, audible, unclipped, and silent at both ends (no click).
TEST(SoundKind, TheShippedDefaultSoundIsAPlayableWave) {
  std::ifstream in(std::string(VELMORA_ARTWORK_DIR) + "/music/music.wav", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 44u);
  EXPECT_EQ(SoundKindOf(bytes), SoundKind::kWave);
  const auto u16 = [&](size_t at) { return unsigned(uint8_t(bytes[at])) | unsigned(uint8_t(bytes[at + 1])) << 8; };
  ASSERT_EQ(bytes.substr(12, 4), "fmt ");
  EXPECT_EQ(u16(20), 1u);   // PCM
  EXPECT_EQ(u16(22), 1u);   // mono
  EXPECT_EQ(u16(34), 16u);  // bits per sample
  ASSERT_EQ(bytes.substr(36, 4), "data");
  std::vector<int> samples;
  for (size_t at = 44; at + 1 < bytes.size(); at += 2) samples.push_back(int16_t(u16(at)));
  ASSERT_GT(samples.size(), 11025u);  // at least half a second
  EXPECT_EQ(samples.front(), 0);
  EXPECT_EQ(samples.back(), 0);
  int peak = 0;
  for (int v : samples) peak = std::max(peak, std::abs(v));
  EXPECT_GT(peak, 8000);
  EXPECT_LT(peak, 32000);
}

}  // namespace
}  // namespace velmora
