#include "app/run_setup.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "../ui/window_fixture.h"
#include "ui/setup_window.h"

namespace {

constexpr InstanceHandle kInstance = 0x400000;

// The start-up calls, logged in the fixture's log; GetMessageW plays a script.
class FakeStartup final : public StartupApi {
 public:
  explicit FakeStartup(std::vector<std::string>& log) : log_(log) {}

  void SetDefaultDllDirectories() override { log_.push_back("SetDefaultDllDirectories"); }
  void HeapSetInformation() override { log_.push_back("HeapSetInformation"); }
  void ChooseUiLanguage() override {
    log_.push_back("ChooseUiLanguage instance " + std::to_string(g_instance));
  }
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
  bool CreateMainWindow(SetupWindow& window, InstanceHandle instance) override {
    // The record is reachable, with both factories, while the window is being created.
    const bool reachable = g_setupWindow == &window && window.d2dFactory && window.writeFactory;
    log_.push_back(std::string("CreateMainWindow") + (reachable ? "" : " (state not reachable)") +
                   (instance == kInstance ? "" : " (wrong instance)"));
    if (createWindow) {
      window.hwnd = kWindow;
    }
    return createWindow;
  }
  void DwmSetWindowAttribute(WindowHandle window) override {
    log_.push_back("DwmSetWindowAttribute " + std::to_string(window));
  }
  void SetForegroundWindow(WindowHandle window) override {
    log_.push_back("SetForegroundWindow " + std::to_string(window));
  }
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

  std::int32_t d2dResult = 0;
  std::int32_t writeResult = 0;
  bool createWindow = true;
  std::deque<std::pair<int, LoopMessage>> script;
  std::function<void(const LoopMessage&)> onDispatch;
  FakeComObject d2d{nullptr, "d2dFactory"};
  FakeComObject write{nullptr, "writeFactory"};

 private:
  std::vector<std::string>& log_;
};

struct RunSetupTest : testing::Test {
  RunSetupTest() {
    startup.d2d.log = &f.log;
    startup.write.log = &f.log;
  }
  std::uint32_t Run(int showCommand) {
    return SetupEntry(SetupPlatform{startup, f.api, f.workerPlatform, f.stages}, kInstance,
                      showCommand);
  }
  void Quit(std::uintptr_t code) {
    startup.script.push_back({0, LoopMessage{0, kWmQuit, code, 0}});
  }

  WindowFixture f;
  FakeStartup startup{f.log};
};

TEST_F(RunSetupTest, StartsRunsAndTearsDownInOrder) {
  startup.script.push_back({1, LoopMessage{kWindow, WM_SETUP_PROGRESS, 0, 0}});
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
  startup.onDispatch = [&](const LoopMessage&) {
    AttachFake(g_setupWindow->renderTarget, target);
    AttachFake(g_setupWindow->brush, brush);
  };
  startup.script.push_back({1, LoopMessage{kWindow, kWmPaint, 0, 0}});
  Quit(1602);
  EXPECT_EQ(Run(1), 1602u);
  const std::vector<std::string> tail(f.log.end() - 5, f.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"JoinThread", "Release brush", "Release renderTarget",
                                            "Release writeFactory", "Release d2dFactory"}));
}

TEST_F(RunSetupTest, AFailedGetMessageEndsWithTheFailureCode) {
  // The record of a failed call still holds the last message, whose wParam means nothing here.
  startup.script.push_back({1, LoopMessage{kWindow, kWmKeyDown, 0, 0}});
  startup.script.push_back({-1, LoopMessage{kWindow, kWmKeyDown, 0, 0}});
  EXPECT_EQ(Run(1), 1603u);
  EXPECT_EQ(f.api.Count("GetMessageW"), 2);
  EXPECT_TRUE(f.Logged("JoinThread"));
}

TEST_F(RunSetupTest, NoDirect2DMeansNoWindowAnd1603) {
  startup.d2dResult = static_cast<std::int32_t>(0x80004005);
  EXPECT_EQ(Run(1), 1603u);
  EXPECT_EQ(f.log,
            (std::vector<std::string>{"SetDefaultDllDirectories", "HeapSetInformation",
                                      "ChooseUiLanguage instance 4194304", "D2D1CreateFactory"}));
  EXPECT_EQ(g_setupWindow, nullptr);
}

TEST_F(RunSetupTest, NoDirectWriteReleasesDirect2DAndEnds) {
  startup.writeResult = static_cast<std::int32_t>(0x8007000E);
  EXPECT_EQ(Run(1), 1603u);
  const std::vector<std::string> tail(f.log.end() - 3, f.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"D2D1CreateFactory", "DWriteCreateFactory",
                                            "Release d2dFactory"}));
}

TEST_F(RunSetupTest, NoWindowShowsNothingAndStartsNothing) {
  startup.createWindow = false;
  EXPECT_EQ(Run(1), 1603u);
  const std::vector<std::string> tail(f.log.end() - 3, f.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"CreateMainWindow", "Release writeFactory",
                                            "Release d2dFactory"}));
  EXPECT_EQ(f.api.Count("ShowWindow"), 0);
  EXPECT_EQ(f.api.Count("CreateThread"), 0);
}

}  // namespace
