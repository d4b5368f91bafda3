#include "ui/accessibility.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "l10n/number_format.h"
#include "l10n/string_table.h"
#include "ui/canvas.h"
#include "ui/placement.h"
#include "ui/screen_texts.h"

namespace {

struct Counters {
  std::uint64_t received = 0;
  std::uint64_t total = 0;
};

Counters ReadCounters(const SetupWindow& window) {
  Counters counters;
  if (window.worker) {
    // Received first, as the paint reads them: a count ahead of its total reads as 100 %.
    counters.received = window.worker->bytesReceived.load();
    counters.total = window.worker->bytesTotal.load();
  }
  return counters;
}

std::u16string PercentText(std::uint32_t percent) {
  return std::u16string(FormatDecimal(percent)) + u"%";
}

// The index of `kind` in `kinds`, as a child id; 0 when it is not there.
std::int32_t ChildIdOf(const std::vector<AccessibleKind>& kinds, AccessibleKind kind) {
  const auto found = std::find(kinds.begin(), kinds.end(), kind);
  return found == kinds.end() ? 0 : static_cast<std::int32_t>(found - kinds.begin()) + 1;
}

RectF CentreOf(const RectF& rect) {
  const float x = (rect.left + rect.right) / 2.0f;
  const float y = (rect.top + rect.bottom) / 2.0f;
  return RectF{x, y, x, y};
}

// Spatial navigation: the nearest child whose centre lies beyond `from`'s centre in `direction`.
std::optional<std::int32_t> NavigateSpatially(const AccessibleTree& tree, std::int32_t from,
                                              NavigateDirection direction) {
  const RectF origin = CentreOf(tree.children[static_cast<std::size_t>(from - 1)].bounds);
  std::optional<std::int32_t> best;
  float bestDistance = std::numeric_limits<float>::infinity();
  for (std::size_t i = 0; i < tree.children.size(); ++i) {
    const std::int32_t id = static_cast<std::int32_t>(i) + 1;
    if (id == from) {
      continue;
    }
    const RectF centre = CentreOf(tree.children[i].bounds);
    const float dx = centre.left - origin.left;
    const float dy = centre.top - origin.top;
    const bool beyond = (direction == NavigateDirection::Up && dy < 0) ||
                        (direction == NavigateDirection::Down && dy > 0) ||
                        (direction == NavigateDirection::Left && dx < 0) ||
                        (direction == NavigateDirection::Right && dx > 0);
    const float distance = dx * dx + dy * dy;
    if (beyond && distance < bestDistance) {
      best = id;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

std::uint32_t WholePercent(std::uint64_t received, std::uint64_t total) {
  if (total == 0) {
    return 0;
  }
  if (received >= total) {
    return 100;
  }
  if (total <= std::numeric_limits<std::uint64_t>::max() / 100) {
    return static_cast<std::uint32_t>(received * 100 / total);
  }
  // 100 * received would overflow: add `received` a hundred times modulo `total` and count the
  // wraps. Both stay below `total`, so no step overflows and the count is exact.
  std::uint32_t percent = 0;
  std::uint64_t remainder = 0;
  for (int step = 0; step < 100; ++step) {
    if (remainder >= total - received) {
      remainder -= total - received;
      ++percent;
    } else {
      remainder += received;
    }
  }
  return percent;
}

namespace {

AccessibleScreen ScreenOf(const SetupWindow& window, const Counters& counters) {
  AccessibleScreen screen;
  screen.phase = window.phase;
  switch (window.phase) {
    case UiPhase::Downloading: {
      screen.figuresShown = counters.total != 0;
      screen.percent = WholePercent(counters.received, counters.total);
      break;
    }
    case UiPhase::Starting:
      screen.percent = 100;
      break;
    default:
      // Any other phase paints the failure screen, so it reads as one too.
      screen.phase = UiPhase::Failed;
      screen.failureKind = window.failureKind;
      screen.errorCode = window.errorCode;
      break;
  }
  return screen;
}

}  // namespace

AccessibleScreen CurrentAccessibleScreen(const SetupWindow& window) {
  return ScreenOf(window, ReadCounters(window));
}

std::vector<AccessibleKind> AccessibleKinds(const AccessibleScreen& screen) {
  using K = AccessibleKind;
  switch (screen.phase) {
    case UiPhase::Downloading:
      if (screen.figuresShown) {
        return {K::CloseBox, K::Status, K::SizeFigures, K::Progress, K::Cancel};
      }
      return {K::CloseBox, K::Status, K::Progress, K::Cancel};
    case UiPhase::Starting:
      return {K::CloseBox, K::Status, K::Progress};
    default:
      return {K::CloseBox, K::Headline, K::Explanation, K::TryAgain, K::Cancel};
  }
}

AccessibleTree BuildAccessibleTree(const SetupWindow& window, const ResourceApi& resources,
                                   const LocaleApi& locale, bool windowFocused) {
  // One reading of the counters for the figures and the bar alike.
  const Counters counters = ReadCounters(window);
  const AccessibleScreen screen = ScreenOf(window, counters);
  // Texts and the bar are where the last paint of this screen put them; until then nowhere.
  const bool painted = window.painted.drawn && window.painted.phase == window.phase;
  const SetupWindow::PaintedContent place =
      painted ? window.painted : SetupWindow::PaintedContent{};
  const std::u16string status =
      LoadUiString(resources, screen.phase == UiPhase::Starting ? kStrStarting : kStrDownloading);

  AccessibleTree tree;
  tree.name = LoadUiString(resources, kStrWindowTitle);
  tree.state = kStateFocusable;
  tree.bounds = RectF{0, 0, kCanvasWidth, kCanvasHeight};
  FailureTexts failure;
  if (screen.phase == UiPhase::Failed) {
    failure = FailureTextsFor(resources, screen.failureKind, screen.errorCode);
  }

  for (const AccessibleKind kind : AccessibleKinds(screen)) {
    AccessibleItem item;
    item.kind = kind;
    item.role = AccessibleRole::StaticText;
    item.state = kStateReadOnly;
    switch (kind) {
      case AccessibleKind::CloseBox:
        item.role = AccessibleRole::PushButton;
        item.name = LoadUiString(resources, kStrClose);
        item.bounds = window.closeRect;
        // While the installer starts the box only drags the window.
        if (screen.phase == UiPhase::Starting) {
          item.state = kStateUnavailable;
        } else {
          item.state = 0;
          item.action = ButtonId::Close;
        }
        break;
      case AccessibleKind::Status:
        item.name = status;
        item.bounds = place.status;
        break;
      case AccessibleKind::SizeFigures:
        item.name = SizeFiguresText(resources, locale, counters.received, counters.total);
        item.bounds = place.figures;
        break;
      case AccessibleKind::Progress:
        item.role = AccessibleRole::ProgressBar;
        item.name = status;
        item.value = PercentText(screen.percent);
        item.bounds = place.bar;
        break;
      case AccessibleKind::Headline:
        item.name = failure.headline;
        item.bounds = place.headline;
        break;
      case AccessibleKind::Explanation:
        item.name = failure.explanation;
        item.bounds = place.explanation;
        break;
      case AccessibleKind::TryAgain:
        item.role = AccessibleRole::PushButton;
        item.name = LoadUiString(resources, kStrTryAgain);
        item.state = kStateFocusable | kStateDefault;
        item.bounds = window.retryRect;
        item.action = ButtonId::TryAgain;
        break;
      case AccessibleKind::Cancel:
        item.role = AccessibleRole::PushButton;
        item.name = LoadUiString(resources, kStrCancel);
        item.state = 0;
        item.bounds = window.cancelRect;
        item.action = ButtonId::Cancel;
        break;
    }
    tree.children.push_back(std::move(item));
  }

  if (screen.phase == UiPhase::Failed) {
    tree.focus = ChildIdOf(AccessibleKinds(screen), AccessibleKind::TryAgain);
  }
  if (windowFocused) {
    if (tree.focus == kChildSelf) {
      tree.state |= kStateFocused;
    } else {
      tree.children[static_cast<std::size_t>(tree.focus - 1)].state |= kStateFocused;
    }
  }
  return tree;
}

std::vector<AccessibleEvent> AccessibleEventsBetween(const AccessibleScreen& before,
                                                     const AccessibleScreen& after) {
  std::vector<AccessibleEvent> events;
  if (before == after) {
    return events;
  }
  const std::vector<AccessibleKind> left = AccessibleKinds(before);
  const std::vector<AccessibleKind> entered = AccessibleKinds(after);
  const auto has = [](const std::vector<AccessibleKind>& kinds, AccessibleKind kind) {
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
  };
  const auto id = [&entered](AccessibleKind kind) { return ChildIdOf(entered, kind); };

  for (std::size_t i = 0; i < left.size(); ++i) {
    if (!has(entered, left[i])) {
      events.push_back({kEventObjectHide, static_cast<std::int32_t>(i) + 1});
    }
  }
  for (std::size_t i = 0; i < entered.size(); ++i) {
    if (!has(left, entered[i])) {
      events.push_back({kEventObjectShow, static_cast<std::int32_t>(i) + 1});
    }
  }
  if (left != entered) {
    events.push_back({kEventObjectReorder, kChildSelf});
  }
  if ((before.phase == UiPhase::Starting) != (after.phase == UiPhase::Starting)) {
    events.push_back({kEventObjectStateChange, id(AccessibleKind::CloseBox)});
  }
  if (before.phase != after.phase && has(left, AccessibleKind::Status) &&
      has(entered, AccessibleKind::Status)) {
    events.push_back({kEventObjectNameChange, id(AccessibleKind::Status)});
  }
  if (before.percent != after.percent && has(entered, AccessibleKind::Progress)) {
    events.push_back({kEventObjectValueChange, id(AccessibleKind::Progress)});
  }
  if (after.phase == UiPhase::Failed) {
    if (before.phase != UiPhase::Failed) {
      events.push_back({kEventSystemAlert, id(AccessibleKind::Headline)});
      events.push_back({kEventObjectFocus, id(AccessibleKind::TryAgain)});
    } else if (before.failureKind != after.failureKind || before.errorCode != after.errorCode) {
      events.push_back({kEventObjectNameChange, id(AccessibleKind::Headline)});
      events.push_back({kEventObjectNameChange, id(AccessibleKind::Explanation)});
    }
  }
  return events;
}

void AnnounceAccessibleChanges(SetupWindow& window, WindowApi& api) {
  const AccessibleScreen now = CurrentAccessibleScreen(window);
  for (const AccessibleEvent& event : AccessibleEventsBetween(window.announced, now)) {
    api.NotifyWinEvent(event.event, window.hwnd, kObjIdClient, event.child);
  }
  window.announced = now;
}

std::optional<std::int32_t> AccessibleHitTest(const AccessibleTree& tree, float x, float y) {
  if (!tree.bounds.Contains(x, y)) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < tree.children.size(); ++i) {
    if (tree.children[i].bounds.Contains(x, y)) {
      return static_cast<std::int32_t>(i) + 1;
    }
  }
  return kChildSelf;
}

std::optional<std::int32_t> AccessibleNavigate(const AccessibleTree& tree, std::int32_t from,
                                               NavigateDirection direction) {
  const auto count = static_cast<std::int32_t>(tree.children.size());
  if (from == kChildSelf) {
    if (count == 0) {
      return std::nullopt;
    }
    if (direction == NavigateDirection::FirstChild) {
      return 1;
    }
    if (direction == NavigateDirection::LastChild) {
      return count;
    }
    return std::nullopt;
  }
  if (from < 1 || from > count) {
    return std::nullopt;
  }
  switch (direction) {
    case NavigateDirection::Next:
      return from < count ? std::optional<std::int32_t>(from + 1) : std::nullopt;
    case NavigateDirection::Previous:
      return from > 1 ? std::optional<std::int32_t>(from - 1) : std::nullopt;
    case NavigateDirection::Up:
    case NavigateDirection::Down:
    case NavigateDirection::Left:
    case NavigateDirection::Right:
      return NavigateSpatially(tree, from, direction);
    default:  // a simple element has no children
      return std::nullopt;
  }
}

PixelRect AccessibleScreenRect(const RectF& dips, std::uint32_t dpi, PixelPoint clientOrigin) {
  const float scale = static_cast<float>(dpi) / static_cast<float>(kBaseDpi);
  const auto edge = [scale](float value, std::int32_t origin) {
    return origin + static_cast<std::int32_t>(std::floor(value * scale + 0.5f));
  };
  return PixelRect{edge(dips.left, clientOrigin.x), edge(dips.top, clientOrigin.y),
                   edge(dips.right, clientOrigin.x), edge(dips.bottom, clientOrigin.y)};
}
