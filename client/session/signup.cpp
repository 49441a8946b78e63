#include "session/signup.h"

#include "gateway/rc4.h"
#include "gateway/result_rows.h"

namespace velmora {
namespace {

constexpr std::string_view kAccountTable = "account";
constexpr std::string_view kAccountColumn = "账号";
constexpr std::string_view kNewAccountState = "0";   // 状态: a normal account
constexpr std::string_view kNewAccountOnline = "0";  // 在线: not signed in
constexpr std::string_view kBuiltInProductName = "Velmora操盘系统";

// The service's terms; the product name in it is replaced by the title the service gives.
constexpr std::string_view kTerms =
    "Velmora操盘系统用户注册协议\r\n"
    "\r\n"
    "一、注册前请仔细阅读本协议。点击“注册”即表示您同意本协议的全部内容。\r\n"
    "\r\n"
    "二、请填写真实的用户名、联系电话和联系QQ。资料不实的注册申请不予通过，"
    "已通过的账号一经发现资料不实将被冻结。\r\n"
    "\r\n"
    "三、账号和密码由您本人保管，仅限本人使用，不得转让、出借或多人共用。"
    "因保管不当造成的损失由您自行承担。\r\n"
    "\r\n"
    "四、Velmora操盘系统提供的推荐、公告和资讯仅供参考，不构成任何投资建议。"
    "股市有风险，投资需谨慎，据此操作的盈亏由您自行承担。\r\n"
    "\r\n"
    "五、未经许可，不得复制、转载或传播Velmora操盘系统的任何内容。\r\n"
    "\r\n"
    "六、Velmora操盘系统可根据需要修改本协议，修改后的协议在软件中公布即生效。\r\n"
    "\r\n"
    "如有疑问，请与管理员联系。";

bool IsLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

SignUpOutcome Ended(SignUpResult result) {
  SignUpOutcome out;
  out.result = result;
  out.message = SignUpMessage(result);
  out.focus = SignUpFocus(result);
  return out;
}

}  // namespace

std::string SignUpMessage(SignUpResult result) {
  switch (result) {
    case SignUpResult::kEmptyAccount: return "用户名不能为空，请认真填写！";
    case SignUpResult::kEmptyPassword: return "密码不能为空，请认真填写！";
    case SignUpResult::kRepeatDiffers: return "密码两次输入不同，请认真填写！";
    case SignUpResult::kEmptyPhone: return "联系电话不能为空，请认真填写！";
    case SignUpResult::kEmptyQq: return "联系QQ不能为空，请认真填写！";
    case SignUpResult::kClosed: return "当前系统禁止新用户注册，如有疑问请与管理员联系！";
    case SignUpResult::kNameTaken: return "用户名存在，请重新输入！";
    case SignUpResult::kFailed: return "注册失败，如有问题请与管理员联系";
    case SignUpResult::kSignedUp: return "注册成功！";
  }
  return {};
}

std::optional<SignUpBox> SignUpFocus(SignUpResult result) {
  switch (result) {
    case SignUpResult::kEmptyAccount: return SignUpBox::kAccount;
    case SignUpResult::kEmptyPassword: return SignUpBox::kPassword;
    case SignUpResult::kRepeatDiffers: return SignUpBox::kRepeat;
    case SignUpResult::kEmptyPhone: return SignUpBox::kPhone;
    case SignUpResult::kEmptyQq: return SignUpBox::kQq;
    case SignUpResult::kNameTaken: return SignUpBox::kAccount;
    case SignUpResult::kClosed:
    case SignUpResult::kFailed:
    case SignUpResult::kSignedUp: return std::nullopt;
  }
  return std::nullopt;
}

std::optional<SignUpResult> CheckSignUpForm(const SignUpForm& form) {
  if (form.account.empty()) return SignUpResult::kEmptyAccount;
  if (form.password.empty()) return SignUpResult::kEmptyPassword;
  if (form.repeat != form.password) return SignUpResult::kRepeatDiffers;
  if (form.phone.empty()) return SignUpResult::kEmptyPhone;
  if (form.qq.empty()) return SignUpResult::kEmptyQq;
  return std::nullopt;
}

std::string ReadSignUpSwitch(GatewayLink& gateway) {
  const ResultRows rows(SelectRows(gateway, "lset", "lset1", "编号=1"));
  return std::string(rows.Field(1, 0));
}

std::string SignUpValues(const SignUpForm& form, DateTime created) {
  const std::string password = Rc4HexEncode(form.password);
  const std::string created_text = DateTimeText(created);
  std::string out;
  for (std::string_view value : {std::string_view(form.account), std::string_view(password),
                                 std::string_view(form.phone), std::string_view(form.qq), kNewAccountState,
                                 std::string_view(created_text), kNewAccountOnline}) {
    if (!out.empty()) out += ",";
    out += SqlQuote(value);
  }
  return out;
}

SignUpOutcome SignUp(GatewayLink& gateway, const SignUpForm& form, DateTime server_now,
                     const RetryPolicy& name_check) {
  if (const auto refused = CheckSignUpForm(form)) return Ended(*refused);

  const std::string sign_up_switch = ReadSignUpSwitch(gateway);
  const auto with_switch = [&sign_up_switch](SignUpOutcome out) {
    out.sign_up_switch = sign_up_switch;
    return out;
  };
  if (sign_up_switch != kSignUpOpen) return with_switch(Ended(SignUpResult::kClosed));

  switch (RowExists(gateway, kAccountTable, SqlEquals(kAccountColumn, form.account), name_check)) {
    case RowCheck::kFound: return with_switch(Ended(SignUpResult::kNameTaken));
    // Inserting blind could meet a taken name the service never confirmed: the attempt fails.
    case RowCheck::kNoAnswer: return with_switch(Ended(SignUpResult::kFailed));
    case RowCheck::kAbsent: break;
  }

  const bool inserted = InsertRow(gateway, kAccountTable, kSignUpColumns, SignUpValues(form, server_now));
  return with_switch(Ended(inserted ? SignUpResult::kSignedUp : SignUpResult::kFailed));
}

std::string ReplaceProductName(std::string_view text, std::string_view name, std::string_view replacement) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (!name.empty() && text.substr(i, name.size()) == name) {
      out += replacement;
      i += name.size();
      continue;
    }
    // One character: a lead byte takes its trail byte with it.
    const size_t length = IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
    out += text.substr(i, length);
    i += length;
  }
  return out;
}

std::string SignUpTerms(std::string_view product_title) {
  return ReplaceProductName(kTerms, kBuiltInProductName, product_title);
}

}  // namespace velmora
