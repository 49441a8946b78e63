// The wire encoding, the stored-value cipher and the machine identifier, byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "gateway/gateway_client.h"
#include "gateway/machine_id.h"
#include "gateway/md5.h"
#include "gateway/rc4.h"
#include "gateway/wire_codec.h"

namespace velmora {
namespace {

WireKey RequestKey() { return *WireKey::FromDigits("58304172"); }  // XOR values 6 9 4 1 5 2 8 3

TEST(WireCodec, EncodesEachCharacterAsFourDigitsWithTheKeyAdvancingPerCharacter) {
  struct Case {
    std::string text, wire;
  } cases[] = {
      {"", ""},
      {"a", "0067"},                      // 0x61 ^ 6
      {"\t\r\n", "000F0004000E"},         // tab ^ 6, CR ^ 9, LF ^ 4: control characters like any other
      {"上a", "C9C90068"},                // C9CF ^ 6, then 0x61 ^ 9: key digit 2 for the second character
      {"a上", "0067C9C6"},                // the trail byte takes the XOR, the lead byte stays
      {"aaaaaaaaa", "006700680065006000640063006900620067"},  // the ninth character starts the key again
      {"a\x81", "00670088"},              // a lone lead byte at the end: one-byte group, lossless
      {std::string("\0", 1), "0006"},
  };
  for (const auto& c : cases) {
    const std::string wire = EncodeWire(c.text, RequestKey());
    EXPECT_EQ(wire, c.wire) << "text of " << c.text.size() << " bytes";
    EXPECT_EQ(DecodeWire(wire, RequestKey()), c.text);
  }
}

TEST(WireCodec, GroupShapeFollowsCharacterWidth) {
  const std::string text = "预警管理 ABC\t123☆々";
  const std::string wire = EncodeWire(text, RequestKey());
  ASSERT_EQ(wire.size() % 4, 0u);
  size_t pos = 0;
  for (size_t g = 0; g < wire.size(); g += 4) {
    const bool one_byte = static_cast<unsigned char>(text[pos]) < 0x80;
    EXPECT_EQ(wire.substr(g, 2) == "00", one_byte) << "group " << g / 4;
    pos += one_byte ? 1 : 2;
  }
  EXPECT_EQ(pos, text.size());
}

TEST(WireCodec, AnyBytesRoundTrip) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::string text(rng() % 64, '\0');
    for (char& c : text) c = char(rng() & 0xFF);
    const auto key = *WireKey::FromDigits(std::to_string(rng()));
    ASSERT_EQ(DecodeWire(EncodeWire(text, key), key), text);
  }
}

TEST(WireCodec, DecodingAcceptsTheSystemConversionsSpellingsAndRejectsCorruptGroups) {
  struct Case {
    std::string wire;
    std::optional<std::string> text;
  } cases[] = {
      {"c9c90068", std::string("上a")},   // lower-case digits
      {"0x670068", std::string("aa")},   // a "0x" prefix inside a group
      {"006700", std::string("a\x09", 2)},  // short last group parsed as it is: 0x00 ^ 9
      {"00G7", std::nullopt},
      {"0067zz", std::nullopt},
      {"0067 068", std::nullopt},
      {"-067", std::nullopt},
      {"0067" "0x", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TryDecodeWire(c.wire, RequestKey()), c.text) << c.wire;
  EXPECT_EQ(DecodeWire("00G7", RequestKey()), "");
}

TEST(WireCodec, KeyMustBeDigits) {
  EXPECT_FALSE(WireKey::FromDigits(""));
  EXPECT_FALSE(WireKey::FromDigits("1234a678"));
  EXPECT_EQ(WireKey::FromDigits("09")->Xors(), (std::vector<uint8_t>{1, 10}));
}

TEST(RequestKey, BuiltInKeyIsHiddenInMemoryAndRevealsIntact) {
  EXPECT_EQ(BuiltInRequestKey(), "58304172");
  const HiddenKey hidden(BuiltInRequestKey());
  EXPECT_NE(hidden.MaskedBytes(), "58304172");
  EXPECT_EQ(hidden.Reveal()->Xors(), RequestKey().Xors());
}

TEST(Md5, Rfc1321TestSuite) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [in, digest] : cases) EXPECT_EQ(Md5Hex(in), digest) << in;
  // Fed in pieces across block boundaries, the digest is the same.
  Md5 md5;
  const std::string long_text = cases[6].first;
  md5.Update(long_text.substr(0, 3));
  md5.Update(long_text.substr(3, 61));
  md5.Update(long_text.substr(64));
  const auto digest = md5.Finish();
  EXPECT_EQ(digest[0], 0x57);
  EXPECT_EQ(digest[15], 0x7a);
}

// The service's deny list holds identifiers made by earlier builds: every part must keep its
// bytes, high bytes (GBK serials, MAC octets) taken as unsigned.
TEST(MachineId, PartsKeepTheirBytes) {
  const std::pair<std::string, std::string> disks[] = {
      {"", ""},
      {"a", "3826002220"},  // the published FNV-1a vector 0xE40C292C
      {"WD-WCC4N1234567", "233126314"},
      {"\xB4\xC5\xC5\xCC", "2364583675"},  // a GBK serial
      {"\xFF", "2047574606"},
  };
  for (const auto& [serial, number] : disks) EXPECT_EQ(DiskNumberText(serial), number) << serial;

  const unsigned char mac[] = {0x00, 0x1A, 0x2B, 0xFE, 0x4D, 0x5E};
  EXPECT_EQ(MacText(mac, sizeof mac), "00-1A-2B-FE-4D-5E");
  EXPECT_EQ(ComposeMachineId("BFEBFBFF000906EA", "233126314", "00-1A-2B-3C-4D-5E"), "9E70D88235AF028F");
}

TEST(Rc4, PublishedTestVectors) {
  const struct {
    std::string key, plain, cipher_hex;
  } cases[] = {
      {"Key", "Plaintext", "BBF316E8D940AF0AD3"},
      {"Wiki", "pedia", "1021BF0420"},
      {"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
  };
  for (const auto& c : cases) {
    std::string bytes = c.plain;
    Rc4(c.key).Apply(bytes);
    std::string hex;
    for (unsigned char b : bytes) {
      char part[3];
      std::snprintf(part, sizeof part, "%02X", b);
      hex += part;
    }
    EXPECT_EQ(hex, c.cipher_hex) << c.key;
  }
}

TEST(Rc4Hex, StoredValuesUseAZeroKeyAndUpperCaseHex) {
  const std::pair<std::string, std::string> cases[] = {
      {"123456", "EF2ABA759601"},
      {"管理员", "67C449AC7786"},
      {"http://127.0.0.1:8080/", "B66CFD319918720BB8313057795EBC5CFD224F9BC0E3"},
      {"", ""},
  };
  for (const auto& [text, hex] : cases) {
    EXPECT_EQ(Rc4HexEncode(text), hex);
    EXPECT_EQ(Rc4HexDecode(hex), text);
  }
  EXPECT_EQ(Rc4HexDecode("ef2aba759601"), "123456");
}

TEST(Rc4Hex, DecodingEndsAtTheFirstZeroByteAndRejectsCorruptText) {
  EXPECT_EQ(Rc4HexDecode(Rc4HexEncode(std::string("ab\0cd", 5))), "ab");
  EXPECT_FALSE(TryRc4HexDecode("EF2"));
  EXPECT_FALSE(TryRc4HexDecode("EF2G"));
  EXPECT_FALSE(TryRc4HexDecode(" EF2A"));
  EXPECT_EQ(Rc4HexDecode("EF2"), "");
}

}  // namespace
}  // namespace velmora
