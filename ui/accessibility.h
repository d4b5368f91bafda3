// What a screen reader is told about the window: the items the screen shows as plain data (role,
// name, value, state, place), the events a change of the screen raises, and the geometry the
// accessibility interface answers with. The COM object on Windows only translates these. UI thread
// only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"
#include "platform/locale_api.h"
#include "platform/resource_api.h"
#include "platform/window_api.h"
#include "ui/accessible_screen.h"
#include "ui/setup_window.h"

// Roles and states as Active Accessibility numbers them (ROLE_SYSTEM_*, STATE_SYSTEM_*).
enum class AccessibleRole : std::uint32_t {
  Client = 0x0A,
  StaticText = 0x29,
  PushButton = 0x2B,
  ProgressBar = 0x30,
};
inline constexpr std::uint32_t kStateUnavailable = 0x00000001;
inline constexpr std::uint32_t kStateFocused = 0x00000004;
inline constexpr std::uint32_t kStateReadOnly = 0x00000040;
inline constexpr std::uint32_t kStateDefault = 0x00000100;
inline constexpr std::uint32_t kStateFocusable = 0x00100000;

// WinEvents (EVENT_*) and the object they name (OBJID_CLIENT; child 0 is the client itself).
inline constexpr std::uint32_t kEventSystemAlert = 0x0002;
inline constexpr std::uint32_t kEventObjectShow = 0x8002;
inline constexpr std::uint32_t kEventObjectHide = 0x8003;
inline constexpr std::uint32_t kEventObjectReorder = 0x8004;
inline constexpr std::uint32_t kEventObjectFocus = 0x8005;
inline constexpr std::uint32_t kEventObjectStateChange = 0x800A;
inline constexpr std::uint32_t kEventObjectNameChange = 0x800C;
inline constexpr std::uint32_t kEventObjectValueChange = 0x800E;
inline constexpr std::int32_t kObjIdClient = -4;
inline constexpr std::int32_t kChildSelf = 0;

// The name of every button's default action, as Windows' own buttons give it.
inline constexpr char16_t kActionPress[] = u"Press";

// accNavigate's directions (NAVDIR_*).
enum class NavigateDirection : std::int32_t {
  Up = 1,
  Down = 2,
  Left = 3,
  Right = 4,
  Next = 5,
  Previous = 6,
  FirstChild = 7,
  LastChild = 8,
};

// The elements a screen can show, in reading order: the close box first, then top to bottom and
// left to right.
enum class AccessibleKind : std::uint8_t {
  CloseBox,
  Status,
  SizeFigures,
  Progress,
  Headline,
  Explanation,
  TryAgain,
  Cancel,
};

struct AccessibleItem {
  AccessibleKind kind = AccessibleKind::CloseBox;
  AccessibleRole role = AccessibleRole::StaticText;
  std::u16string name;
  std::u16string value;  // the progress bar's whole percent ("42%"); empty for every other item
  std::uint32_t state = 0;
  RectF bounds;  // in DIPs on the canvas; zero until a paint has drawn the item
  // What the default action presses, the same as a click on the item would; None for an item
  // without one.
  ButtonId action = ButtonId::None;
};

// The client object and its children, which are simple elements: child id n is children[n - 1].
// The ids follow the screen, so a change of screen renumbers them (and raises a reorder event).
struct AccessibleTree {
  std::u16string name;  // the window title
  std::uint32_t state = 0;
  RectF bounds;  // the whole canvas
  std::vector<AccessibleItem> children;
  // The element the keyboard acts on: "Try again" (Enter) on the failure screen, otherwise the
  // client itself.
  std::int32_t focus = kChildSelf;
};

// The facts of `window`'s current screen, with the worker's counters read now.
AccessibleScreen CurrentAccessibleScreen(const SetupWindow& window);

// The elements `screen` shows, in reading order.
std::vector<AccessibleKind> AccessibleKinds(const AccessibleScreen& screen);

// The tree of what the window shows now, with the texts the screen shows. `windowFocused` says
// whether the window has the keyboard focus, which puts the focused state on `focus`.
AccessibleTree BuildAccessibleTree(const SetupWindow& window, const ResourceApi& resources,
                                   const LocaleApi& locale, bool windowFocused);

// The progress bar's whole percent: rounded down, 100 once the count reaches the total, 0 while
// the total is unknown.
std::uint32_t WholePercent(std::uint64_t received, std::uint64_t total);

struct AccessibleEvent {
  std::uint32_t event = 0;
  std::int32_t child = kChildSelf;
  bool operator==(const AccessibleEvent&) const = default;
};

// What a listener must hear when the screen goes from `before` to `after`, in the order to send
// it. Hide events name the children by their ids in `before`, every other event by those in
// `after`. A progress step raises at most one value change, and only when the whole percent moves.
std::vector<AccessibleEvent> AccessibleEventsBetween(const AccessibleScreen& before,
                                                     const AccessibleScreen& after);

// Sends the events between window.announced and the current screen, and remembers the current one.
void AnnounceAccessibleChanges(SetupWindow& window, WindowApi& api);

// The child at a point in DIPs: a child id, kChildSelf inside the canvas but on no child, nothing
// outside the canvas.
std::optional<std::int32_t> AccessibleHitTest(const AccessibleTree& tree, float x, float y);

// The element reached from `from` (a child id, or kChildSelf) in `direction`; nothing when there
// is none. The client's siblings are the window's business, so from kChildSelf only FirstChild
// and LastChild lead anywhere.
std::optional<std::int32_t> AccessibleNavigate(const AccessibleTree& tree, std::int32_t from,
                                               NavigateDirection direction);

// A DIP rectangle on screen, in physical pixels at `dpi`, given the client area's top-left
// corner on the screen. Edges are rounded to the nearest pixel, so neighbours share their edge.
PixelRect AccessibleScreenRect(const RectF& dips, std::uint32_t dpi, PixelPoint clientOrigin);
