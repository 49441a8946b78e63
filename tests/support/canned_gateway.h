// A gateway that answers each statement from a table of canned answers ("" for the rest), and
// an answer builder in the service's own form.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "gateway/result_rows.h"
#include "gateway/statements.h"

namespace velmora::testing {

class CannedGateway final : public GatewayLink {
 public:
  std::map<std::string, std::string> answers;  // statement text -> answer
  std::vector<std::string> sent;
  std::string Query(const std::string& sql) override { return Answer(sql); }
  std::string Execute(const std::string& sql) override { return Answer(sql); }
  std::string Check(const std::string& sql) override { return Answer(sql); }

 private:
  std::string Answer(const std::string& sql) {
    sent.push_back(sql);
    const auto found = answers.find(sql);
    return found == answers.end() ? std::string() : found->second;
  }
};

// Every field followed by "々", every row by "☆", row 0 the column names.
inline std::string ServiceAnswer(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (const auto& row : rows) {
    for (const std::string& field : row) out += field + std::string(kFieldSeparator);
    out += kRowSeparator;
  }
  return out;
}

}  // namespace velmora::testing
