#include "toolkit/alert_sound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace velmora {
namespace {

constexpr size_t kHeaderBytes = 44;
constexpr size_t kSampleCount = (kAlertSoundBytes - kHeaderBytes) / 2;
constexpr double kPi = 3.14159265358979323846;

void PutU16(std::string& out, uint32_t v) {
  out += char(v & 0xFF);
  out += char((v >> 8) & 0xFF);
}

void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// One struck note: a soft attack (raised cosine, so it starts at exactly zero), then an
// exponential decay; a quieter octave partial gives it a bell-like colour.
double Note(double t, double start, double frequency, double decay_seconds) {
  const double local = t - start;
  if (local < 0) return 0;
  constexpr double kAttack = 0.006;
  const double attack = local < kAttack ? 0.5 - 0.5 * std::cos(kPi * local / kAttack) : 1.0;
  const double envelope = attack * std::exp(-local / decay_seconds);
  const double phase = 2 * kPi * frequency * local;
  return envelope * (std::sin(phase) + 0.25 * std::sin(2 * phase) * std::exp(-local / 0.08));
}

std::string BuildWave() {
  // A falling major third (E6 then C6), the second note a little after the first.
  std::vector<double> signal(kSampleCount);
  for (size_t i = 0; i < kSampleCount; ++i) {
    const double t = double(i) / kAlertSampleRate;
    signal[i] = Note(t, 0.0, 1318.51, 0.16) + Note(t, 0.20, 1046.50, 0.22);
  }
  // The tail has decayed to near nothing by the end; a short fade takes it to exact silence so the
  // sound never stops with a click.
  const size_t fade = kAlertSampleRate / 20;
  for (size_t k = 0; k < fade; ++k) {
    signal[kSampleCount - 1 - k] *= double(k) / double(fade);
  }
  double peak = 0;
  for (double s : signal) peak = std::max(peak, std::abs(s));
  // Loud enough to notice, well clear of full scale.
  const double scale = peak > 0 ? 0.6 * 32767.0 / peak : 0;

  std::string wave;
  wave.reserve(kAlertSoundBytes);
  const uint32_t data_bytes = uint32_t(kSampleCount * 2);
  wave += "RIFF";
  PutU32(wave, uint32_t(kAlertSoundBytes - 8));
  wave += "WAVE";
  wave += "fmt ";
  PutU32(wave, 16);                    // chunk size
  PutU16(wave, 1);                     // PCM
  PutU16(wave, 1);                     // one channel
  PutU32(wave, kAlertSampleRate);      // samples per second
  PutU32(wave, kAlertSampleRate * 2);  // bytes per second
  PutU16(wave, 2);                     // block align
  PutU16(wave, 16);                    // bits per sample
  wave += "data";
  PutU32(wave, data_bytes);
  for (double s : signal) {
    const long v = std::clamp(std::lround(s * scale), -32768L, 32767L);
    PutU16(wave, uint32_t(uint16_t(int16_t(v))));
  }
  return wave;
}

}  // namespace

const std::string& AlertSoundWave() {
  static const std::string wave = BuildWave();
  return wave;
}

}  // namespace velmora
