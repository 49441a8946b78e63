#include "app/startup.h"

#include "gateway/rc4.h"
#include "gateway/result_rows.h"
#include "gateway/text.h"

namespace velmora {
namespace {

int SmallNumber(std::string_view text) {
  const int64_t n = LeadingNumber(text);
  return n > 1'000'000 ? 1'000'000 : int(n);
}

}  // namespace

std::optional<LayoutRow> ReadLayoutRow(GatewayLink& gateway) {
  const ResultRows rows(SelectRows(gateway, "lset",
                                   "lset3,lset4,lset5,lset6,lset7,lset8,lset9,lset10,lset11,lset12,lset13,lset14,"
                                   "lset15,lset16,lset17,lset18",
                                   "编号=1"));
  if (!rows.HasDataRow()) return std::nullopt;
  // Field n holds lset(n + 3).
  const auto field = [&rows](int lset) { return rows.Field(1, size_t(lset - 3)); };
  LayoutRow row;
  row.popup_seconds = SmallNumber(field(6));
  row.poll_seconds = SmallNumber(field(7));
  row.title.title = std::string(field(8));
  row.title.colour = LeadingNumber(field(9));
  row.title.size = SmallNumber(field(10));
  row.title.font = std::string(field(11));
  row.hide_notice = field(12).empty();
  row.title.bold = field(13) == "1";
  row.title.shadow_colour = LeadingNumber(field(14));
  row.title.shadow_offset = SmallNumber(field(15));
  return row;
}

std::optional<Contacts> ReadContacts(GatewayLink& gateway) {
  const ResultRows rows(SelectRows(gateway, "rconfig", "联系1,联系2", "编号=1"));
  if (!rows.HasDataRow()) return std::nullopt;
  return Contacts{Rc4HexDecode(rows.Field(1, 0)), Rc4HexDecode(rows.Field(1, 1))};
}

std::optional<NoticeBlock> ReadLoginNotice(GatewayLink& gateway) {
  const ResultRows rows(SelectRows(gateway, "Config", "公告,字体颜色,字体大小,字体名称", ""));
  if (!rows.HasDataRow()) return std::nullopt;
  const size_t last = rows.RowCount() - 1;
  return NoticeBlock{Rc4HexDecode(rows.Field(last, 0)), LeadingNumber(rows.Field(last, 1)),
                     SmallNumber(rows.Field(last, 2)), std::string(rows.Field(last, 3))};
}

std::string QqChatAddress(const std::string& qq) {
  return "http://wpa.qq.com/msgrd?v=3&uin=" + qq + "&site=qq&menu=yes";
}

std::string WangwangChatAddress(const std::string& wangwang) {
  return "http://amos.alicdn.com/webww/?ver=1&&touid=cntaobao" + wangwang +
         "&siteid=cntaobao&status=2&portalId=&gid=&itemsId=";
}

}  // namespace velmora
