// Signing up: the form's checks in their fixed order, the service's sign-up switch, the name
// check and the insert of the new account row. The window side only reads the boxes, shows the
// returned message, moves the focus and hands the new account to the login window.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "gateway/date_time.h"
#include "gateway/statements.h"

namespace velmora {

// The sign-up window's boxes, exactly as typed (GBK, not trimmed).
struct SignUpForm {
  std::string account;
  std::string password;
  std::string repeat;
  std::string phone;
  std::string qq;
};

enum class SignUpBox { kAccount, kPassword, kRepeat, kPhone, kQq };

// In the order the attempt checks them; kSignedUp and kFailed end an attempt that passed them all.
enum class SignUpResult {
  kEmptyAccount,
  kEmptyPassword,
  kRepeatDiffers,
  kEmptyPhone,
  kEmptyQq,
  kClosed,
  kNameTaken,
  kFailed,
  kSignedUp,
};

struct SignUpOutcome {
  SignUpResult result = SignUpResult::kFailed;
  std::string message;              // what the message box shows (GBK); a notice on success
  std::optional<SignUpBox> focus;   // the box that gets the focus afterwards; none: unchanged
  std::optional<std::string> sign_up_switch;  // lset1 as read by this attempt, when it got that far
};

std::string SignUpMessage(SignUpResult result);
std::optional<SignUpBox> SignUpFocus(SignUpResult result);

// The first of the form's own checks that fails; nothing when all pass. A box is empty only
// when it holds no text at all: spaces count as text.
std::optional<SignUpResult> CheckSignUpForm(const SignUpForm& form);

// lset1 of the layout row: "" when the service gave no data row (or no answer).
std::string ReadSignUpSwitch(GatewayLink& gateway);
inline constexpr std::string_view kSignUpOpen = "1";

inline constexpr std::string_view kSignUpColumns = "`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`";
// The values of the new account row, in the order of kSignUpColumns: every text quoted, so what
// the user typed is written exactly as typed, quotes included.
std::string SignUpValues(const SignUpForm& form, DateTime created);

// One attempt: the form's checks, the switch, the name check, the insert. Nothing is inserted
// unless the switch reads "1" and the service answered that the name is free.
SignUpOutcome SignUp(GatewayLink& gateway, const SignUpForm& form, DateTime server_now,
                     const RetryPolicy& name_check = {});

// The built-in terms with every "Velmora操盘系统" replaced by `product_title`.
std::string SignUpTerms(std::string_view product_title);

// Every occurrence of `name` in `text` replaced by `replacement`, matching only at character
// starts, so the trail byte of a two-byte character never begins a match.
std::string ReplaceProductName(std::string_view text, std::string_view name, std::string_view replacement);

}  // namespace velmora
