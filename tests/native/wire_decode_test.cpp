// Wire decoding of long answers, against a plain group-by-group decoder: the fast path takes
// sixteen digits at a time, so corruption, "0x" groups, short tails and key wrap-around are placed
// at every position of those blocks.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "gateway/wire_codec.h"

namespace velmora {
namespace {

// The decoding rules written out simply: groups of four digits, a short last group as it is,
// "0x" allowed before a group's digits, any other non-digit rejects the whole answer.
std::optional<std::string> ReferenceDecode(std::string_view wire, const WireKey& key) {
  std::string out;
  size_t k = 0;
  for (size_t pos = 0; pos < wire.size(); pos += 4) {
    std::string_view group = wire.substr(pos, 4);
    if (group.size() > 2 && group[0] == '0' && (group[1] == 'x' || group[1] == 'X')) group.remove_prefix(2);
    unsigned v = 0;
    for (char c : group) {
      unsigned d;
      if (c >= '0' && c <= '9') d = unsigned(c - '0');
      else if (c >= 'a' && c <= 'f') d = unsigned(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') d = unsigned(c - 'A' + 10);
      else return std::nullopt;
      v = v << 4 | d;
    }
    const unsigned y = v ^ key.Xors()[k];
    if (y > 0xFF) out.push_back(char(y >> 8));
    out.push_back(char(y & 0xFF));
    k = (k + 1) % key.Xors().size();
  }
  return out;
}

std::string RandomText(std::mt19937& rng, size_t bytes) {
  std::string text;
  while (text.size() < bytes) {
    switch (rng() % 3) {
      case 0: text.push_back(char('a' + rng() % 26)); break;
      case 1: text.push_back(char(0xB0 + rng() % 0x48)); text.push_back(char(0xA1 + rng() % 0x5E)); break;
      default: text.push_back(char(rng() % 256)); break;
    }
  }
  return text;
}

TEST(WireDecode, LongAnswersDecodeAsGroupByGroup) {
  // Bytes just outside the digit and letter ranges, and high bytes that read as negative.
  const std::string kNotDigits = std::string("/:@G`g x\r\n\x10\x19\x7F\x80\xB0\xFF", 16) + std::string(1, '\0');
  std::mt19937 rng(20240611);
  int rejected = 0, accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    const auto key = *WireKey::FromDigits(std::to_string(rng()).substr(0, 1 + rng() % 10));
    std::string wire = EncodeWire(RandomText(rng, rng() % 120), key);
    switch (round % 7) {
      case 0: break;  // as encoded
      case 6:         // any digits: groups no encoder writes, such as 0100 or 7FFF
        for (char& c : wire) c = "0123456789ABCDEFabcdef"[rng() % 22];
        break;
      case 1:         // lower-case digits here and there
        for (char& c : wire) if (c >= 'A' && c <= 'F' && rng() % 2) c = char(c - 'A' + 'a');
        break;
      case 2:  // a one-byte character's group spelt "0x.."
        for (size_t g = 0; g + 4 <= wire.size(); g += 4) {
          if (wire.compare(g, 2, "00") == 0 && rng() % 3 == 0) wire[g + 1] = rng() % 2 ? 'x' : 'X';
        }
        break;
      case 3:  // a short last group
        if (!wire.empty()) wire.resize(wire.size() - 1 - rng() % 3);
        break;
      default:  // one corrupt character anywhere
        if (!wire.empty()) wire[rng() % wire.size()] = kNotDigits[rng() % kNotDigits.size()];
        break;
    }
    const auto expected = ReferenceDecode(wire, key);
    ASSERT_EQ(TryDecodeWire(wire, key), expected) << "round " << round << ", wire " << wire;
    ++(expected ? accepted : rejected);
  }
  EXPECT_GT(rejected, 500);  // both outcomes were exercised
  EXPECT_GT(accepted, 1500);
}

TEST(WireDecode, CorruptionInTheLastBlockOrAfterManyGoodOnes) {
  const auto key = *WireKey::FromDigits("58304172");
  std::mt19937 rng(5);
  const std::string text = RandomText(rng, 4000);
  const std::string wire = EncodeWire(text, key);
  ASSERT_EQ(TryDecodeWire(wire, key), text);
  for (size_t pos : {size_t(0), size_t(15), size_t(16), wire.size() / 2 + 7, wire.size() - 17, wire.size() - 1}) {
    std::string bad = wire;
    bad[pos] = 'g';
    EXPECT_EQ(TryDecodeWire(bad, key), std::nullopt) << "at " << pos;
  }
}

}  // namespace
}  // namespace velmora
