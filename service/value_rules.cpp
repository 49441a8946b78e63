#include "value_rules.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>

#include "gateway/date_time.h"
#include "gateway/protocol.h"
#include "gbk.h"
#include "store.h"

namespace velmora::service {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The marks every answer is split on (field end, row end) and the one between the server time
// and the payload: a stored value holding one would cut every answer that carries it.
bool HoldsAnswerMark(std::string_view utf8) {
  for (std::string_view mark : {kFieldEnd, kRowEnd, kAnswerMarker}) {
    if (utf8.find(mark) != std::string_view::npos) return true;
  }
  return false;
}

// The login and sign-up times: exactly the text the client's own clock text makes of the time.
bool IsDateTimeText(std::string_view gbk) {
  const auto when = ParseDateTime(gbk);
  return when && DateTimeText(*when) == gbk;
}

bool IsAddress(const std::string& text) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, text.c_str(), buffer) == 1 || inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

bool IsDigits(std::string_view text, size_t longest) {
  return !text.empty() && text.size() <= longest && std::all_of(text.begin(), text.end(), IsDigit);
}

// RC4 hex text: two hexadecimal digits a byte of a password that is never empty.
bool IsPasswordHex(std::string_view text) {
  return !text.empty() && text.size() % 2 == 0 && text.size() <= kMaxValueBytes &&
         std::all_of(text.begin(), text.end(), IsHexDigit);
}

bool IsFlag(std::string_view text, bool inserting) { return text == "0" || (!inserting && text == "1"); }

bool HasLength(std::string_view text, size_t longest) { return !text.empty() && text.size() <= longest; }

// The form the client writes into each account column; a sign-up writes a new account as
// neither frozen nor online.
struct ColumnForm {
  std::string_view column;
  std::string_view form;  // named in the refusal
  bool (*fits)(const std::string& gbk, bool inserting);
};

const std::array<ColumnForm, 10>& ColumnForms() {
  static const std::array<ColumnForm, 10> forms = {{
      {"账号", "a name of 1 to 64 bytes", [](const std::string& v, bool) { return HasLength(v, kMaxAccountNameBytes); }},
      {"密码", "RC4 hex text", [](const std::string& v, bool) { return IsPasswordHex(v); }},
      {"姓名", "a text of 1 to 256 bytes", [](const std::string& v, bool) { return HasLength(v, kMaxValueBytes); }},
      {"身份证号", "a text of 1 to 256 bytes", [](const std::string& v, bool) { return HasLength(v, kMaxValueBytes); }},
      {"状态", "0 for a new account", [](const std::string& v, bool inserting) { return inserting && v == "0"; }},
      {"创建时间", "a date-time text", [](const std::string& v, bool) { return IsDateTimeText(v); }},
      {"在线", "0 or 1", [](const std::string& v, bool inserting) { return IsFlag(v, inserting); }},
      {"登陆时间", "a date-time text", [](const std::string& v, bool) { return IsDateTimeText(v); }},
      {"登陆IP", "an address", [](const std::string& v, bool) { return IsAddress(v); }},
      {"句柄", "digits", [](const std::string& v, bool) { return IsDigits(v, 9); }},
  }};
  return forms;
}

}  // namespace

bool ReadsBackAsWritten(std::string_view gbk) {
  for (size_t i = 0; i < gbk.size(); ++i) {
    const auto c = static_cast<unsigned char>(gbk[i]);
    if (c < 0x20 || c == 0x7F) return false;
    if (c < 0x80) continue;
    if (c == 0x80 || c == 0xFF || i + 1 >= gbk.size()) return false;
    const auto trail = static_cast<unsigned char>(gbk[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

std::string WrittenValueRefusal(const Column& column, const Value& value, bool inserting) {
  const std::string utf8 = value.is_text ? value.text : std::to_string(value.number);
  if (HoldsAnswerMark(utf8)) return "a value holding an answer mark";
  const auto gbk = Utf8ToGbk(utf8);
  if (!gbk || !ReadsBackAsWritten(*gbk)) return "a value the client cannot read back: " + column.name;
  const auto& forms = ColumnForms();
  const auto form = std::find_if(forms.begin(), forms.end(), [&](const ColumnForm& f) { return f.column == column.name; });
  if (form == forms.end()) return "column not written by the client: " + column.name;
  if (!form->fits(*gbk, inserting)) return column.name + " must be " + std::string(form->form);
  return {};
}

}  // namespace velmora::service
