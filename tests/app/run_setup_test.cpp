#include "app/run_setup.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "l10n/ui_language.h"
#include "tests/fakes/fake_resource_api.h"
#include "tests/fakes/forwarding_locale_api.h"
#include "tests/fakes/table_locale_api.h"
#include "tests/ui/window_fixture.h"
#include "ui/setup_window.h"
#include "ui/window_messages.h"

namespace {

constexpr InstanceHandle kInstance = 0x400000;

LoopMessage Msg(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                std::intptr_t lParam) {
  LoopMessage m;
  m.window = window;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  return m;
}

// The start-up calls, logged in the fixture's log; GetMessageW plays a script.
class FakeHardening final : public HardeningApi {
 public:
  explicit FakeHardening(std::vector<std::string>& log) : log_(log) {}
  void SetDefaultDllDirectories() override { log_.push_back("SetDefaultDllDirectories"); }
  void HeapSetInformation() override { log_.push_back("HeapSetInformation"); }

 private:
  std::vector<std::string>& log_;
};

// The first query of the preferred languages shows when the language is chosen; the fixture's
// table prefers German.
class LoggingLocale final : public ForwardingLocaleApi {
 public:
  LoggingLocale(std::vector<std::string>& log, const TableLocaleApi& table)
      : ForwardingLocaleApi(table), log_(log) {}
  bool GetUserPreferredUILanguages(std::uint32_t flags, std::uint32_t* numLanguages,
                                   char16_t* buffer, std::uint32_t* bufferLength) const override {
    if (buffer == nullptr) {
      log_.push_back("ChooseUiLanguage instance " + std::to_string(g_instance));
    }
    return ForwardingLocaleApi::GetUserPreferredUILanguages(flags, numLanguages, buffer,
                                                            bufferLength);
  }

 private:
  std::vector<std::string>& log_;
};

class FakeFactories final : public GraphicsFactoryApi {
 public:
  explicit FakeFactories(std::vector<std::string>& log) : log_(log) {}
  std::int32_t D2D1CreateFactory(ComHolder<ID2D1Factory>& factory) override {
    log_.push_back("D2D1CreateFactory");
    if (d2dResult >= 0) {
      AttachFake(factory, d2d);
    }
    return d2dResult;
  }
  std::int32_t DWriteCreateFactory(ComHolder<IDWriteFactory>& factory) override {
    log_.push_back("DWriteCreateFactory");
    if (writeResult >= 0) {
      AttachFake(factory, write);
    }
    return writeResult;
  }

  std::int32_t d2dResult = 0;
  std::int32_t writeResult = 0;
  FakeComObject d2d{nullptr, "d2dFactory"};
  FakeComObject write{nullptr, "writeFactory"};

 private:
  std::vector<std::string>& log_;
};

// Creation as the system does it: the window's procedure gets WM_NCCREATE before
// CreateWindowExW returns, and finds its state and window calls the way the real one does.
class FakeMainWindow final : public MainWindowApi {
 public:
  explicit FakeMainWindow(std::vector<std::string>& log) : log_(log) {}
  WindowHandle CreateMainWindow(InstanceHandle instance, const std::u16string& title) override {
    SetupWindow* window = g_setupWindow;
    // The record is reachable, with both factories, while the window is being created.
    const bool reachable =
        window != nullptr && g_windowApi != nullptr && window->d2dFactory && window->writeFactory;
    log_.push_back(std::string("CreateMainWindow") + (reachable ? "" : " (state not reachable)") +
                   (instance == kInstance ? "" : " (wrong instance)"));
    this->title = title;
    if (!createWindow) {
      return 0;
    }
    if (reachable) {
      HandleWindowMessage(*window, *g_windowApi, kWindow, kWmNcCreate, 0, 0);
      hwndDuringCreation = window->hwnd;
    }
    return kWindow;
  }

  bool createWindow = true;
  std::u16string title;
  WindowHandle hwndDuringCreation = 0;

 private:
  std::vector<std::string>& log_;
};

class ScriptedLoop final : public MessageLoopApi {
 public:
  explicit ScriptedLoop(std::vector<std::string>& log) : log_(log) {}
  int GetMessageW(LoopMessage& message) override {
    log_.push_back("GetMessageW");
    const std::pair<int, LoopMessage> next = script.front();
    script.pop_front();
    message = next.second;
    return next.first;
  }
  void TranslateMessage(const LoopMessage&) override { log_.push_back("TranslateMessage"); }
  void DispatchMessageW(const LoopMessage& message) override {
    log_.push_back("DispatchMessageW " + std::to_string(message.message));
    if (onDispatch) {
      onDispatch(message);
    }
  }

  std::deque<std::pair<int, LoopMessage>> script;
  std::function<void(const LoopMessage&)> onDispatch;

 private:
  std::vector<std::string>& log_;
};

struct RunSetupTest : testing::Test {
  RunSetupTest() {
    factories.d2d.log = &f.log;
    factories.write.log = &f.log;
    table.SetPreferredLanguages({u"de-DE"});
    resources.SetStrings(0x0409, {{101, u"VORNE Sandbox Setup"}, {113, u""}});
    resources.SetStrings(0x0407, {{101, u"Setup von VORNE Sandbox"}, {113, u""}});
  }
  std::uint32_t Run(int showCommand) {
    return SetupEntry(SetupPlatform{hardening, resources, locale, factories, mainWindow, f.api,
                                    loop, f.workerPlatform, f.stages},
                      kInstance, showCommand);
  }
  void Quit(std::uintptr_t code) { loop.script.push_back({0, Msg(0, kWmQuit, code, 0)}); }

  WindowFixture f;
  FakeHardening hardening{f.log};
  FakeResourceApi resources;
  TableLocaleApi table;
  LoggingLocale locale{f.log, table};
  FakeFactories factories{f.log};
  FakeMainWindow mainWindow{f.log};
  ScriptedLoop loop{f.log};
};

TEST_F(RunSetupTest, StartsRunsAndTearsDownInOrder) {
  loop.script.push_back({1, Msg(kWindow, WM_SETUP_PROGRESS, 0, 0)});
  Quit(3010);
  EXPECT_EQ(Run(0), 3010u);
  EXPECT_EQ(f.log, (std::vector<std::string>{
                       "SetDefaultDllDirectories", "HeapSetInformation",
                       "ChooseUiLanguage instance 4194304", "D2D1CreateFactory",
                       "DWriteCreateFactory", "CreateMainWindow", "DwmSetWindowAttribute 7",
                       "SetWindowPos 7 750 402 420 236 0x14",
                       "ShowWindow 7 1",  // a hidden start still shows the window
                       "SetForegroundWindow 7", "CreateThread", "GetMessageW", "TranslateMessage",
                       "DispatchMessageW 32769", "GetMessageW",
                       // the worker is cancelled and joined before anything is released
                       "JoinThread", "Release writeFactory", "Release d2dFactory"}));
  EXPECT_EQ(g_setupWindow, nullptr);
  EXPECT_EQ(g_instance, kInstance);
}

TEST_F(RunSetupTest, TitlesTheWindowInTheChosenLanguageAndKnowsItsHandleDuringCreation) {
  Quit(0);
  Run(1);
  EXPECT_EQ(g_uiLanguage, 0x0407);
  EXPECT_EQ(mainWindow.title, u"Setup von VORNE Sandbox");
  // Set from WM_NCCREATE, before CreateWindowExW returned: a handler that runs during creation
  // already acts on the right window.
  EXPECT_EQ(mainWindow.hwndDuringCreation, kWindow);
  EXPECT_EQ(g_windowApi, nullptr) << "cleared with g_setupWindow";
}

TEST_F(RunSetupTest, PassesOtherShowCommandsOn) {
  for (const int show : {1, 3, 7, 10}) {
    f.log.clear();
    Quit(0);
    EXPECT_EQ(Run(show), 0u);
    EXPECT_TRUE(f.Logged("ShowWindow 7 " + std::to_string(show))) << show;
  }
}

TEST_F(RunSetupTest, PlacesTheWindowForItsDpi) {
  f.api.dpi = 144;
  f.api.workArea = PixelRect{0, 0, 2560, 1400};
  Quit(0);
  Run(1);
  EXPECT_TRUE(f.Logged("SetWindowPos 7 965 523 630 354 0x14"));
}

TEST_F(RunSetupTest, DropsTheDrawingResourcesAfterTheWorkerAndWithTheGlobalCleared) {
  FakeComObject target{&f.log, "renderTarget"};
  FakeComObject brush{&f.log, "brush"};
  // A paint during the loop makes the device resources.
  loop.onDispatch = [&](const LoopMessage&) {
    AttachFake(g_setupWindow->renderTarget, target);
    AttachFake(g_setupWindow->brush, brush);
  };
  loop.script.push_back({1, Msg(kWindow, kWmPaint, 0, 0)});
  Quit(1602);
  EXPECT_EQ(Run(1), 1602u);
  const std::vector<std::string> tail(f.log.end() - 5, f.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"JoinThread", "Release brush", "Release renderTarget",
                                            "Release writeFactory", "Release d2dFactory"}));
}

TEST_F(RunSetupTest, AFailedGetMessageEndsWithTheFailureCode) {
  // The record of a failed call still holds the last message, whose wParam means nothing here.
  loop.script.push_back({1, Msg(kWindow, kWmKeyDown, 0, 0)});
  loop.script.push_back({-1, Msg(kWindow, kWmKeyDown, 0, 0)});
  EXPECT_EQ(Run(1), 1603u);
  EXPECT_EQ(f.api.Count("GetMessageW"), 2);
  EXPECT_TRUE(f.Logged("JoinThread"));
}

TEST_F(RunSetupTest, NoDirect2DMeansNoWindowAnd1603) {
  factories.d2dResult = static_cast<std::int32_t>(0x80004005);
  EXPECT_EQ(Run(1), 1603u);
  EXPECT_EQ(f.log,
            (std::vector<std::string>{"SetDefaultDllDirectories", "HeapSetInformation",
                                      "ChooseUiLanguage instance 4194304", "D2D1CreateFactory"}));
  EXPECT_EQ(g_setupWindow, nullptr);
}

TEST_F(RunSetupTest, NoDirectWriteReleasesDirect2DAndEnds) {
  factories.writeResult = static_cast<std::int32_t>(0x8007000E);
  EXPECT_EQ(Run(1), 1603u);
  const std::vector<std::string> tail(f.log.end() - 3, f.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"D2D1CreateFactory", "DWriteCreateFactory",
                                            "Release d2dFactory"}));
}

TEST_F(RunSetupTest, NoWindowShowsNothingAndStartsNothing) {
  mainWindow.createWindow = false;
  EXPECT_EQ(Run(1), 1603u);
  const std::vector<std::string> tail(f.log.end() - 3, f.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"CreateMainWindow", "Release writeFactory",
                                            "Release d2dFactory"}));
  EXPECT_EQ(f.api.Count("ShowWindow"), 0);
  EXPECT_EQ(f.api.Count("CreateThread"), 0);
}

}  // namespace
