// Signer key pins: the text a digest is compared as, the list's matching and its well-formedness.
#include "pipeline/key_pins.h"

#include <gtest/gtest.h>

#include <string>

namespace {

KeyDigest FromHex(const char* hex) {
  KeyDigest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) {
    digest[i] = static_cast<std::uint8_t>(std::stoi(std::string(hex + 2 * i, 2), nullptr, 16));
  }
  return digest;
}

// SHA-256 of "abc" and of nothing, with their base64 as openssl's `base64` prints them.
const KeyDigest kAbc = FromHex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
constexpr char kAbcPin[] = "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=";
const KeyDigest kEmpty =
    FromHex("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
constexpr char kEmptyPin[] = "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=";

TEST(KeyPinText, IsTheBase64OfTheDigest) {
  EXPECT_EQ(KeyPinText(kAbc), kAbcPin);
  EXPECT_EQ(KeyPinText(kEmpty), kEmptyPin);
  EXPECT_EQ(KeyPinText(KeyDigest{}), "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=");
  KeyDigest ones;
  ones.fill(0xFF);
  EXPECT_EQ(KeyPinText(ones), "//////////////////////////////////////////8=");
}

TEST(KeyPinsContain, MatchesAnyEntryExactly) {
  const std::string both = std::string(kAbcPin) + ";" + kEmptyPin;
  EXPECT_TRUE(KeyPinsContain(kAbcPin, kAbc));
  EXPECT_TRUE(KeyPinsContain(both, kAbc));
  EXPECT_TRUE(KeyPinsContain(both, kEmpty)) << "the second pin: a rotated key";
  EXPECT_FALSE(KeyPinsContain(kEmptyPin, kAbc));
  EXPECT_FALSE(KeyPinsContain("", kAbc));

  KeyDigest oneBitOff = kAbc;
  oneBitOff[31] ^= 0x01;
  EXPECT_FALSE(KeyPinsContain(both, oneBitOff));
}

TEST(KeyPinsContain, AnEntryThatIsNotExactlyAPinMatchesNothing) {
  const std::string pin = kAbcPin;
  for (const std::string& entry : {pin + " ", " " + pin, pin.substr(0, 43), pin + "=",
                                   pin.substr(0, 42) + "1=", std::string(";") + pin.substr(1)}) {
    EXPECT_FALSE(KeyPinsContain(entry, kAbc)) << entry;
  }
  // The base64 alphabet is case-sensitive.
  std::string lower = pin;
  lower[0] = 'U';
  EXPECT_FALSE(KeyPinsContain(lower, kAbc));
}

struct WellFormedCase {
  std::string pins;
  bool wellFormed;
};

TEST(IsWellFormedKeyPinList, AcceptsOnlyCanonicalPinsSeparatedBySemicolons) {
  const std::string a = kAbcPin;
  const std::string b = kEmptyPin;
  const WellFormedCase cases[] = {
      {"", true},
      {a, true},
      {a + ";" + b, true},
      {a + ";", false},  // an empty entry
      {";" + a, false},
      {a + ";;" + b, false},
      {a.substr(0, 43), false},         // no "="
      {a + "=", false},                 // too long
      {a.substr(0, 42) + "B=", false},  // unused bits set: not the encoding of any digest
      {a.substr(0, 41) + "-" + a.substr(42), false},  // the URL-safe alphabet
      {a.substr(0, 41) + "_" + a.substr(42), false},
      {a + " ", false},
      {" " + a, false},
      {a + "," + b, false},
      {"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA==", false},  // 31 bytes
  };
  for (const WellFormedCase& c : cases) {
    EXPECT_EQ(IsWellFormedKeyPinList(c.pins), c.wellFormed) << '"' << c.pins << '"';
  }
  static_assert(IsWellFormedKeyPinList("ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0="));
  static_assert(!IsWellFormedKeyPinList("ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0"));
}

}  // namespace
