// The launch stage on the real CreateProcessW, with the stand-in installer
// (tests/e2e/installer/test_installer.cpp), which records how it was started.
#include <windows.h>

#include <vector>

#include "pipeline/setup_messages.h"
#include "tests/win32/harness.h"
#include "tests/win32/pipeline_services.h"

namespace {

// The setup's command line is the test's to choose; everything else is the real process API.
class ScriptedCommandLine final : public ProcessApi {
 public:
  std::u16string GetCommandLineW() override { return line; }
  bool CreateProcessW(const std::u16string& application, std::u16string& commandLine,
                      const std::u16string& directory, ProcessHandle& process,
                      ProcessHandle& thread, std::uint32_t& error) override {
    return real.CreateProcessW(application, commandLine, directory, process, thread, error);
  }
  std::uint32_t WaitForInputIdle(ProcessHandle process, std::uint32_t ms) override {
    return real.WaitForInputIdle(process, ms);
  }
  std::uint32_t WaitForSingleObject(ProcessHandle process, std::uint32_t ms) override {
    return real.WaitForSingleObject(process, ms);
  }
  bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& code) override {
    return real.GetExitCodeProcess(process, code);
  }
  void CloseHandle(ProcessHandle handle) override { real.CloseHandle(handle); }

  std::u16string line;
  Win32ProcessApi real;
};

HWND MessageWindow() {
  static HWND window = MakeMessageWindow(L"VorneLaunchTest");
  return window;
}

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct Launch {
  explicit Launch(const std::u16string& setupLine, const char16_t* program = u"test_installer.exe")
      : stages(StageServices{files, http, security, trust, processes},
               StageSettings{u"localhost", u"", ""}),
        worker(reinterpret_cast<WindowHandle>(MessageWindow()),
               WorkerPlatform{poster, threads, files, http}, stages) {
    processes.line = setupLine;
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    worker.stagingDir = FromWide(temp) + u"VorneLaunch Test." +
                        FromWide(std::to_wstring(::GetCurrentProcessId()).c_str()) + u"." +
                        FromWide(std::to_wstring(++counter).c_str());
    ::CreateDirectoryW(WidePtr(worker.stagingDir), nullptr);
    worker.installerPath = worker.stagingDir + u"\\VorneSandboxInstall.exe";
    record = worker.stagingDir + u".record.txt";
    // build/mingw/tests/e2e/, seen from build/mingw/tests/win32/.
    CHECK(::CopyFileW(WidePtr(ProgramFolder() + u"..\\e2e\\" + program),
                      WidePtr(worker.installerPath), FALSE));
    ::SetEnvironmentVariableW(L"VORNE_TEST_RECORD", WidePtr(record));
  }
  ~Launch() {
    worker.verifiedFile.reset();
    ::DeleteFileW(WidePtr(worker.installerPath));
    ::DeleteFileW(WidePtr(record));
    ::RemoveDirectoryW(WidePtr(worker.stagingDir));
  }

  // Runs the stage on this thread and collects what it posted.
  std::vector<Posted> Run() {
    stages.LaunchInstaller(worker);
    std::vector<Posted> posted;
    MSG msg;
    while (::PeekMessageW(&msg, MessageWindow(), 0, 0, PM_REMOVE)) {
      posted.push_back(Posted{msg.message, msg.wParam, msg.lParam});
    }
    return posted;
  }

  // One value of the installer's record.
  std::u16string Recorded(const std::u16string& key) {
    const std::u16string text = ReadWholeFile(record);
    const std::u16string prefix = key + u"=";
    std::size_t at = text.rfind(u"\n" + prefix);
    at = text.compare(0, prefix.size(), prefix) == 0 ? 0
                                                     : (at == std::u16string::npos ? at : at + 1);
    if (at == std::u16string::npos) {
      return u"<missing>";
    }
    const std::size_t end = text.find(u'\n', at);
    return text.substr(at + prefix.size(), end - at - prefix.size());
  }

  Win32MessagePoster poster;
  Win32ThreadApi threads;
  Win32FileApi files;
  Win32HttpApi http;
  Win32SecurityApi security;
  Win32TrustApi trust;
  ScriptedCommandLine processes;
  InstallerStages stages;
  SetupWorker worker;
  std::u16string record;
};

void CheckStartedAndEnded(const std::vector<Posted>& posted, std::uint32_t exitCode) {
  CHECK_EQ(posted.size(), 3);
  if (posted.size() == 3) {
    CHECK_EQ(posted[0].message, WM_SETUP_STARTING);
    CHECK_EQ(posted[1].message, WM_SETUP_HIDE);
    CHECK_EQ(posted[2].message, WM_SETUP_EXIT);
    CHECK_EQ(static_cast<std::uint32_t>(posted[2].wParam), exitCode);
  }
}

WINE_TEST(ExitCodesPassThroughUnchanged) {
  for (std::uint32_t code : {0u, 3010u, 1602u, 0x80004005u}) {
    Launch l(u"\"C:\\dl\\VorneSandboxSetup.exe\" /exit=" + FromWide(std::to_wstring(code).c_str()));
    CheckStartedAndEnded(l.Run(), code);
  }
}

WINE_TEST(TheInstallerGetsItsQuotedPathTheTailAndTheStagingDirectory) {
  const std::u16string tail = u"/exit=7 /D=\"C:\\Program Files\\VORNE Sandbox\"\t\"a b\" \\\"q\\\"";
  Launch l(u"\"C:\\dl\\VorneSandboxSetup.exe\"  \t" + tail);
  CheckStartedAndEnded(l.Run(), 7);
  CHECK(l.Recorded(u"command_line") == u"\"" + l.worker.installerPath + u"\" " + tail);
  CHECK(l.Recorded(u"current_directory") == l.worker.stagingDir);
  CHECK(l.Recorded(u"own_path") == l.worker.installerPath);
}

WINE_TEST(AnEmptyTailLeavesOnlyTheQuotedPath) {
  Launch l(u"VorneSandboxSetup.exe   ");
  CheckStartedAndEnded(l.Run(), 0);
  CHECK(l.Recorded(u"command_line") == u"\"" + l.worker.installerPath + u"\"");
}

WINE_TEST(TheHeldFileCannotBeDeletedByTheInstallerWhileItRuns) {
  Launch held(u"Setup.exe");
  std::uint32_t error = 0;
  // As after the signature check: open for reading, shared for reading only.
  held.worker.verifiedFile.reset(held.files.CreateFileW(held.worker.installerPath, kGenericRead,
                                                        kFileShareRead, kOpenExisting, error));
  CHECK(held.worker.verifiedFile.get() != 0);
  CheckStartedAndEnded(held.Run(), 0);
  CHECK(held.Recorded(u"delete_probe") == u"32");

  Launch free(u"Setup.exe");
  CheckStartedAndEnded(free.Run(), 0);
  CHECK(free.Recorded(u"delete_probe") == u"0");  // the probe does prove the hold
}

WINE_TEST(AFileThatIsNotAProgramIsALaunchFailure) {
  Launch l(u"Setup.exe");
  HANDLE file = ::CreateFileW(WidePtr(l.worker.installerPath), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, "not a program", 13, &written, nullptr);
  ::CloseHandle(file);
  const std::vector<Posted> posted = l.Run();
  CHECK_EQ(posted.size(), 2);
  if (posted.size() == 2) {
    CHECK_EQ(posted[0].message, WM_SETUP_STARTING);
    CHECK_EQ(posted[1].message, WM_SETUP_FAILED);
    CHECK_EQ(posted[1].wParam, static_cast<WPARAM>(FailureKind::LaunchFailed));
    std::printf("  not a program: error %ld\n", static_cast<long>(posted[1].lParam));
    CHECK_EQ(static_cast<std::uint32_t>(posted[1].lParam), ERROR_BAD_EXE_FORMAT);
  }
}

}  // namespace
