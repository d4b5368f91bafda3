// Every Windows service the worker and its stages use, in one object the entry point makes.
#pragma once

#include "pipeline/installer_stages.h"
#include "pipeline/setup_worker.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_security.h"
#include "platform/win32/win32_threads.h"
#include "platform/win32/win32_trust.h"

// Made once by the entry point, on the UI thread, and kept until the worker is gone:
//   Win32Pipeline pipeline;
//   SetupWorker worker(hwnd, pipeline.Worker(), pipeline.Stages());
class Win32Pipeline {
 public:
  // The vendor's download host and signer as fixed by the build.
  Win32Pipeline();
  // Other values, for test programs only.
  explicit Win32Pipeline(StageSettings settings);
  Win32Pipeline(const Win32Pipeline&) = delete;
  Win32Pipeline& operator=(const Win32Pipeline&) = delete;

  // For SetupWorker's constructor.
  WorkerPlatform Worker() { return WorkerPlatform{poster_, threads_, files_, http_}; }
  // The real stages.
  PipelineStages& Stages() { return stages_; }

 private:
  Win32MessagePoster poster_;
  Win32ThreadApi threads_;
  Win32FileApi files_;
  Win32HttpApi http_;
  Win32SecurityApi security_;
  Win32TrustApi trust_;
  Win32ProcessApi processes_;
  InstallerStages stages_;
};
