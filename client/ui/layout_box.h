// The pieces every fixed window design is written in beside Box (a control's place and size in
// pixels, declared with the login window's design): a report-style list's columns and a text
// control's initial caption with its place.
#pragma once
#include <string_view>

#include "ui/login_layout.h"

namespace velmora::ui {

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
