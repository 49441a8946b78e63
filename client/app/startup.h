// What the login window reads from the service while it is prepared: the layout row, the
// contacts and the login notice. Each is absent when the service gives no data row.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "gateway/statements.h"

namespace velmora {

struct TitleStyle {
  std::string title;          // lset8
  int64_t colour = 0;         // lset9, 0x00BBGGRR
  int size = 0;               // lset10, points
  std::string font;           // lset11
  bool bold = false;          // lset13 == "1"
  int64_t shadow_colour = 0;  // lset14
  int shadow_offset = 0;      // lset15, pixels right and down
};

struct LayoutRow {
  int popup_seconds = 0;  // lset6
  int poll_seconds = 0;   // lset7
  TitleStyle title;
  bool hide_notice = false;  // lset12 empty
};
std::optional<LayoutRow> ReadLayoutRow(GatewayLink& gateway);

struct Contacts {
  std::string qq;        // deciphered 联系1; "" hides its button
  std::string wangwang;  // deciphered 联系2
};
std::optional<Contacts> ReadContacts(GatewayLink& gateway);

struct NoticeBlock {
  std::string text;  // deciphered 公告
  int64_t colour = 0;
  int size = 0;
  std::string font;
};
// The last row of the notice table: the newest notice.
std::optional<NoticeBlock> ReadLoginNotice(GatewayLink& gateway);

// The chat services' web entry points for a contact.
std::string QqChatAddress(const std::string& qq);
std::string WangwangChatAddress(const std::string& wangwang);

}  // namespace velmora
