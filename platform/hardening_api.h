// The process-wide hardening the program makes before it loads anything else. UI thread, first
// thing in the process. Both results are ignored: the program runs on either way.
#pragma once

class HardeningApi {
 public:
  // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32): every DLL loaded from now on, the
  // delay-loaded ones included, comes from the system directory.
  virtual void SetDefaultDllDirectories() = 0;
  // HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0).
  virtual void HeapSetInformation() = 0;

 protected:
  ~HardeningApi() = default;
};
