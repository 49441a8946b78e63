// Throughput of the gateway codec and of answer splitting, each beside memcpy of the same bytes.
// Every codec benchmark reports bytes/second and "vs_memcpy": its speed as a fraction of memcpy's
// over the same number of bytes, memcpy being timed in this same run.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "gateway/gateway_client.h"
#include "gateway/rc4.h"
#include "gateway/result_rows.h"
#include "gateway/wire_codec.h"

namespace velmora {
namespace {

constexpr size_t kTextBytes = size_t(1) << 20;
constexpr int kResultRows = 10000;

// A fixed generator, so every run measures the same texts.
class Lcg {
 public:
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return uint32_t(state_ >> 33);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint64_t state_ = 0x5EED;
};

void AppendChinese(std::string& s, Lcg& rng) {
  s.push_back(char(0xB0 + rng.Below(0xF7 - 0xB0 + 1)));
  s.push_back(char(0xA1 + rng.Below(0xFE - 0xA1 + 1)));
}

// 1 MiB of what statements and answers hold: ASCII words, runs of Chinese characters, numbers,
// punctuation and the answer separators.
const std::string& MixedText() {
  static const std::string text = [] {
    Lcg rng;
    std::string s;
    s.reserve(kTextBytes + 64);
    while (s.size() < kTextBytes) {
      switch (rng.Below(4)) {
        case 0:
          for (uint32_t n = 3 + rng.Below(10); n > 0; --n) s.push_back(char('a' + rng.Below(26)));
          break;
        case 1:
          for (uint32_t n = 1 + rng.Below(6); n > 0; --n) AppendChinese(s, rng);
          break;
        case 2:
          for (uint32_t n = 1 + rng.Below(8); n > 0; --n) s.push_back(char('0' + rng.Below(10)));
          break;
        default: {
          static const char* const kSeparators[] = {" ", ",", ":", "'", "=", "\xA1\xA9", "\xA1\xEE", "\r\n"};
          s.append(kSeparators[rng.Below(8)]);
          break;
        }
      }
    }
    s.resize(kTextBytes);  // a Chinese character cut in two leaves a lone lead byte: still valid
    return s;
  }();
  return text;
}

const WireKey& Key() {
  static const WireKey key = *WireKey::FromDigits(BuiltInRequestKey());
  return key;
}

const std::string& WireText() {
  static const std::string wire = EncodeWire(MixedText(), Key());
  return wire;
}

// A query answer of 10,000 rows after the column-name row; every field ends in "々", every row in
// "☆", as the gateway writes them.
const std::string& ResultText() {
  static const std::string text = [] {
    Lcg rng;
    std::string s = "时间々用户名々密码々联系方式々地址々金额々备注々\xA1\xEE";
    for (int row = 1; row <= kResultRows; ++row) {
      char time[32];
      std::snprintf(time, sizeof time, "2026-%02u-%02u %02u:%02u:%02u", 1 + rng.Below(12), 1 + rng.Below(28),
                    rng.Below(24), rng.Below(60), rng.Below(60));
      std::string name, note;
      for (uint32_t n = 2 + rng.Below(3); n > 0; --n) AppendChinese(name, rng);
      for (uint32_t n = 4 + rng.Below(12); n > 0; --n) AppendChinese(note, rng);
      const std::string fields[] = {time,
                                    name,
                                    Rc4HexEncode("pw" + std::to_string(rng.Next())),
                                    Rc4HexEncode("13" + std::to_string(100000000 + rng.Below(900000000))),
                                    Rc4HexEncode("http://example.net/" + std::to_string(rng.Next())),
                                    std::to_string(rng.Below(100000)),
                                    note};
      for (const std::string& f : fields) s.append(f).append(kFieldSeparator);
      s.append(kRowSeparator);
    }
    return s;
  }();
  return text;
}

// memcpy's bytes per CPU second over `bytes` bytes, timed once per size for the vs_memcpy ratios.
double MemcpyBytesPerSecond(size_t bytes) {
  static std::map<size_t, double> cache;
  if (auto it = cache.find(bytes); it != cache.end()) return it->second;
  std::vector<char> src(bytes, 'x'), dst(bytes);
  const auto cpu_now = [] {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
  };
  for (int warm = 0; warm < 3; ++warm) std::memcpy(dst.data(), src.data(), bytes);
  double best = 0;
  for (int round = 0; round < 5; ++round) {
    int reps = 0;
    const double start = cpu_now();
    double elapsed = 0;
    do {
      std::memcpy(dst.data(), src.data(), bytes);
      benchmark::ClobberMemory();
      ++reps;
    } while ((elapsed = cpu_now() - start) < 0.05);
    best = std::max(best, double(bytes) * reps / elapsed);
  }
  return cache[bytes] = best;
}

// Bytes/second, plus the same speed as a fraction of memcpy's: a rate counter over
// bytes / memcpy's bytes-per-second is exactly that fraction.
void Report(benchmark::State& state, size_t bytes) {
  const double total = double(bytes) * double(state.iterations());
  state.SetBytesProcessed(int64_t(total));
  state.counters["vs_memcpy"] = benchmark::Counter(total / MemcpyBytesPerSecond(bytes), benchmark::Counter::kIsRate);
}

void BM_EncodeWire(benchmark::State& state) {
  const std::string& text = MixedText();
  MemcpyBytesPerSecond(text.size());
  for (auto _ : state) {
    std::string wire = EncodeWire(text, Key());
    benchmark::DoNotOptimize(wire.data());
    benchmark::ClobberMemory();
  }
  Report(state, text.size());
}
BENCHMARK(BM_EncodeWire);

void BM_DecodeWire(benchmark::State& state) {
  const std::string& wire = WireText();
  if (TryDecodeWire(wire, Key()) != MixedText()) {
    state.SkipWithError("decoding does not give the text back");
    return;
  }
  MemcpyBytesPerSecond(wire.size());
  for (auto _ : state) {
    auto text = TryDecodeWire(wire, Key());
    benchmark::DoNotOptimize(text->data());
    benchmark::ClobberMemory();
  }
  Report(state, wire.size());
}
BENCHMARK(BM_DecodeWire);

void BM_SplitResultText(benchmark::State& state) {
  const std::string& result = ResultText();
  MemcpyBytesPerSecond(result.size());
  size_t fields = 0;
  for (auto _ : state) {
    fields = 0;
    for (std::string_view row : SplitRows(result)) fields += SplitFields(row).size();
    benchmark::DoNotOptimize(fields);
  }
  if (fields != size_t(kResultRows + 1) * 7) state.SkipWithError("the answer did not split into 7 fields a row");
  Report(state, result.size());
  state.counters["fields"] = double(fields);
}
BENCHMARK(BM_SplitResultText);

// memcpy of each input's byte count, in the same run, for reading the figures above.
void BM_Memcpy(benchmark::State& state, const std::string& (*input)()) {
  const size_t bytes = input().size();
  std::vector<char> src(input().begin(), input().end()), dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(bytes) * int64_t(state.iterations()));
  state.counters["bytes"] = double(bytes);
}
BENCHMARK_CAPTURE(BM_Memcpy, text_for_encode, MixedText);
BENCHMARK_CAPTURE(BM_Memcpy, wire_for_decode, WireText);
BENCHMARK_CAPTURE(BM_Memcpy, result_for_split, ResultText);

}  // namespace
}  // namespace velmora

BENCHMARK_MAIN();
