// The four stages the pipeline driver runs, in this order, on the worker thread. The installer's
// real stages implement this over the platform; the driver's tests script it.
#pragma once

#include <cstdint>

#include "pipeline/download_result.h"

class SetupWorker;

class PipelineStages {
 public:
  // True when worker.stagingDir and worker.installerPath are set; otherwise false with `error` set.
  virtual bool CreateStagingDirectory(SetupWorker& worker, std::uint32_t& error) = 0;
  // One attempt: over TLS on port 443 when `secure`, else plain HTTP on port 80. `error` is set
  // with DownloadResult::Failed, and also with DownloadResult::Cancelled when the cancel made a
  // send, receive or read fail (the driver reports no cancel, so that code is never shown); a
  // cancel seen right after a request is published or after a written chunk leaves it as it was,
  // and so does DownloadResult::Completed.
  virtual DownloadResult Download(SetupWorker& worker, bool secure, std::uint32_t& error) = 0;
  // True when the staged file's signature is trusted. Leaves the file open in worker.verifiedFile
  // (also on failure, until the driver closes it); `error` := the check's result.
  virtual bool VerifySignature(SetupWorker& worker, std::uint32_t& error) = 0;
  // Starts the installer and waits for it; reports only by posting its own messages.
  virtual void LaunchInstaller(SetupWorker& worker) = 0;

 protected:
  ~PipelineStages() = default;
};
