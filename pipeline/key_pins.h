// Signer key pins: base64 SHA-256 digests of a certificate's DER SubjectPublicKeyInfo, as
//   openssl pkey -in KEY -pubout -outform DER | openssl dgst -sha256 -binary | base64
// prints them, several in one text separated by semicolons (a vendor rotating keys pins both).
#pragma once

#include <string>
#include <string_view>

#include "platform/trust_api.h"

// The 44 characters of base64 (with its one "=") that stand for `digest`.
std::string KeyPinText(const KeyDigest& digest);

// True when `digest` is one of the pins. Entries are compared as text with the digest's own
// encoding, so an entry that is not a well-formed pin matches nothing: a bad list fails closed.
bool KeyPinsContain(std::string_view pins, const KeyDigest& digest);

// True when every entry is a canonical pin: 43 base64 characters whose last one leaves the 2
// unused bits zero, then "="; no empty entry. An empty text (no pins) is well formed.
constexpr bool IsWellFormedKeyPinList(std::string_view pins) {
  if (pins.empty()) {
    return true;
  }
  constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  constexpr std::string_view kLastCharacters = "AEIMQUYcgkosw048";
  std::size_t start = 0;
  while (true) {
    const std::size_t end = pins.find(';', start);
    const std::string_view pin =
        pins.substr(start, end == std::string_view::npos ? end : end - start);
    if (pin.size() != 44 || pin[43] != '=' ||
        kLastCharacters.find(pin[42]) == std::string_view::npos) {
      return false;
    }
    for (std::size_t i = 0; i < 42; ++i) {
      if (kAlphabet.find(pin[i]) == std::string_view::npos) {
        return false;
      }
    }
    if (end == std::string_view::npos) {
      return true;
    }
    start = end + 1;
  }
}
