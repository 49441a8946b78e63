// Where the mouse is on a skinned window's frame: the sizing edges and corners, the bands that
// move the window, and the cursor each sizing zone shows. The window has no system caption or
// border, so all of this replaces what the system frame would have answered.
#pragma once

namespace velmora::skin {

struct Point {
  int x = 0;
  int y = 0;
};

// left/top inside, right/bottom outside, as a window rectangle is.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Same names and values as the system's hit-test codes, so the window procedure can hand them
// back unchanged.
enum class HitCode : int {
  kNowhere = 0,
  kClient = 1,
  kCaption = 2,
  kLeft = 10,
  kRight = 11,
  kTop = 12,
  kTopLeft = 13,
  kTopRight = 14,
  kBottom = 15,
  kBottomLeft = 16,
  kBottomRight = 17,
};

struct FrameOptions {
  bool sizable = false;
  bool maximised = false;
  bool maximise_box = false;  // has the maximise and restore buttons; double clicks toggle
  int banner_height = 80;
  int status_height = 26;  // 0: no status band
  int corner = 10;         // sizing corners are squares this wide
  int edge = 3;            // sizing strips along the sides
};

// The answer to a non-client hit test. `window` and `cursor` are both in screen coordinates.
// kClient means "no sizing zone here": the window procedure then hands the message to the
// procedure it replaced, which answers client for a captionless window. A window that is not
// sizable, or is maximised (sizing is refused then, and the screen corner should reach the close
// button), has no sizing zones.
HitCode HitTest(const FrameOptions& options, const Rect& window, Point cursor);

// The sizing edge (1 left … 8 bottom right) that a sizing hit code starts, 0 for other codes.
int SizingEdge(HitCode code);

enum class Cursor { kArrow, kSizeNS, kSizeWE, kSizeNWSE, kSizeNESW };

// The cursor over a hit code; a maximised window shows no sizing cursors.
Cursor CursorFor(HitCode code, bool maximised);

// Whether a point in window coordinates lies in the banner band or in the status band, the two
// places a press drags the window from and a double click maximises or restores it.
bool InMoveBand(const FrameOptions& options, int window_height, Point point);

// What a left-button press that landed on no element means: kCaption (start moving the window)
// in a move band of a window that is not maximised, else kClient.
HitCode PressZone(const FrameOptions& options, int window_height, Point point);

enum class DoubleClick { kNothing, kMaximise, kRestore };

// A double click that landed on no element: only a window with a maximise button reacts, and
// only in a move band.
DoubleClick DoubleClickAction(const FrameOptions& options, int window_height, Point point);

}  // namespace velmora::skin
