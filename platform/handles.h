// Windows handles as they cross into the portable code: plain integers of pointer width, owned by
// the platform side. 0 is "no handle" for all of them.
#pragma once

#include <cstdint>

using WindowHandle = std::uintptr_t;    // HWND
using HttpHandle = std::uintptr_t;      // HINTERNET
using FileHandle = std::uintptr_t;      // HANDLE of a file
using ProcessHandle = std::uintptr_t;   // HANDLE of a process or thread
using InstanceHandle = std::uintptr_t;  // HINSTANCE of the program

// INVALID_HANDLE_VALUE, which CreateFileW and friends return on failure. The portable code treats
// it as "no handle" the moment it receives one, so only one empty value travels further.
inline constexpr std::uintptr_t kInvalidHandleValue = ~std::uintptr_t{0};

inline constexpr std::uintptr_t NormalizeHandle(std::uintptr_t handle) {
  return handle == kInvalidHandleValue ? 0 : handle;
}
