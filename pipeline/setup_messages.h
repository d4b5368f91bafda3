// The protocol between the worker thread and the window: the five posted messages, the two
// enumerations they carry and the exit codes. The worker only ever posts; it never waits for the
// UI thread, which may at that moment be blocked joining it.
#pragma once

#include <cstdint>

enum class UiPhase : std::uint32_t {
  Downloading = 0,
  Starting = 1,
  Failed = 2,
};

// wParam of WM_SETUP_FAILED. The failure screen treats any value other than 0 and 1 like
// LaunchFailed, so the window stores the raw value rather than trusting the range.
enum class FailureKind : std::uint32_t {
  DownloadFailed = 0,
  FileDamaged = 1,
  LaunchFailed = 2,
};

inline constexpr std::uint32_t kWmApp = 0x8000;  // WM_APP

// wParam 0, lParam 0. Posted after a chunk was written, only when progressPosted was false.
inline constexpr std::uint32_t WM_SETUP_PROGRESS = kWmApp + 1;
// wParam 0, lParam 0. The signature was accepted; the launch begins.
inline constexpr std::uint32_t WM_SETUP_STARTING = kWmApp + 2;
// wParam 0, lParam 0. The installer is running and reached input idle (or 15 s passed).
inline constexpr std::uint32_t WM_SETUP_HIDE = kWmApp + 3;
// wParam FailureKind, lParam the 32-bit error code. The last message of a failed run.
inline constexpr std::uint32_t WM_SETUP_FAILED = kWmApp + 4;
// wParam the installer's exit code (0 when unreadable), lParam 0.
inline constexpr std::uint32_t WM_SETUP_EXIT = kWmApp + 5;

// The process exit codes the setup decides itself (ERROR_INSTALL_USEREXIT and
// ERROR_INSTALL_FAILURE; named apart from the Windows macros so both headers can meet).
inline constexpr std::uint32_t kExitUserCancelled = 1602;
inline constexpr std::uint32_t kExitSetupFailed = 1603;
