// The window's size arithmetic as the 32-bit Windows build computes it: float steps must round as
// they do in the native build, or a DPI such as 100 sizes the window one pixel wider.
#include "tests/win32/harness.h"
#include "ui/placement.h"

WINE_TEST(SizesForEveryDpiOfTheTable) {
  const struct {
    std::uint32_t dpi;
    int width;
    int height;
  } cases[] = {{96, 420, 236},  {108, 473, 266}, {120, 525, 295}, {144, 630, 354},
               {168, 735, 413}, {192, 840, 472}, {100, 437, 246}, {28, 122, 69}};
  for (const auto& c : cases) {
    const PixelSize size = WindowSizeForDpi(c.dpi);
    CHECK_EQ(size.width, c.width);
    CHECK_EQ(size.height, c.height);
  }
}

WINE_TEST(CentresTowardZeroOnNegativeCoordinates) {
  const PixelPoint corner = CenterInWorkArea(PixelRect{-1365, 0, 0, 728}, PixelSize{420, 236});
  CHECK_EQ(static_cast<std::int64_t>(corner.x), -892);
  CHECK_EQ(corner.y, 246);
}
