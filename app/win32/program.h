// The real implementation of every interface RunSetup calls, composed once: the entry point runs
// the program with it, and the paint-count benchmark with its message loop counted. Only objects
// are made here; nothing reaches a delay-loaded library before SetupEntry has restricted the DLL
// search path. UI thread only.
#pragma once

#include "app/run_setup.h"
#include "app/win32/accessible.h"
#include "app/win32/pipeline.h"
#include "app/win32/window.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_startup_calls.h"
#include "platform/win32/win32_window_api.h"

struct Win32Program {
  explicit Win32Program(InstanceHandle instance) : resources(instance) {}
  Win32Program(const Win32Program&) = delete;
  Win32Program& operator=(const Win32Program&) = delete;

  SetupPlatform Platform() { return Platform(loop); }
  // The same with another message loop in place of the real one.
  SetupPlatform Platform(MessageLoopApi& messageLoop) {
    return SetupPlatform{hardening,   resources,         locale,
                         factories,   mainWindow,        windowCalls,
                         messageLoop, pipeline.Worker(), pipeline.Stages()};
  }

  // First, so that it goes last: the COM apartment a screen reader may have started ends after
  // everything else.
  AccessibilityLifetime accessibility;
  Win32HardeningApi hardening;
  const Win32ResourceApi resources;
  const Win32LocaleApi locale;
  Win32GraphicsFactoryApi factories;
  Win32MainWindowApi mainWindow;
  Win32WindowApi windowCalls;
  Win32MessageLoopApi loop;
  Win32Pipeline pipeline;
};
