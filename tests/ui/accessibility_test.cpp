#include "ui/accessibility.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "l10n/string_table.h"
#include "l10n/ui_language.h"
#include "render/paint.h"
#include "tests/fakes/fake_render_api.h"
#include "tests/fakes/fake_resource_api.h"
#include "tests/fakes/table_locale_api.h"
#include "tests/l10n/compiled_strings.h"
#include "tests/l10n/expected_rows.h"
#include "tests/l10n/utf8.h"
#include "ui/window_input.h"
#include "window_fixture.h"

namespace {

constexpr std::uint64_t kMegabyte = 1048576;

const ExpectedRow& RowOf(LangId language) {
  for (const ExpectedRow& row : kExpectedRows) {
    if (row.language == language) {
      return row;
    }
  }
  throw std::logic_error("no such table");
}

std::u16string English(std::uint16_t id) {
  for (const ExpectedText& entry : kExpectedEnglish) {
    if (entry.id == id) {
      return entry.text;
    }
  }
  return u"";
}

// A window on the real string tables, painted by the real paint on the recording canvas, so that
// the tree can be held against what the screen shows.
class AccessibleWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(LoadCompiledStrings(resources, error)) << error;
    Use(kLangEnglishUs);
  }
  void TearDown() override { g_uiLanguage = kLangEnglishUs; }

  void Use(LangId language) {
    g_uiLanguage = language;
    locale.SetUserLocale(language == kLangEnglishUs
                             ? TableLocaleApi::UserLocale::kEnglishUnitedStates
                             : TableLocaleApi::UserLocale::kGermanGermany);
  }

  void Counters(std::uint64_t received, std::uint64_t total) {
    if (!host.window.worker) {
      host.window.worker = std::make_unique<SetupWorker>(kWindow, host.workerPlatform, host.stages);
    }
    host.window.worker->bytesReceived = received;
    host.window.worker->bytesTotal = total;
  }

  void PaintNow() {
    render.ClearEvents();
    Paint(host.window, RenderPlatform{render, render, resources, locale});
  }

  AccessibleTree Tree(bool focused = false) const {
    return BuildAccessibleTree(host.window, resources, locale, focused);
  }

  // Every text the last paint drew, with where it drew it.
  std::vector<FakeRenderApi::DrawEvent> DrawnTexts() const {
    std::vector<FakeRenderApi::DrawEvent> texts;
    for (const auto& event : render.events()) {
      if (event.op == FakeRenderApi::Op::DrawText && !event.text.empty()) {
        texts.push_back(event);
      }
    }
    return texts;
  }

  FakeRenderApi render;
  FakeResourceApi resources;
  TableLocaleApi locale;
  WindowFixture host;
};

struct ScreenCase {
  const char* label;
  UiPhase phase;
  std::uint32_t kind;
  std::uint32_t errorCode;
  std::uint64_t received;
  std::uint64_t total;
  std::vector<AccessibleRole> roles;  // of the children, in order
};

using R = AccessibleRole;
const std::vector<ScreenCase> kScreens = {
    {"downloading, total unknown",
     UiPhase::Downloading,
     0,
     0,
     0,
     0,
     {R::PushButton, R::StaticText, R::ProgressBar, R::PushButton}},
    {"downloading",
     UiPhase::Downloading,
     0,
     0,
     256 * kMegabyte + 1,
     1024 * kMegabyte,
     {R::PushButton, R::StaticText, R::StaticText, R::ProgressBar, R::PushButton}},
    {"starting", UiPhase::Starting, 0, 0, 5, 5, {R::PushButton, R::StaticText, R::ProgressBar}},
    {"download failed",
     UiPhase::Failed,
     0,
     12029,
     0,
     0,
     {R::PushButton, R::StaticText, R::StaticText, R::PushButton, R::PushButton}},
    {"file damaged",
     UiPhase::Failed,
     1,
     0x80096010,
     0,
     0,
     {R::PushButton, R::StaticText, R::StaticText, R::PushButton, R::PushButton}},
    {"launch failed",
     UiPhase::Failed,
     2,
     0x800700C1,
     0,
     0,
     {R::PushButton, R::StaticText, R::StaticText, R::PushButton, R::PushButton}},
    {"unknown kind",
     UiPhase::Failed,
     9,
     5,
     0,
     0,
     {R::PushButton, R::StaticText, R::StaticText, R::PushButton, R::PushButton}},
};

void SetScreen(WindowFixture& host, const ScreenCase& screen) {
  host.window.phase = screen.phase;
  host.window.failureKind = static_cast<FailureKind>(screen.kind);
  host.window.errorCode = screen.errorCode;
}

// Every item is named with exactly the text the screen shows in its place, in English and in
// German, and the buttons with the fixed labels of the table.
TEST_F(AccessibleWindow, EveryScreenListsWhatThePaintDrewWithItsTexts) {
  for (const LangId language : {kLangEnglishUs, LangId{0x0007}}) {
    Use(language);
    const ExpectedRow& row = RowOf(language);
    for (const ScreenCase& screen : kScreens) {
      SCOPED_TRACE(std::string(screen.label) + (language == kLangEnglishUs ? " en" : " de"));
      SetScreen(host, screen);
      Counters(screen.received, screen.total);
      PaintNow();
      const AccessibleTree tree = Tree();

      EXPECT_EQ(tree.name, LoadStringForLanguage(resources, kStrWindowTitle, language));
      EXPECT_EQ(tree.bounds, (RectF{0, 0, 420, 236}));
      ASSERT_EQ(tree.children.size(), screen.roles.size());
      const std::vector<FakeRenderApi::DrawEvent> drawn = DrawnTexts();
      for (std::size_t i = 0; i < tree.children.size(); ++i) {
        const AccessibleItem& item = tree.children[i];
        SCOPED_TRACE("child " + std::to_string(i + 1) + " " + Utf8(item.name));
        EXPECT_EQ(item.role, screen.roles[i]);
        EXPECT_FALSE(item.name.empty());
        if (item.role == R::StaticText) {
          // Drawn at the box's top-left corner, with this very text.
          bool found = false;
          for (const auto& text : drawn) {
            if (text.text == item.name) {
              found = true;
              EXPECT_FLOAT_EQ(item.bounds.left, text.origin.x);
              EXPECT_FLOAT_EQ(item.bounds.top, text.origin.y);
              EXPECT_GT(item.bounds.right, item.bounds.left);
              EXPECT_GT(item.bounds.bottom, item.bounds.top);
            }
          }
          EXPECT_TRUE(found) << "not a text the screen shows";
          EXPECT_EQ(item.state, kStateReadOnly);
          EXPECT_EQ(item.action, ButtonId::None);
        }
      }

      // The close box, always first, named in the table's own words.
      EXPECT_EQ(tree.children[0].name, row.close);
      EXPECT_EQ(tree.children[0].bounds, (RectF{374, 0, 420, 32}));
      const bool starting = screen.phase == UiPhase::Starting;
      EXPECT_EQ(tree.children[0].state, starting ? kStateUnavailable : 0u);
      EXPECT_EQ(tree.children[0].action, starting ? ButtonId::None : ButtonId::Close);

      if (screen.phase != UiPhase::Failed) {
        const AccessibleItem& status = tree.children[1];
        const AccessibleItem& bar =
            tree.children[screen.roles.size() == 3 ? 2 : (screen.total != 0 ? 3 : 2)];
        EXPECT_EQ(status.name, LoadStringForLanguage(resources, starting ? 105 : 103, language));
        EXPECT_EQ(bar.name, status.name);
        EXPECT_EQ(bar.state, kStateReadOnly);
        // The bar's track as painted: the column's width, 6 high, under the status line.
        EXPECT_EQ(bar.bounds.left, 28.0f);
        EXPECT_EQ(bar.bounds.right, 392.0f);
        EXPECT_FLOAT_EQ(bar.bounds.bottom - bar.bounds.top, 6.0f);
        EXPECT_GT(bar.bounds.top, status.bounds.bottom);
      }
      if (screen.phase == UiPhase::Downloading) {
        EXPECT_EQ(tree.children.back().name, row.cancel);
        EXPECT_EQ(tree.children.back().bounds, host.window.cancelRect);
        EXPECT_EQ(tree.children.back().action, ButtonId::Cancel);
      }
      if (screen.phase == UiPhase::Failed) {
        EXPECT_EQ(tree.children[3].name, row.tryAgain);
        EXPECT_EQ(tree.children[3].bounds, host.window.retryRect);
        EXPECT_EQ(tree.children[3].state, kStateFocusable | kStateDefault);
        EXPECT_EQ(tree.children[3].action, ButtonId::TryAgain);
        EXPECT_EQ(tree.children[4].name, row.cancel);
        EXPECT_EQ(tree.children[4].bounds, host.window.cancelRect);
        EXPECT_EQ(tree.focus, 4);
      } else {
        EXPECT_EQ(tree.focus, kChildSelf);
      }
    }
  }
}

// The English texts word for word, and the figures and the error code as the screen writes them.
TEST_F(AccessibleWindow, EnglishNamesAndValues) {
  Counters(256 * kMegabyte + 1, 1024 * kMegabyte);
  PaintNow();
  AccessibleTree tree = Tree();
  ASSERT_EQ(tree.children.size(), 5u);
  EXPECT_EQ(tree.name, u"VORNE Sandbox Setup");
  EXPECT_EQ(tree.children[0].name, u"Close");
  EXPECT_EQ(tree.children[1].name, u"Downloading VORNE Sandbox…");
  EXPECT_EQ(tree.children[2].name, u"256.0 of 1,024.0 MB");
  EXPECT_EQ(tree.children[3].value, u"25%");
  EXPECT_EQ(tree.children[4].name, u"Cancel");

  host.window.phase = UiPhase::Failed;
  host.window.failureKind = FailureKind::LaunchFailed;
  host.window.errorCode = 0x800700C1;
  PaintNow();
  tree = Tree();
  ASSERT_EQ(tree.children.size(), 5u);
  EXPECT_EQ(tree.children[1].name, English(109));
  EXPECT_EQ(tree.children[2].name, u"Windows reported error 2147942593.");
  EXPECT_EQ(tree.children[3].name, u"Try again");

  host.window.failureKind = FailureKind::FileDamaged;
  tree = Tree();
  EXPECT_EQ(tree.children[1].name, English(106));
  EXPECT_EQ(tree.children[2].name, English(108));
}

TEST_F(AccessibleWindow, GermanFiguresUseTheUsersSeparators) {
  Use(0x0007);
  Counters(256 * kMegabyte + 1, 1024 * kMegabyte);
  PaintNow();
  const AccessibleTree tree = Tree();
  ASSERT_EQ(tree.children.size(), 5u);
  EXPECT_EQ(tree.children[2].name, u"256,0 von 1.024,0 MB");
  EXPECT_EQ(tree.children[4].name, u"Abbrechen");
  EXPECT_EQ(tree.children[0].name, u"Schließen");
}

TEST_F(AccessibleWindow, ProgressValueIsTheWholePercent) {
  const struct {
    std::uint64_t received, total;
    const char16_t* value;
  } cases[] =
      {
          {0, 0, u"0%"},           {0, 100, u"0%"},       {99, 10000, u"0%"},
          {100, 10000, u"1%"},     {9999, 10000, u"99%"}, {10000, 10000, u"100%"},
          {20000, 10000, u"100%"},  // a count read ahead of its total
      };
  for (const auto& c : cases) {
    Counters(c.received, c.total);
    const AccessibleTree tree = Tree();
    EXPECT_EQ(tree.children[c.total != 0 ? 3 : 2].value, c.value) << c.received << "/" << c.total;
  }
  host.window.phase = UiPhase::Starting;
  EXPECT_EQ(Tree().children[2].value, u"100%");
}

TEST(WholePercent, RoundsDownAndNeverOverflows) {
  constexpr std::uint64_t kMax = ~std::uint64_t{0};
  EXPECT_EQ(WholePercent(0, 0), 0u);
  EXPECT_EQ(WholePercent(5, 0), 0u);
  EXPECT_EQ(WholePercent(1, 3), 33u);
  EXPECT_EQ(WholePercent(2, 3), 66u);
  EXPECT_EQ(WholePercent(kMax - 1, kMax), 99u);
  EXPECT_EQ(WholePercent(kMax / 2, kMax), 49u);
  EXPECT_EQ(WholePercent(kMax, kMax), 100u);
  EXPECT_EQ(WholePercent(kMax / 100 + 1, kMax / 100 + 2), 99u);
}

// Texts stay unplaced until a paint of their screen has put them somewhere; the buttons follow
// their rectangles, which a change of screen empties.
TEST_F(AccessibleWindow, BoundsComeOnlyFromAPaintOfTheSameScreen) {
  Counters(1, 2);
  AccessibleTree tree = Tree();
  for (const AccessibleItem& item : tree.children) {
    EXPECT_EQ(item.bounds, RectF{}) << Utf8(item.name);
  }
  PaintNow();
  EXPECT_NE(Tree().children[1].bounds, RectF{});
  host.Send(WM_SETUP_FAILED, 0, 0);
  tree = Tree();
  for (std::size_t i = 1; i < tree.children.size(); ++i) {
    EXPECT_EQ(tree.children[i].bounds, RectF{}) << Utf8(tree.children[i].name);
  }
}

TEST_F(AccessibleWindow, FocusFollowsTheKeyboardAndTheWindowsFocus) {
  EXPECT_EQ(Tree(true).state, kStateFocusable | kStateFocused);
  EXPECT_EQ(Tree(false).state, kStateFocusable);
  host.window.phase = UiPhase::Failed;
  const AccessibleTree tree = Tree(true);
  EXPECT_EQ(tree.state, kStateFocusable);
  EXPECT_EQ(tree.children[3].state, kStateFocusable | kStateDefault | kStateFocused);
  EXPECT_EQ(Tree(false).children[3].state, kStateFocusable | kStateDefault);
}

// What a listener hears for each change of screen, through the window's own message handling.
TEST(AccessibleEvents, EachChangeOfScreenIsAnnounced) {
  WindowFixture f;
  f.AddStartedWorker();
  f.PaintedAs(UiPhase::Downloading);
  auto progress = [&f](std::uint64_t received, std::uint64_t total) {
    f.window.worker->bytesReceived = received;
    f.window.worker->bytesTotal = total;
    f.events.clear();
    f.Send(WM_SETUP_PROGRESS);
    return f.events;
  };
  using V = std::vector<std::string>;

  // The total arrives: the figures appear between the status line and the bar.
  EXPECT_EQ(progress(0, 1000), (V{"NotifyWinEvent 0x8002 7 -4 3", "NotifyWinEvent 0x8004 7 -4 0"}));
  EXPECT_EQ(progress(9, 1000), V{}) << "still 0 %";
  EXPECT_EQ(progress(10, 1000), V{"NotifyWinEvent 0x800e 7 -4 4"});
  EXPECT_EQ(progress(19, 1000), V{});

  f.events.clear();
  f.Send(WM_SETUP_STARTING);
  EXPECT_EQ(f.events, (V{"NotifyWinEvent 0x8003 7 -4 3", "NotifyWinEvent 0x8003 7 -4 5",
                         "NotifyWinEvent 0x8004 7 -4 0", "NotifyWinEvent 0x800a 7 -4 1",
                         "NotifyWinEvent 0x800c 7 -4 2", "NotifyWinEvent 0x800e 7 -4 3"}));

  f.events.clear();
  f.Send(WM_SETUP_HIDE);
  f.Send(WM_SETUP_FAILED, 2, 5);
  // The status line and the bar go; headline, explanation and both buttons come; the close box
  // becomes available again; the headline is an alert and "Try again" has the focus.
  EXPECT_EQ(f.events, (V{"NotifyWinEvent 0x8003 7 -4 2", "NotifyWinEvent 0x8003 7 -4 3",
                         "NotifyWinEvent 0x8002 7 -4 2", "NotifyWinEvent 0x8002 7 -4 3",
                         "NotifyWinEvent 0x8002 7 -4 4", "NotifyWinEvent 0x8002 7 -4 5",
                         "NotifyWinEvent 0x8004 7 -4 0", "NotifyWinEvent 0x800a 7 -4 1",
                         "NotifyWinEvent 0x2 7 -4 2", "NotifyWinEvent 0x8005 7 -4 4"}));

  f.events.clear();
  f.Send(kWmKeyDown, kVkReturn);  // Try again: the counters start from nothing
  EXPECT_EQ(f.events, (V{"NotifyWinEvent 0x8003 7 -4 2", "NotifyWinEvent 0x8003 7 -4 3",
                         "NotifyWinEvent 0x8003 7 -4 4", "NotifyWinEvent 0x8002 7 -4 2",
                         "NotifyWinEvent 0x8002 7 -4 3", "NotifyWinEvent 0x8004 7 -4 0"}));

  // A failure straight from the download screen, figures shown.
  progress(500, 1000);
  f.events.clear();
  f.Send(WM_SETUP_FAILED, 0, 12029);
  EXPECT_EQ(f.events, (V{"NotifyWinEvent 0x8003 7 -4 2", "NotifyWinEvent 0x8003 7 -4 3",
                         "NotifyWinEvent 0x8003 7 -4 4", "NotifyWinEvent 0x8002 7 -4 2",
                         "NotifyWinEvent 0x8002 7 -4 3", "NotifyWinEvent 0x8002 7 -4 4",
                         "NotifyWinEvent 0x8004 7 -4 0", "NotifyWinEvent 0x2 7 -4 2",
                         "NotifyWinEvent 0x8005 7 -4 4"}));
  f.events.clear();
  f.Send(WM_SETUP_PROGRESS);  // a late progress message changes nothing on the failure screen
  EXPECT_EQ(f.events, V{});
}

// However the bytes arrive, each progress message raises at most one value change, and there is
// one for every change of the whole percent (and none in between).
TEST(AccessibleEvents, ValueChangesFollowTheWholePercentOnly) {
  std::mt19937 random(20261211);
  for (int run = 0; run < 20; ++run) {
    WindowFixture f;
    f.AddStartedWorker();
    const std::uint64_t total = 1 + random() % 50'000'000;
    f.window.worker->bytesTotal = total;
    std::uint64_t received = 0;
    std::uint32_t percent = 0;
    int expected = 0;
    while (received < total) {
      received = std::min(total, received + 1 + random() % (total / 37 + 1));
      f.window.worker->bytesReceived = received;
      f.events.clear();
      f.Send(WM_SETUP_PROGRESS);
      int changes = 0;
      for (const std::string& line : f.events) {
        changes += line.rfind("NotifyWinEvent 0x800e ", 0) == 0 ? 1 : 0;
      }
      const std::uint32_t now = WholePercent(received, total);
      ASSERT_EQ(changes, now != percent ? 1 : 0) << received << "/" << total;
      expected += now != percent ? 1 : 0;
      percent = now;
    }
    EXPECT_EQ(percent, 100u);
    EXPECT_GE(expected, 1);
  }
}

TEST(AccessibleEvents, NothingChangedNothingSent) {
  const AccessibleScreen screen;
  EXPECT_TRUE(AccessibleEventsBetween(screen, screen).empty());
  AccessibleScreen failed;
  failed.phase = UiPhase::Failed;
  EXPECT_TRUE(AccessibleEventsBetween(failed, failed).empty());
  // A second failure report on the failure screen renames its texts and alerts no one again.
  AccessibleScreen other = failed;
  other.failureKind = FailureKind::LaunchFailed;
  EXPECT_EQ(
      AccessibleEventsBetween(failed, other),
      (std::vector<AccessibleEvent>{{kEventObjectNameChange, 2}, {kEventObjectNameChange, 3}}));
}

// A screen reader's press does what a click on that button does on the screen shown when the
// message arrives: nothing for a button that is not there.
TEST(AccessibleAction, PressesOnlyWhatTheScreenShows) {
  const struct {
    UiPhase phase;
    ButtonId button;
    const char* expected;  // the log line the press must leave, or "" for none
    std::uint32_t exitCode;
  } cases[] = {
      {UiPhase::Downloading, ButtonId::Cancel, "DestroyWindow 7", 1602},
      {UiPhase::Downloading, ButtonId::Close, "DestroyWindow 7", 1602},
      {UiPhase::Downloading, ButtonId::TryAgain, "", 1602},
      {UiPhase::Starting, ButtonId::Cancel, "", 1602},
      {UiPhase::Starting, ButtonId::Close, "", 1602},
      {UiPhase::Failed, ButtonId::Cancel, "DestroyWindow 7", 1603},
      {UiPhase::Failed, ButtonId::Close, "DestroyWindow 7", 1603},
      {UiPhase::Failed, ButtonId::TryAgain, "InvalidateRect 7", 1602},
      {UiPhase::Failed, ButtonId::None, "", 1602},
      {UiPhase::Failed, static_cast<ButtonId>(77), "", 1602},
  };
  for (const auto& c : cases) {
    WindowFixture f;
    f.window.phase = c.phase;
    f.Send(kWmAccessibleAction, static_cast<std::uintptr_t>(c.button));
    const std::string where = std::to_string(static_cast<int>(c.phase)) + "/" +
                              std::to_string(static_cast<int>(c.button));
    if (std::string(c.expected).empty()) {
      EXPECT_EQ(f.log, std::vector<std::string>{}) << where;
    } else {
      EXPECT_TRUE(f.Logged(c.expected)) << where;
    }
    if (c.expected == std::string("DestroyWindow 7")) {
      EXPECT_EQ(f.window.exitCode, c.exitCode) << where;
    }
    if (c.button == ButtonId::TryAgain && c.phase == UiPhase::Failed) {
      EXPECT_EQ(f.window.phase, UiPhase::Downloading) << where;
    }
  }
}

AccessibleTree FailureTree() {
  AccessibleTree tree;
  tree.bounds = RectF{0, 0, 420, 236};
  const RectF places[] = {{374, 0, 420, 32},
                          {28, 120, 300, 138},
                          {28, 142, 250, 158},
                          {208, 192, 296, 220},
                          {304, 192, 392, 220}};
  for (const RectF& place : places) {
    AccessibleItem item;
    item.bounds = place;
    tree.children.push_back(item);
  }
  return tree;
}

TEST(AccessibleGeometry, HitTestFindsTheChildUnderThePoint) {
  const AccessibleTree tree = FailureTree();
  EXPECT_EQ(AccessibleHitTest(tree, 380, 5), 1);
  EXPECT_EQ(AccessibleHitTest(tree, 28, 120), 2);
  EXPECT_EQ(AccessibleHitTest(tree, 300, 130), kChildSelf) << "right edges are outside";
  EXPECT_EQ(AccessibleHitTest(tree, 391.9f, 219.9f), 5);
  EXPECT_EQ(AccessibleHitTest(tree, 10, 200), kChildSelf);
  EXPECT_EQ(AccessibleHitTest(tree, 420, 5), std::nullopt);
  EXPECT_EQ(AccessibleHitTest(tree, -1, 5), std::nullopt);
  EXPECT_EQ(AccessibleHitTest(tree, std::nanf(""), 5), std::nullopt);
}

TEST(AccessibleGeometry, NavigationWalksTheChildrenInReadingOrderAndBySight) {
  const AccessibleTree tree = FailureTree();
  using D = NavigateDirection;
  const struct {
    std::int32_t from;
    D direction;
    std::optional<std::int32_t> to;
  } cases[] = {
      {kChildSelf, D::FirstChild, 1},
      {kChildSelf, D::LastChild, 5},
      {kChildSelf, D::Next, std::nullopt},
      {kChildSelf, D::Up, std::nullopt},
      {1, D::Next, 2},
      {5, D::Next, std::nullopt},
      {1, D::Previous, std::nullopt},
      {4, D::Previous, 3},
      {4, D::Right, 5},
      {5, D::Left, 4},
      {4, D::Left, 2},
      {4, D::Up, 2},
      {2, D::Down, 3},
      {1, D::Up, std::nullopt},
      {3, D::FirstChild, std::nullopt},
      {0x7FFFFFFF, D::Next, std::nullopt},
      {-3, D::Previous, std::nullopt},
      {6, D::Previous, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AccessibleNavigate(tree, c.from, c.direction), c.to)
        << c.from << " " << static_cast<int>(c.direction);
  }
  EXPECT_EQ(AccessibleNavigate(AccessibleTree{}, kChildSelf, D::FirstChild), std::nullopt);
}

TEST(AccessibleGeometry, ScreenRectanglesAreWholePixelsAtTheWindowsDpi) {
  const RectF cancel{304, 192, 392, 220};
  EXPECT_EQ(AccessibleScreenRect(cancel, 96, PixelPoint{750, 402}),
            (PixelRect{1054, 594, 1142, 622}));
  EXPECT_EQ(AccessibleScreenRect(cancel, 144, PixelPoint{0, 0}), (PixelRect{456, 288, 588, 330}));
  // 1.25: 147.76 * 1.25 = 184.7 -> 185; edges round, so touching boxes still touch.
  EXPECT_EQ(AccessibleScreenRect(RectF{28, 147.76f, 392, 153.76f}, 120, PixelPoint{-1365, 10}),
            (PixelRect{-1330, 195, -875, 202}));
  EXPECT_EQ(AccessibleScreenRect(RectF{}, 192, PixelPoint{3, 4}), (PixelRect{3, 4, 3, 4}));
}

}  // namespace
