// A window moved to a screen of another DPI, as the tests make it happen under Wine (which moves
// no window between screens): a synthetic WM_DPICHANGED, and where the design then puts controls.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "runtime/dpi_scale.h"
#include "toolkit/layout_box.h"

namespace velmora::testing {

// The DPI a synthetic change goes to: 144 (150 %), or 96 from a screen already at 144.
inline Dpi OtherDpi(Dpi dpi) { return dpi.value == 144 ? kDesignDpi : Dpi{144}; }

// What the system sends a window moved to a screen of `dpi`, with the rectangle it suggests.
inline void SendDpiChanged(HWND window, Dpi dpi, RECT suggested) {
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi.value, dpi.value), reinterpret_cast<LPARAM>(&suggested));
}

// A control of a window and its design's place in its parent (at 96 DPI). Some classes adjust
// their own height (an etched line takes an edge); only the place is theirs to keep then.
struct DesignedPlace {
  HWND parent;
  int id;
  ui::Box box;
  bool exact_size = true;
};

inline std::vector<DesignedPlace> PlacesOf(HWND parent, std::span<const ui::ControlDesign> designs) {
  std::vector<DesignedPlace> places;
  for (const ui::ControlDesign& d : designs) places.push_back({parent, d.id, d.box, d.kind != ui::ControlKind::kLine});
  return places;
}

inline RECT PlaceInParent(HWND control) {
  RECT at{};
  GetWindowRect(control, &at);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&at), 2);
  return at;
}

inline void ExpectPlacedAt(std::span<const DesignedPlace> places, Dpi dpi) {
  for (const DesignedPlace& p : places) {
    HWND control = GetDlgItem(p.parent, p.id);
    ASSERT_NE(control, nullptr) << p.id;
    const RECT at = PlaceInParent(control);
    const ui::Box want = ui::Scale(p.box, dpi);
    EXPECT_EQ(at.left, want.left) << p.id;
    EXPECT_EQ(at.top, want.top) << p.id;
    if (p.exact_size) {
      EXPECT_EQ(at.right - at.left, want.width) << p.id;
      EXPECT_EQ(at.bottom - at.top, want.height) << p.id;
    }
  }
}

}  // namespace velmora::testing
