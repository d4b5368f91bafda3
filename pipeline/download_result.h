#pragma once

#include <cstdint>

// The outcome of one download attempt.
enum class DownloadResult : std::uint32_t {
  Completed = 0,  // the whole file is in installerPath
  Failed = 1,     // the run's error code says why
  Cancelled = 2,  // stopped because cancelRequested was seen
};
