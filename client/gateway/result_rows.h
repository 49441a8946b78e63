// Query answers: rows separated by "☆", fields by "々", row 0 holding the column names.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr std::string_view kRowSeparator = "\xA1\xEE";    // ☆ in GBK
inline constexpr std::string_view kFieldSeparator = "\xA1\xA9";  // 々 in GBK

std::vector<std::string_view> SplitRows(std::string_view result);
std::vector<std::string_view> SplitFields(std::string_view row);

// A whole answer split into owned rows and fields.
class ResultRows {
 public:
  explicit ResultRows(std::string_view result);
  size_t RowCount() const { return rows_.size(); }  // column-name row included
  bool HasDataRow() const { return rows_.size() >= 2; }
  const std::vector<std::string>& Row(size_t i) const { return rows_[i]; }
  // The field, or "" when the row or the field does not exist.
  std::string_view Field(size_t row, size_t field) const;

 private:
  std::vector<std::vector<std::string>> rows_;
};

// The count in a "select count(*)" answer: the piece after the first "々☆"; 0 when there is none.
int64_t ParseCount(std::string_view answer);

// A change succeeded when the answer reads 6 ("6", "06").
bool IsSuccessAnswer(std::string_view answer);

}  // namespace velmora
