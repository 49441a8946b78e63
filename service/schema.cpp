#include "schema.h"

namespace velmora::service {
namespace {

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

Table Make(std::string name, std::initializer_list<const char*> text_columns) {
  Table t{std::move(name), {{std::string(kKeyColumn), true}}};
  for (const char* c : text_columns) t.columns.push_back({c, false});
  return t;
}

}  // namespace

const Column* Table::FindColumn(std::string_view column) const {
  for (const Column& c : columns) {
    if (SameNoCase(c.name, column)) return &c;
  }
  return nullptr;
}

const std::vector<Table>& Tables() {
  static const std::vector<Table> tables = {
      Make("account", {"账号", "密码", "姓名", "身份证号", "状态", "在线", "登陆IP",
                       "登陆时间", "句柄", "创建时间"}),
      Make("lset", {"lset1", "lset2", "lset3", "lset4", "lset5", "lset6", "lset7", "lset8", "lset9", "lset10",
                    "lset11", "lset12", "lset13", "lset14", "lset15", "lset16", "lset17", "lset18"}),
      Make("rconfig", {"联系1", "联系2", "表头一", "地址一", "表头二", "地址二", "表头三",
                       "地址三", "表头四", "地址四", "表头五", "地址五", "表头六", "地址六"}),
      Make("Config", {"公告", "字体颜色", "字体大小", "字体名称"}),
      Make("Latest1", {"推荐时间", "股票代码", "操作方式", "支撑位", "阻力位", "备注"}),
      Make("config2", {"更新日期", "公告", "字体名称", "字体大小", "字体颜色", "公告标题"}),
  };
  return tables;
}

const Table* FindTable(std::string_view name) {
  for (const Table& t : Tables()) {
    if (SameNoCase(t.name, name)) return &t;
  }
  return nullptr;
}

std::string SqlQuoted(std::string_view text, char quote) {
  std::string q(1, quote);
  for (char c : text) {
    q.push_back(c);
    if (c == quote) q.push_back(quote);
  }
  q.push_back(quote);
  return q;
}

std::string SchemaSql(const SchemaTypes& types) {
  std::string sql;
  for (const Table& t : Tables()) {
    sql += "CREATE TABLE IF NOT EXISTS " + QuoteIdentifier(t.name) + " (";
    for (size_t i = 0; i < t.columns.size(); ++i) {
      const Column& c = t.columns[i];
      if (i) sql += ", ";
      sql += QuoteIdentifier(c.name);
      sql += " ";
      sql += c.integer ? types.key : types.text;
      if (t.name == "account" && c.name == "账号") sql += " UNIQUE";
    }
    sql += ");\n";
  }
  return sql;
}

}  // namespace velmora::service
