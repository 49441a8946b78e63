#include "gateway/result_rows.h"

#include "gateway/text.h"

namespace velmora {

std::vector<std::string_view> SplitRows(std::string_view result) {
  return SplitOnCharBoundary(result, kRowSeparator);
}

std::vector<std::string_view> SplitFields(std::string_view row) {
  return SplitOnCharBoundary(row, kFieldSeparator);
}

ResultRows::ResultRows(std::string_view result) {
  for (std::string_view row : SplitRows(result)) {
    auto& fields = rows_.emplace_back();
    for (std::string_view f : SplitFields(row)) fields.emplace_back(f);
  }
}

std::string_view ResultRows::Field(size_t row, size_t field) const {
  if (row >= rows_.size() || field >= rows_[row].size()) return {};
  return rows_[row][field];
}

int64_t ParseCount(std::string_view answer) {
  static const std::string kEndOfRow = std::string(kFieldSeparator) + std::string(kRowSeparator);
  const auto pieces = SplitOnCharBoundary(answer, kEndOfRow, 2);
  return pieces.size() < 2 ? 0 : LeadingNumber(pieces[1]);
}

bool IsSuccessAnswer(std::string_view answer) { return LeadingNumber(answer) == 6; }

}  // namespace velmora
