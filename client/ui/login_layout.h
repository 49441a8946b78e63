// The login window's fixed design: 452 x 429 pixels, and where each control sits.
#pragma once
#include <array>
#include <string_view>

#include "toolkit/layout_box.h"

namespace velmora::ui {

enum LoginControl : int {
  kAccountLabel = 1001,
  kAccountBox,
  kPasswordLabel,
  kPasswordBox,
  kLoginButton,
  kRememberBox,
  kRememberLabel,
  kSignUpLabel,
  kUpperLine,
  kLowerLine,
  kQqButton,
  kNoticeLabel,
  kWangwangButton,
  kTitleLabel,  // the product title with its shadow, drawn over the banner
};

inline constexpr Box kLoginWindowSize{0, 0, 452, 429};
inline constexpr int kLoginHeightWithoutNotice = 309;
inline constexpr Box kTitleBox{6, 31, 440, 63};
inline constexpr Box kNoticeBrowserBox{2, 279, 448, 122};

inline constexpr std::array<ControlDesign, 13> kLoginControls = {{
    {kUpperLine, ControlKind::kLine, "", {32, 102, 384, 1}},
    {kAccountLabel, ControlKind::kTransparentLabel, "用户名：", {50, 135, 51, 18}},
    {kAccountBox, ControlKind::kEdit, "", {118, 134, 166, 20}},
    {kPasswordLabel, ControlKind::kTransparentLabel, "密  码：", {50, 174, 51, 18}},
    {kPasswordBox, ControlKind::kPassword, "", {118, 173, 166, 20}},
    {kLoginButton, ControlKind::kButton, "登 陆", {321, 132, 83, 63}},
    {kRememberBox, ControlKind::kCheckBox, "", {85, 213, 12, 12}},
    {kRememberLabel, ControlKind::kTransparentLabel, "记住密码", {104, 211, 56, 16}},
    {kSignUpLabel, ControlKind::kLinkLabel, "注册账号", {204, 211, 56, 16}},
    {kLowerLine, ControlKind::kLine, "", {32, 247, 384, 1}},
    {kQqButton, ControlKind::kPictureButton, "QQ客服", {34, 253, 74, 22}, true},
    {kNoticeLabel, ControlKind::kTransparentLabel, "系统公告", {189, 251, 69, 24}},
    {kWangwangButton, ControlKind::kPictureButton, "旺旺客服", {333, 255, 80, 18}, true},
}};

}  // namespace velmora::ui
