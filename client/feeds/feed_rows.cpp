#include "feeds/feed_rows.h"

#include "gateway/rc4.h"
#include "gateway/result_rows.h"
#include "gateway/text.h"

namespace velmora {
namespace {

// The server matches table names without regard to case; the counts have always been asked of
// "latest1" and the rows of "Latest1", and the service's logs are read with that in mind.
constexpr std::string_view kRecommendationCountTable = "latest1";
constexpr std::string_view kRecommendationTable = "Latest1";
constexpr std::string_view kRecommendationColumns = "推荐时间,股票代码,操作方式,支撑位,阻力位,备注";
constexpr std::string_view kNewsTable = "config2";
constexpr std::string_view kNewsColumns = "更新日期,公告,字体名称,字体大小,字体颜色,公告标题";
constexpr std::string_view kOrderColumn = "编号";

constexpr std::string_view kRecommendationWord = "信息";
constexpr std::string_view kNewsWord = "公告";

// Font sizes beyond this are no font anyone can draw; the bound keeps the window side's
// arithmetic away from overflow.
constexpr int64_t kLargestFontPoints = 1000;

std::string_view RowTable(FeedKind kind) {
  return kind == FeedKind::kRecommendation ? kRecommendationTable : kNewsTable;
}
std::string_view Columns(FeedKind kind) {
  return kind == FeedKind::kRecommendation ? kRecommendationColumns : kNewsColumns;
}

}  // namespace

std::string FeedCountStatement(FeedKind kind) {
  return statement::CountRows(kind == FeedKind::kRecommendation ? kRecommendationCountTable : kNewsTable, "");
}

std::string FeedSelectStatement(FeedKind kind) { return statement::SelectRows(RowTable(kind), Columns(kind), ""); }

std::string FeedNewestStatement(FeedKind kind) {
  return statement::SelectTop1(RowTable(kind), Columns(kind), kOrderColumn);
}

std::optional<std::vector<FeedFields>> FeedAnswerRows(std::string_view answer) {
  const ResultRows rows(answer);
  if (rows.RowCount() == 0) return std::nullopt;
  std::vector<FeedFields> out;
  out.reserve(rows.RowCount() - 1);
  for (size_t r = 1; r < rows.RowCount(); ++r) {
    FeedFields& fields = out.emplace_back();
    for (size_t f = 0; f < fields.size(); ++f) fields[f] = std::string(rows.Field(r, f));
  }
  return out;
}

std::optional<int64_t> FeedCountReading(std::string_view answer) {
  static const std::string kEndOfRow = std::string(kFieldSeparator) + std::string(kRowSeparator);
  const auto pieces = SplitOnCharBoundary(answer, kEndOfRow, 2);
  if (pieces.size() < 2 || pieces[1].empty() || pieces[1][0] < '0' || pieces[1][0] > '9') return std::nullopt;
  return LeadingNumber(pieces[1]);
}

std::optional<std::vector<FeedFields>> SelectFeed(GatewayLink& gateway, FeedKind kind) {
  return FeedAnswerRows(gateway.Query(FeedSelectStatement(kind)));
}

std::optional<std::vector<FeedFields>> SelectNewest(GatewayLink& gateway, FeedKind kind) {
  return FeedAnswerRows(gateway.Query(FeedNewestStatement(kind)));
}

std::optional<int64_t> CountFeed(GatewayLink& gateway, FeedKind kind) {
  return FeedCountReading(gateway.Query(FeedCountStatement(kind)));
}

FeedRow RecommendationRow(const FeedFields& fields) {
  FeedRow row;
  row[0] = fields[0];
  for (size_t i = 1; i < row.size(); ++i) row[i] = Rc4HexDecode(fields[i]);
  return row;
}

FeedRow NewsRow(const FeedFields& fields) {
  FeedRow row = fields;
  row[1] = Rc4HexDecode(fields[1]);
  row[5] = Rc4HexDecode(fields[5]);
  return row;
}

LatestItem LatestRecommendation(const FeedFields& fields) { return {FeedKind::kRecommendation, fields}; }

LatestItem LatestNews(const FeedFields& fields) { return {FeedKind::kNews, NewsRow(fields)}; }

std::string LatestItemText(const LatestItem& item) {
  std::string text(item.kind == FeedKind::kRecommendation ? kRecommendationWord : kNewsWord);
  for (const std::string& part : item.parts) {
    text += kFieldSeparator;
    text += part;
  }
  return text;
}

RecommendationDetail DescribeRecommendation(const FeedRow& row) {
  static constexpr std::string_view kPrefixes[] = {"推荐时间：", "推荐代码：", "操作方式：", "支 撑 位：",
                                                   "阻 力 位："};
  RecommendationDetail detail;
  for (size_t i = 0; i < detail.labels.size(); ++i) detail.labels[i] = std::string(kPrefixes[i]) + row[i];
  detail.remarks = row[5];
  return detail;
}

NewsDetail DescribeNews(const FeedRow& row) {
  NewsDetail detail;
  detail.time_label = "推荐时间：" + row[0];
  detail.title_label = "资讯标题：" + row[5];
  detail.content = row[1];
  detail.font_name = row[2];
  const int64_t points = LeadingNumber(row[3]);
  detail.font_points = int(points > kLargestFontPoints ? kLargestFontPoints : points);
  detail.colour = uint32_t(uint64_t(LeadingNumber(row[4])) & 0x00FFFFFFu);
  return detail;
}

}  // namespace velmora
