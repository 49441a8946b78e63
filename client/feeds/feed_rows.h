// The two feeds as the feed page shows them: recommendation and announcement rows as the gateway
// answers them, the six column texts each list row holds, the latest-item record handed to the
// pop-up, and the texts the detail panel shows for a picked row.
//
// The lists keep nothing but their column texts, so every detail is derived from a FeedRow alone;
// the window side only copies these texts into its controls.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/statements.h"

namespace velmora {

enum class FeedKind { kRecommendation, kNews };

// One answer row's six fields exactly as received, in the order of the feed's column list.
// Recommendations: 推荐时间, then 股票代码 操作方式 支撑位 阻力位 备注 as RC4 hex text.
// Announcements: 更新日期, 公告 (RC4 hex), 字体名称, 字体大小, 字体颜色, 公告标题 (RC4 hex).
using FeedFields = std::array<std::string, 6>;

// The six column texts of one list row (column 0 is the item caption).
using FeedRow = std::array<std::string, 6>;

// The statements of each feed (GBK), exactly as the service expects them.
std::string FeedCountStatement(FeedKind kind);   // select count(*) from latest1 | config2
std::string FeedSelectStatement(FeedKind kind);  // select <columns> from Latest1 | config2
std::string FeedNewestStatement(FeedKind kind);  // select top 1 <columns> from ... order by 编号 desc

// The data rows of a select answer (row 0, the column names, skipped), in server order. Missing
// fields read "". Nothing when the request got no answer at all; an empty list when the answer
// holds only the column names.
std::optional<std::vector<FeedFields>> FeedAnswerRows(std::string_view answer);

// The count of a "select count(*)" answer; nothing when the request got no answer, so a silent
// service is never mistaken for an empty table.
std::optional<int64_t> FeedCountReading(std::string_view answer);

std::optional<std::vector<FeedFields>> SelectFeed(GatewayLink& gateway, FeedKind kind);
std::optional<std::vector<FeedFields>> SelectNewest(GatewayLink& gateway, FeedKind kind);
std::optional<int64_t> CountFeed(GatewayLink& gateway, FeedKind kind);

// List rows: recommendation columns 1 to 5 deciphered; announcement columns 1 and 5 deciphered,
// 2 to 4 as received. A corrupt stored value shows as "".
FeedRow RecommendationRow(const FeedFields& fields);
FeedRow NewsRow(const FeedFields& fields);

// The newest item, kept for the pop-up. For a recommendation the parts are the fields as
// received (the pop-up deciphers them); for an announcement they are already the list row's
// columns (公告 and 公告标题 deciphered).
struct LatestItem {
  FeedKind kind = FeedKind::kRecommendation;
  std::array<std::string, 6> parts;
};
LatestItem LatestRecommendation(const FeedFields& fields);
LatestItem LatestNews(const FeedFields& fields);

// "信息々" or "公告々" followed by the six parts joined by "々". A record only: the pop-up is given
// the LatestItem itself, since a deciphered text may itself hold "々" and would not split back.
std::string LatestItemText(const LatestItem& item);

// Detail page 1: "推荐时间：", "推荐代码：", "操作方式：", "支 撑 位：", "阻 力 位：" each followed by
// columns 0 to 4, and the remark box text (column 5).
struct RecommendationDetail {
  std::array<std::string, 5> labels;
  std::string remarks;
};
RecommendationDetail DescribeRecommendation(const FeedRow& row);

// Detail page 2: "推荐时间：" + column 0, "资讯标题：" + column 5, and the content box with column 1
// in the font named by column 2, at column 3 points, in colour column 4 (0x00BBGGRR; bytes above
// the third dropped). Sizes and colours read their leading digits ("" and "abc" read 0).
struct NewsDetail {
  std::string time_label;
  std::string title_label;
  std::string content;
  std::string font_name;
  int font_points = 0;
  uint32_t colour = 0;
};
NewsDetail DescribeNews(const FeedRow& row);

}  // namespace velmora
