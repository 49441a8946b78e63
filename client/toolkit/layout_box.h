// The pieces every fixed window design is written in: a control's place and size in pixels, a
// report-style list's columns and a text control's initial caption with its place.
#pragma once
#include <string_view>

#include "runtime/dpi_scale.h"

namespace velmora::ui {

struct Box {
  int left, top, width, height;
};

// A design's box (at 96 DPI) at a window's DPI, by the program's one scale.
constexpr Box Scale(Box b, Dpi dpi) {
  const ScaledRect r = velmora::Scale(ScaledRect{b.left, b.top, b.width, b.height}, dpi);
  return {r.left, r.top, r.width, r.height};
}

// What a control of a fixed design is; the toolkit knows each one's window class and style.
enum class ControlKind {
  kLabel,             // plain static text
  kTransparentLabel,  // text over the skin's banner or picture
  kLinkLabel,         // a transparent label that is clicked like a link
  kLine,              // a thin etched line
  kEdit,              // a single-line box; password boxes of a sign-up show what is typed
  kPassword,          // a single-line box that hides what is typed
  kTermsBox,          // multi-line, read-only, with a vertical scroll bar
  kButton,
  kPictureButton,     // a button that shows a picture instead of its caption
  kCheckBox,
  kColourSwatch,      // a static that paints a colour itself and is clicked
};

// One control of a fixed design: its identifier, kind, initial caption and place.
struct ControlDesign {
  int id;
  ControlKind kind;
  std::string_view caption;  // GBK (compiled with the GBK character set)
  Box box;
  bool initially_hidden = false;
};

enum class Align { kLeft, kCentre };

struct Column {
  std::string_view caption;  // GBK (compiled with the GBK character set)
  int width;                 // 0: hidden, the column only carries text for the detail panel
  Align align;
};

struct Labelled {
  std::string_view caption;  // GBK
  Box box;
};

}  // namespace velmora::ui
