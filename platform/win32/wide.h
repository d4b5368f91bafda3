// The portable code keeps UTF-16 text in std::u16string; on Windows wchar_t is the same 16-bit
// code unit, so the buffers are handed to the W functions as they are.
#pragma once

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline const wchar_t* WidePtr(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
