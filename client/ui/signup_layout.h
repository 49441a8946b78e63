// The sign-up window's fixed design: 447 x 290 pixels, and where each control sits.
#pragma once
#include <array>
#include <string_view>

#include "ui/login_layout.h"

namespace velmora::ui {

enum SignUpControl : int {
  kSignUpAccountLabel = 1101,
  kSignUpAccountBox,
  kSignUpPasswordLabel,
  kSignUpPasswordBox,
  kSignUpRepeatLabel,
  kSignUpRepeatBox,
  kSignUpPhoneLabel,
  kSignUpPhoneBox,
  kSignUpQqLabel,
  kSignUpQqBox,
  kSignUpNoteLabel,
  kSignUpButton,
  kSignUpCancelButton,
  kSignUpTermsBox,
};

enum class SignUpKind { kLabel, kEdit, kButton, kTerms };

struct SignUpControlSpec {
  SignUpControl id;
  SignUpKind kind;
  std::string_view caption;  // GBK (compiled with the GBK character set)
  Box box;
};

inline constexpr Box kSignUpWindowSize{0, 0, 447, 290};

// Creation order is tab order: the five boxes top to bottom, then the buttons.
inline constexpr std::array<SignUpControlSpec, 14> kSignUpControls = {{
    {kSignUpAccountLabel, SignUpKind::kLabel, "用 户 名：", {11, 37, 67, 15}},
    {kSignUpAccountBox, SignUpKind::kEdit, "", {93, 32, 128, 25}},
    {kSignUpPasswordLabel, SignUpKind::kLabel, "密    码：", {11, 73, 67, 15}},
    {kSignUpPasswordBox, SignUpKind::kEdit, "", {93, 68, 128, 25}},
    {kSignUpRepeatLabel, SignUpKind::kLabel, "重复密码：", {11, 109, 67, 15}},
    {kSignUpRepeatBox, SignUpKind::kEdit, "", {93, 104, 128, 25}},
    {kSignUpPhoneLabel, SignUpKind::kLabel, "联系电话：", {11, 146, 67, 15}},
    {kSignUpPhoneBox, SignUpKind::kEdit, "", {93, 141, 128, 25}},
    {kSignUpQqLabel, SignUpKind::kLabel, "联系 Q Q：", {11, 185, 67, 15}},
    {kSignUpQqBox, SignUpKind::kEdit, "", {93, 180, 128, 25}},
    {kSignUpNoteLabel, SignUpKind::kLabel, "*请填写真实资料，否则不予通过", {23, 216, 200, 24}},
    {kSignUpButton, SignUpKind::kButton, "注册", {10, 250, 88, 29}},
    {kSignUpCancelButton, SignUpKind::kButton, "取消", {133, 250, 88, 29}},
    {kSignUpTermsBox, SignUpKind::kTerms, "", {230, 32, 204, 248}},
}};

}  // namespace velmora::ui
