#include "skin/hit_zones.h"

namespace velmora::skin {

HitCode HitTest(const FrameOptions& options, const Rect& window, Point cursor) {
  if (!options.sizable || options.maximised) return HitCode::kClient;
  const int x = cursor.x;
  const int y = cursor.y;
  const int c = options.corner;
  const int e = options.edge;
  // First match wins; the comparisons are inclusive on both sides, so the left and top zones
  // are one pixel wider than the right and bottom ones (right/bottom lie outside the window).
  const bool near_left = x <= window.left + c;
  const bool near_right = x >= window.right - c;
  const bool near_top = y <= window.top + c;
  const bool near_bottom = y >= window.bottom - c;
  if (near_left && near_top) return HitCode::kTopLeft;
  if (near_right && near_top) return HitCode::kTopRight;
  if (near_left && near_bottom) return HitCode::kBottomLeft;
  if (near_right && near_bottom) return HitCode::kBottomRight;
  if (x <= window.left + e) return HitCode::kLeft;
  if (x >= window.right - e) return HitCode::kRight;
  if (y <= window.top + e) return HitCode::kTop;
  if (y >= window.bottom - e) return HitCode::kBottom;
  return HitCode::kClient;
}

int SizingEdge(HitCode code) {
  switch (code) {
    case HitCode::kLeft: return 1;
    case HitCode::kRight: return 2;
    case HitCode::kTop: return 3;
    case HitCode::kTopLeft: return 4;
    case HitCode::kTopRight: return 5;
    case HitCode::kBottom: return 6;
    case HitCode::kBottomLeft: return 7;
    case HitCode::kBottomRight: return 8;
    default: return 0;
  }
}

Cursor CursorFor(HitCode code, bool maximised) {
  if (maximised) return Cursor::kArrow;
  switch (code) {
    case HitCode::kTop:
    case HitCode::kBottom: return Cursor::kSizeNS;
    case HitCode::kLeft:
    case HitCode::kRight: return Cursor::kSizeWE;
    case HitCode::kTopLeft:
    case HitCode::kBottomRight: return Cursor::kSizeNWSE;
    case HitCode::kTopRight:
    case HitCode::kBottomLeft: return Cursor::kSizeNESW;
    default: return Cursor::kArrow;
  }
}

bool InMoveBand(const FrameOptions& options, int window_height, Point point) {
  // Without a status band (height 0) the lower test asks for a point below the window: never.
  return point.y < options.banner_height || point.y > window_height - options.status_height;
}

HitCode PressZone(const FrameOptions& options, int window_height, Point point) {
  if (options.maximised) return HitCode::kClient;  // a maximised window stays where it is
  return InMoveBand(options, window_height, point) ? HitCode::kCaption : HitCode::kClient;
}

DoubleClick DoubleClickAction(const FrameOptions& options, int window_height, Point point) {
  if (!options.maximise_box || !InMoveBand(options, window_height, point)) return DoubleClick::kNothing;
  return options.maximised ? DoubleClick::kRestore : DoubleClick::kMaximise;
}

}  // namespace velmora::skin
