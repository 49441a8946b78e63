// The settings window's fixed design: 379 x 139 pixels, and where each control sits.
#pragma once
#include <array>
#include <string_view>

#include "ui/login_layout.h"

namespace velmora::ui {

enum SettingsControl : int {
  kColourLabel = 1101,
  kColourPicker,
  kPictureLabel,
  kPictureButton,
  kSoundLabel,
  kSoundButton,
  kSoundSwitch,
  kPopupSwitch,
};

inline constexpr Box kSettingsWindowSize{0, 0, 379, 139};
// Where a window of the program is put when it is created, before it is placed by its opener.
inline constexpr Box kSettingsCreatedAt{50, 50, 379, 139};

inline constexpr std::array<ControlDesign, 8> kSettingsControls = {{
    {kColourLabel, ControlKind::kLabel, "选择皮肤颜色:", {15, 37, 88, 24}},
    {kColourPicker, ControlKind::kColourSwatch, "", {103, 38, 96, 20}},
    {kPictureLabel, ControlKind::kLabel, "选择皮肤图片:", {15, 69, 80, 24}},
    {kPictureButton, ControlKind::kButton, "选择图片", {103, 69, 96, 24}},
    {kSoundLabel, ControlKind::kLabel, "选择声音文件:", {15, 102, 80, 24}},
    {kSoundButton, ControlKind::kButton, "选择声音", {103, 104, 96, 24}},
    {kSoundSwitch, ControlKind::kCheckBox, "是否启动声音提示", {238, 38, 120, 18}},
    {kPopupSwitch, ControlKind::kCheckBox, "是否弹出消息提示", {238, 72, 120, 18}},
}};

}  // namespace velmora::ui
