#include "pipeline/key_pins.h"

#include <cstddef>
#include <cstdint>

std::string KeyPinText(const KeyDigest& digest) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve(44);
  std::size_t i = 0;
  for (; i + 3 <= digest.size(); i += 3) {
    const std::uint32_t group =
        (std::uint32_t{digest[i]} << 16) | (std::uint32_t{digest[i + 1]} << 8) | digest[i + 2];
    text += kAlphabet[(group >> 18) & 0x3F];
    text += kAlphabet[(group >> 12) & 0x3F];
    text += kAlphabet[(group >> 6) & 0x3F];
    text += kAlphabet[group & 0x3F];
  }
  // 32 bytes leave two: three characters and one "=".
  const std::uint32_t group =
      (std::uint32_t{digest[i]} << 16) | (std::uint32_t{digest[i + 1]} << 8);
  text += kAlphabet[(group >> 18) & 0x3F];
  text += kAlphabet[(group >> 12) & 0x3F];
  text += kAlphabet[(group >> 6) & 0x3F];
  text += '=';
  return text;
}

bool KeyPinsContain(std::string_view pins, const KeyDigest& digest) {
  const std::string wanted = KeyPinText(digest);
  std::size_t start = 0;
  while (start <= pins.size()) {
    const std::size_t end = pins.find(';', start);
    const std::string_view pin =
        pins.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (pin == wanted) {
      return true;
    }
    if (end == std::string_view::npos) {
      break;
    }
    start = end + 1;
  }
  return false;
}
