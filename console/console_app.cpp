#include "console_app.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "admin_ops.h"
#include "admin_values.h"
#include "gateway/date_time.h"
#include "html.h"

// Pages and column names are UTF-8 literals.
static_assert(sizeof("编号") == 7 && "编号"[0] == '\xE7', "narrow string literals must be UTF-8 here");

namespace velmora::console {
namespace {

using admin::AdminDb;
using admin::OpResult;
using admin::Operations;
using Form = std::map<std::string, std::string, std::less<>>;

constexpr std::string_view kCookieName = "velmora_console";
// The sign-in form's own token, before there is a session: the form carries it and this cookie
// (SameSite=Strict, so another site's page cannot send it) must carry the same, so that no other
// site can sign a browser in to an account of its choosing.
constexpr std::string_view kLoginCookieName = "velmora_login";
constexpr int64_t kPageRows = 50;

std::string H(std::string_view text) { return HtmlEscape(text); }

// ---- Replies -----------------------------------------------------------------------------------

ConsoleReply Html(int status, std::string body) {
  ConsoleReply reply;
  reply.status = status;
  reply.body = std::move(body);
  return reply;
}

ConsoleReply Redirect(const std::string& location) {
  ConsoleReply reply = Html(303, "");
  reply.headers.emplace_back("Location", location);
  return reply;
}

std::string CookieValue(const std::string& header, std::string_view name) {
  std::string_view rest = header;
  while (!rest.empty()) {
    const size_t semi = rest.find(';');
    std::string_view pair = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
    if (pair.size() > name.size() && pair.substr(0, name.size()) == name && pair[name.size()] == '=') {
      return std::string(pair.substr(name.size() + 1));
    }
  }
  return "";
}

const char kStyle[] =
    "body{font-family:\"Microsoft YaHei\",\"WenQuanYi Zen Hei\",sans-serif;margin:0;background:#f4f5f7;color:#222}"
    "header{background:#1f3a5f;color:#fff;padding:8px 16px;display:flex;gap:16px;align-items:center}"
    "header a{color:#fff;text-decoration:none}header a:focus,header a:hover{text-decoration:underline}"
    "header form{margin-left:auto}main{padding:16px}"
    "table{border-collapse:collapse;background:#fff;margin:8px 0}td,th{border:1px solid #ccd;padding:4px 8px;"
    "text-align:left;vertical-align:top}th{background:#e8ecf2}"
    "form.box{background:#fff;border:1px solid #ccd;padding:12px;margin:8px 0;max-width:760px}"
    "form.box label{display:inline-block;min-width:6em}form.box div{margin:4px 0}"
    ".error{color:#b00020;margin-left:8px}.notice{background:#e6f4ea;border:1px solid #9c9;padding:8px}"
    ".failure{background:#fdecea;border:1px solid #e99;padding:8px}";

// The page frame: the navigation, the sign-out button (a form: it changes state) and `body`.
std::string Frame(std::string_view title, const Session& session, const std::string& body) {
  return "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" + H(title) +
         " - Velmora 运营控制台</title><style>" + kStyle +
         "</style></head><body><header><strong>Velmora 运营控制台</strong>"
         "<a id=\"nav-overview\" href=\"/\">概览</a><a id=\"nav-recommendations\" href=\"/recommendations\">推荐</a>"
         "<a id=\"nav-accounts\" href=\"/accounts\">账户</a><a id=\"nav-announcements\" href=\"/announcements\">公告</a>"
         "<a id=\"nav-settings\" href=\"/settings\">设置</a><a id=\"nav-audit\" href=\"/audit\">审计</a>"
         "<form method=\"post\" action=\"/logout\"><span>" +
         H(session.operator_name) + "</span> <input type=\"hidden\" name=\"csrf\" value=\"" + H(session.csrf) +
         "\"><button id=\"logout\" type=\"submit\">退出</button></form></header><main><h1>" + H(title) + "</h1>" +
         body + "</main></body></html>";
}

std::string CsrfField(const Session& session) {
  return "<input type=\"hidden\" name=\"csrf\" value=\"" + H(session.csrf) + "\">";
}

// A labelled text field with its refusal message next to it.
// The field `name` of the form `form` when one page holds several forms with fields of the same
// name: its id (and its error's) is "form-name", so every id on the page stays unique.
std::string FieldIn(std::string_view form, std::string_view name, std::string_view label, const Form& values,
                    const OpResult* result, bool autofocus = false, std::string_view placeholder = "") {
  const std::string id = form.empty() ? std::string(name) : std::string(form) + "-" + std::string(name);
  std::string html = "<div><label for=\"" + H(id) + "\">" + H(label) + "</label><input id=\"" + H(id) +
                     "\" name=\"" + H(name) + "\" value=\"" + H(FormValue(values, name)) + "\"";
  if (!placeholder.empty()) html += " placeholder=\"" + H(placeholder) + "\"";
  if (autofocus) html += " autofocus";
  html += ">";
  if (result && !result->ok() && result->field == name) {
    html += "<span class=\"error\" id=\"" + H(id) + "-error\">" + H(result->message) + "</span>";
  }
  return html + "</div>";
}

std::string Field(std::string_view name, std::string_view label, const Form& values, const OpResult* result,
                  bool autofocus = false, std::string_view placeholder = "") {
  return FieldIn("", name, label, values, result, autofocus, placeholder);
}

// A refusal that belongs to no one field (or a failure of the database), above the form.
std::string Outcome(const OpResult* result, std::string_view done) {
  if (!result) return "";
  if (result->ok()) return "<p class=\"notice\" id=\"outcome\">" + H(done.empty() ? result->message : done) + "</p>";
  if (!result->field.empty()) return "<p class=\"failure\" id=\"outcome\">未保存：请更正标出的字段。</p>";
  return "<p class=\"failure\" id=\"outcome\">未保存：" + H(result->message) + "</p>";
}

int64_t PageNumber(const std::string& query) {
  const std::string text = FormValue(ParseForm(query), "page");
  if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return 1;
  return std::max<int64_t>(1, std::stoll(text));
}

// "上一页 / 下一页" links around a page of a newest-first list.
std::string Pager(std::string_view path, int64_t page, bool more) {
  std::string html = "<p>";
  if (page > 1) html += "<a id=\"newer\" href=\"" + std::string(path) + "?page=" + std::to_string(page - 1) + "\">较新</a> ";
  html += "第 " + std::to_string(page) + " 页";
  if (more) html += " <a id=\"older\" href=\"" + std::string(path) + "?page=" + std::to_string(page + 1) + "\">较旧</a>";
  return html + "</p>";
}

std::string Table(const std::vector<std::string>& heads, const std::vector<std::vector<std::string>>& rows,
                  std::string_view id) {
  std::string html = "<table id=\"" + std::string(id) + "\"><tr>";
  for (const auto& h : heads) html += "<th>" + H(h) + "</th>";
  html += "</tr>";
  for (const auto& row : rows) {
    html += "<tr>";
    for (const auto& cell : row) html += "<td>" + H(cell) + "</td>";
    html += "</tr>";
  }
  if (rows.empty()) html += "<tr><td colspan=\"" + std::to_string(heads.size()) + "\">（无）</td></tr>";
  return html + "</table>";
}

std::string Today(const admin::AdminClock& now) { return ServerClockText(now(), false).substr(0, 10); }

// A stored Windows colour (0x00BBGGRR, decimal) as CSS #RRGGBB, or "" when it is none.
std::string CssColour(const std::string& stored) {
  if (stored.empty() || stored.size() > 10 || stored.find_first_not_of("0123456789") != std::string::npos) return "";
  const int64_t v = std::stoll(stored);
  if (v < 0 || v > 0xFFFFFF) return "";
  char css[8];
  std::snprintf(css, sizeof css, "#%02X%02X%02X", unsigned(v & 0xFF), unsigned((v >> 8) & 0xFF),
                unsigned((v >> 16) & 0xFF));
  return css;
}

// A font name fit for a style attribute: none that could end the CSS value.
std::string CssFont(const std::string& font) {
  if (font.empty() || font.find_first_of("'\";\\<>(){}:/&") != std::string::npos) return "";
  return font;
}

// ---- The pages ---------------------------------------------------------------------------------

class Pages {
 public:
  Pages(AdminDb& db, const ConsoleOptions& options, const Session& session)
      : db_(db),
        options_(options),
        session_(session),
        ops_([&db]() -> AdminDb& { return db; }, options.now, "console:" + session.operator_name) {}

  ConsoleReply Overview(const ConsoleRequest&, const Form&);
  ConsoleReply Recommendations(const ConsoleRequest& request, const Form& form);
  ConsoleReply Accounts(const ConsoleRequest& request, const Form& form);
  ConsoleReply Announcements(const ConsoleRequest& request, const Form& form);
  ConsoleReply Audit(const ConsoleRequest& request, const Form&);
  ConsoleReply Settings(const ConsoleRequest& request, const Form& form);

 private:
  std::string PollSeconds() {
    const auto row = db_.Row("SELECT lset7 FROM lset WHERE 编号=1");
    return row ? row->at(0) : "?";
  }

  AdminDb& db_;
  const ConsoleOptions& options_;
  const Session& session_;
  Operations ops_;
};

ConsoleReply Pages::Overview(const ConsoleRequest&, const Form&) {
  std::string body;
  std::vector<std::vector<std::string>> online;
  for (auto& r : db_.Query("SELECT 账号,登陆时间,\"登陆IP\" FROM account WHERE 在线='1' ORDER BY 编号")) {
    online.push_back({r[0], r[1], r[2]});
  }
  body += "<h2>在线账户（" + std::to_string(online.size()) + "）</h2>" +
          Table({"账号", "登录时间", "地址"}, online, "online");

  const std::string today = Today(options_.now) + "%";
  std::vector<std::vector<std::string>> recs;
  for (auto& r : db_.Query("SELECT 编号,推荐时间,股票代码,操作方式,备注 FROM \"Latest1\" WHERE 推荐时间 LIKE ?1 "
                           "ORDER BY 编号 DESC",
                           {today})) {
    recs.push_back({r[0], r[1], admin::Deciphered(r[2]), admin::Deciphered(r[3]), admin::Deciphered(r[4])});
  }
  body += "<h2>今日推荐（" + std::to_string(recs.size()) + "）</h2>" +
          Table({"编号", "时间", "代码", "操作", "备注"}, recs, "today-recommendations");
  std::vector<std::vector<std::string>> news;
  for (auto& r : db_.Query("SELECT 编号,更新日期,公告标题 FROM config2 WHERE 更新日期 LIKE ?1 ORDER BY 编号 DESC", {today})) {
    news.push_back({r[0], r[1], admin::Deciphered(r[2])});
  }
  body += "<h2>今日公告（" + std::to_string(news.size()) + "）</h2>" +
          Table({"编号", "时间", "标题"}, news, "today-announcements");

  const auto last_rec = db_.Row("SELECT 推荐时间,股票代码 FROM \"Latest1\" ORDER BY 编号 DESC LIMIT 1");
  const auto last_news = db_.Row("SELECT 更新日期,公告标题 FROM config2 ORDER BY 编号 DESC LIMIT 1");
  body += "<h2>最近发布</h2><ul id=\"last-publication\">";
  body += "<li>推荐：" + (last_rec ? H(last_rec->at(0)) + " " + H(admin::Deciphered(last_rec->at(1))) : "（无）") + "</li>";
  body += "<li>公告：" + (last_news ? H(last_news->at(0)) + " " + H(admin::Deciphered(last_news->at(1))) : "（无）") +
          "</li></ul>";

  body += "<h2>网关（最近一分钟）</h2>";
  if (options_.counters) {
    const auto minute = options_.counters->LastMinute();
    body += "<p id=\"counters\">请求 <strong id=\"requests-per-minute\">" + std::to_string(minute.requests) +
            "</strong> 次/分钟，拒绝或失败 <strong id=\"refusals-per-minute\">" + std::to_string(minute.refused) +
            "</strong> 次</p>";
  } else {
    body += "<p>（无计数）</p>";
  }
  return Html(200, Frame("概览", session_, body));
}

// The action select's fixed choices; anything else comes from the free-text field.
constexpr std::array<std::string_view, 3> kActions = {"买入", "卖出", "持有"};
constexpr std::string_view kOtherAction = "other";

ConsoleReply Pages::Recommendations(const ConsoleRequest& request, const Form& form) {
  std::optional<OpResult> result;
  Form shown;  // the form's values, kept when something was refused
  if (request.method == "POST") {
    admin::RecommendInput in;
    in.code = FormValue(form, "code");
    const std::string action = FormValue(form, "action");
    in.action = action == kOtherAction ? FormValue(form, "action_other") : action;
    in.support = FormValue(form, "support");
    in.resistance = FormValue(form, "resistance");
    in.remark = FormValue(form, "remark");
    in.time = FormValue(form, "time");
    result = ops_.Recommend(in);
    if (result->ok()) {
      options_.log("console: " + session_.operator_name + " " + result->message);
      return Redirect("/recommendations?published=" + result->key);
    }
    shown = form;
  }

  std::string body;
  const std::string published = FormValue(ParseForm(request.query), "published");
  if (!published.empty() && published.find_first_not_of("0123456789") == std::string::npos) {
    const std::string poll = PollSeconds();
    body += "<p class=\"notice\" id=\"outcome\">推荐 " + H(published) + " 已发布。在线客户端将在 " + H(poll) +
            " 秒内（轮询间隔）收到。</p>";
  }
  body += Outcome(result ? &*result : nullptr, "");

  // The publishing form: Enter in any field submits it.
  const OpResult* r = result ? &*result : nullptr;
  const std::string chosen = FormValue(shown, "action");
  body += "<form class=\"box\" id=\"publish\" method=\"post\" action=\"/recommendations\">" + CsrfField(session_) +
          Field("code", "股票代码", shown, r, true) + "<div><label for=\"action\">操作方式</label><select id=\"action\" name=\"action\">";
  for (std::string_view a : kActions) {
    body += "<option value=\"" + H(a) + "\"" + (chosen == a ? " selected" : "") + ">" + H(a) + "</option>";
  }
  body += "<option value=\"other\"" + std::string(chosen == kOtherAction ? " selected" : "") +
          ">其他（右侧填写）</option></select> <label for=\"action_other\">其他</label><input id=\"action_other\" "
          "name=\"action_other\" value=\"" + H(FormValue(shown, "action_other")) + "\">";
  if (r && !r->ok() && r->field == "action") {
    body += "<span class=\"error\" id=\"action-error\">" + H(r->message) + "</span>";
  }
  body += "</div>" + Field("support", "支撑位", shown, r) + Field("resistance", "阻力位", shown, r) +
          Field("remark", "备注", shown, r) + Field("time", "时间", shown, r, false, "留空为现在，如 2026-12-09 14:30:00") +
          "<div><button id=\"publish-submit\" type=\"submit\">发布推荐</button></div></form>";

  const int64_t page = PageNumber(request.query);
  std::vector<std::vector<std::string>> rows;
  const auto found = db_.Query(
      "SELECT 编号,推荐时间,股票代码,操作方式,支撑位,阻力位,备注 FROM \"Latest1\" ORDER BY 编号 DESC LIMIT ?1 OFFSET ?2",
      {std::to_string(kPageRows + 1), std::to_string((page - 1) * kPageRows)});
  for (size_t i = 0; i < found.size() && int64_t(i) < kPageRows; ++i) {
    const auto& f = found[i];
    rows.push_back({f[0], f[1], admin::Deciphered(f[2]), admin::Deciphered(f[3]), admin::Deciphered(f[4]),
                    admin::Deciphered(f[5]), admin::Deciphered(f[6])});
  }
  body += "<h2>推荐（最新在前）</h2>" +
          Table({"编号", "时间", "代码", "操作", "支撑位", "阻力位", "备注"}, rows, "recommendations") +
          Pager("/recommendations", page, int64_t(found.size()) > kPageRows);
  return Html(result && !result->ok() ? 422 : 200, Frame("推荐", session_, body));
}

// The account actions of the accounts page's forms.
struct AccountAction {
  std::string_view name;
  OpResult (Operations::*change)(const std::string&);
};
constexpr AccountAction kAccountActions[] = {
    {"freeze", &Operations::FreezeAccount},
    {"unfreeze", &Operations::UnfreezeAccount},
    {"kick", &Operations::KickAccount},
};

ConsoleReply Pages::Accounts(const ConsoleRequest& request, const Form& form) {
  std::optional<OpResult> result;
  Form shown;
  if (request.method == "POST") {
    const std::string what = FormValue(form, "do");
    const std::string name = FormValue(form, "name");
    if (what == "add") {
      result = ops_.AddAccount(name, FormValue(form, "password"));
    } else if (what == "password") {
      result = ops_.ResetPassword(name, FormValue(form, "password"));
    } else {
      const auto action = std::find_if(std::begin(kAccountActions), std::end(kAccountActions),
                                       [&](const AccountAction& a) { return a.name == what; });
      result = action == std::end(kAccountActions) ? OpResult{admin::kExitUsage, "unknown account action", "", ""}
                                                   : (ops_.*(action->change))(name);
    }
    if (result->ok()) options_.log("console: " + session_.operator_name + " " + result->message);
    if (!result->ok() && what == "add") shown = form;
    shown.erase("password");  // never sent back
  }
  const OpResult* r = result ? &*result : nullptr;
  const std::string search = FormValue(ParseForm(request.query), "q");
  std::string body = Outcome(r, "");
  body += "<form class=\"box\" id=\"search\" method=\"get\" action=\"/accounts\"><label for=\"q\">查找账号</label>"
          "<input id=\"q\" name=\"q\" value=\"" + H(search) + "\" autofocus> <button id=\"search-submit\" "
          "type=\"submit\">查找</button></form>";
  body += "<form class=\"box\" id=\"add-account\" method=\"post\" action=\"/accounts\">" + CsrfField(session_) +
          "<input type=\"hidden\" name=\"do\" value=\"add\">" + Field("name", "新账号", shown, r) +
          "<div><label for=\"password\">密码</label><input id=\"password\" name=\"password\" type=\"password\">" +
          (r && !r->ok() && r->field == "password" ? "<span class=\"error\" id=\"password-error\">" + H(r->message) + "</span>"
                                                   : std::string()) +
          "</div><div><button id=\"add-account-submit\" type=\"submit\">添加账号</button></div></form>";

  std::string escaped;  // the search text as a LIKE pattern: its own % and _ are literal
  for (char c : search) {
    if (c == '%' || c == '_' || c == '\\') escaped.push_back('\\');
    escaped.push_back(c);
  }
  const auto found = db_.Query(
      "SELECT 账号,在线,状态,登陆时间,\"登陆IP\",创建时间 FROM account WHERE 账号 LIKE ?1 ESCAPE '\\' ORDER BY 编号 "
      "LIMIT 201",
      {"%" + escaped + "%"});
  body += "<table id=\"accounts\"><tr><th>账号</th><th>在线</th><th>冻结</th><th>登录时间</th><th>地址</th><th>创建时间</th>"
          "<th>操作</th></tr>";
  for (size_t i = 0; i < found.size() && i < 200; ++i) {
    const auto& a = found[i];
    const auto button = [&](std::string_view what, std::string_view label) {
      return "<form method=\"post\" action=\"/accounts\" style=\"display:inline\">" + CsrfField(session_) +
             "<input type=\"hidden\" name=\"do\" value=\"" + H(what) + "\"><input type=\"hidden\" name=\"name\" value=\"" +
             H(a[0]) + "\"><button type=\"submit\">" + H(label) + "</button></form> ";
    };
    body += "<tr><td>" + H(a[0]) + "</td><td>" + (a[1] == "1" ? "在线" : "") + "</td><td>" + (a[2] == "1" ? "已冻结" : "") +
            "</td><td>" + H(a[3]) + "</td><td>" + H(a[4]) + "</td><td>" + H(a[5]) + "</td><td>" +
            (a[2] == "1" ? button("unfreeze", "解冻") : button("freeze", "冻结")) + button("kick", "踢下线") +
            "<form method=\"post\" action=\"/accounts\" style=\"display:inline\">" + CsrfField(session_) +
            "<input type=\"hidden\" name=\"do\" value=\"password\"><input type=\"hidden\" name=\"name\" value=\"" + H(a[0]) +
            "\"><input name=\"password\" type=\"password\" aria-label=\"新密码\" placeholder=\"新密码\"><button "
            "type=\"submit\">重设密码</button></form></td></tr>";
  }
  body += "</table>";
  if (found.size() > 200) body += "<p>只列出前 200 个；请缩小查找范围。</p>";
  return Html(r && !r->ok() ? 422 : 200, Frame("账户", session_, body));
}

ConsoleReply Pages::Announcements(const ConsoleRequest& request, const Form& form) {
  std::optional<OpResult> result;
  Form shown;
  std::string preview;
  if (request.method == "POST") {
    admin::StyleInput style;
    if (!FormValue(form, "font").empty()) style.font = FormValue(form, "font");
    if (!FormValue(form, "size").empty()) style.size = FormValue(form, "size");
    if (!FormValue(form, "colour").empty()) style.colour = FormValue(form, "colour");
    shown = form;
    if (FormValue(form, "do") == "preview") {
      // Checked as a publication would be, shown, and not stored.
      const std::optional<int64_t> colour = style.colour ? admin::ParseColour(*style.colour) : int64_t(0);
      const std::string css_colour = colour ? CssColour(std::to_string(*colour)) : "";
      preview = "<div id=\"preview\" style=\"background:#fff;border:1px dashed #889;padding:8px;";
      if (!css_colour.empty()) preview += "color:" + css_colour + ";";
      if (const std::string f = CssFont(style.font.value_or("宋体")); !f.empty()) preview += "font-family:'" + H(f) + "';";
      const std::string size = style.size.value_or("10");
      if (!size.empty() && size.size() < 4 && size.find_first_not_of("0123456789") == std::string::npos) {
        preview += "font-size:" + size + "pt;";
      }
      preview += "\"><strong>" + H(FormValue(form, "title")) + "</strong><p>" + H(FormValue(form, "text")) + "</p></div>";
    } else {
      result = ops_.Announce(FormValue(form, "title"), FormValue(form, "text"), style);
      if (result->ok()) {
        options_.log("console: " + session_.operator_name + " " + result->message);
        shown.clear();
      }
    }
  }
  const OpResult* r = result ? &*result : nullptr;
  std::string body = Outcome(r, r && r->ok() ? "公告 " + r->key + " 已发布。在线客户端将在 " + PollSeconds() +
                                                   " 秒内（轮询间隔）收到。"
                                             : "");
  body += preview;
  body += "<form class=\"box\" id=\"announce\" method=\"post\" action=\"/announcements\">" + CsrfField(session_) +
          Field("title", "标题", shown, r, true) + "<div><label for=\"text\">内容</label><textarea id=\"text\" name=\"text\" "
          "rows=\"4\" cols=\"60\">" + H(FormValue(shown, "text")) + "</textarea>" +
          (r && !r->ok() && r->field == "text" ? "<span class=\"error\" id=\"text-error\">" + H(r->message) + "</span>"
                                               : std::string()) +
          "</div>" + Field("font", "字体", shown, r, false, "宋体") + Field("size", "字号", shown, r, false, "10") +
          Field("colour", "颜色", shown, r, false, "#RRGGBB") +
          "<div><button id=\"preview-submit\" type=\"submit\" name=\"do\" value=\"preview\">预览</button> "
          "<button id=\"announce-submit\" type=\"submit\" name=\"do\" value=\"publish\">发布公告</button></div></form>";

  const int64_t page = PageNumber(request.query);
  const auto found = db_.Query(
      "SELECT 编号,更新日期,公告标题,公告,字体名称,字体大小,字体颜色 FROM config2 ORDER BY 编号 DESC LIMIT ?1 OFFSET ?2",
      {std::to_string(kPageRows + 1), std::to_string((page - 1) * kPageRows)});
  body += "<h2>公告（最新在前）</h2><table id=\"announcements\"><tr><th>编号</th><th>时间</th><th>标题</th><th>内容</th>"
          "<th>字体</th></tr>";
  for (size_t i = 0; i < found.size() && int64_t(i) < kPageRows; ++i) {
    const auto& a = found[i];
    std::string style;
    if (const std::string c = CssColour(a[6]); !c.empty()) style += "color:" + c + ";";
    body += "<tr><td>" + H(a[0]) + "</td><td>" + H(a[1]) + "</td><td>" + H(admin::Deciphered(a[2])) +
            "</td><td style=\"" + style + "\">" + H(admin::Deciphered(a[3])) + "</td><td>" + H(a[4]) + " " + H(a[5]) +
            " " + H(admin::ColourShown(a[6])) + "</td></tr>";
  }
  if (found.empty()) body += "<tr><td colspan=\"5\">（无）</td></tr>";
  body += "</table>" + Pager("/announcements", page, int64_t(found.size()) > kPageRows);
  return Html(r && !r->ok() ? 422 : 200, Frame("公告", session_, body));
}

ConsoleReply Pages::Audit(const ConsoleRequest& request, const Form&) {
  const int64_t page = PageNumber(request.query);
  const auto found = db_.Query("SELECT at,actor,summary FROM " + std::string(admin::kAuditTable) +
                                   " ORDER BY id DESC LIMIT ?1 OFFSET ?2",
                               {std::to_string(kPageRows + 1), std::to_string((page - 1) * kPageRows)});
  std::vector<std::vector<std::string>> rows(found.begin(), found.begin() + std::min<int64_t>(int64_t(found.size()), kPageRows));
  return Html(200, Frame("审计", session_,
                         Table({"时间", "操作者", "更改"}, rows, "audit") +
                             Pager("/audit", page, int64_t(found.size()) > kPageRows)));
}

// The settings page's forms, by their hidden `do` field.
struct SettingsForm {
  std::string_view name;
  OpResult (*apply)(Operations& ops, const Form& form);
};

std::optional<std::string> Given(const Form& form, std::string_view name) {
  const std::string v = FormValue(form, name);
  return v.empty() ? std::nullopt : std::optional<std::string>(v);
}

constexpr SettingsForm kSettingsForms[] = {
    {"notice",
     [](Operations& ops, const Form& f) {
       return ops.Notice(FormValue(f, "text"), {Given(f, "font"), Given(f, "size"), Given(f, "colour")});
     }},
    {"title", [](Operations& ops, const Form& f) { return ops.SetTitle(FormValue(f, "title")); }},
    {"title_style",
     [](Operations& ops, const Form& f) {
       admin::TitleStyleInput in{Given(f, "colour"), Given(f, "size"), Given(f, "font"), Given(f, "shadow_colour"),
                                 Given(f, "shadow_offset"), FormValue(f, "bold") == "1"};
       return ops.SetTitleStyle(in);
     }},
    {"poll", [](Operations& ops, const Form& f) { return ops.SetPollSeconds(FormValue(f, "seconds")); }},
    {"popup", [](Operations& ops, const Form& f) { return ops.SetPopupSeconds(FormValue(f, "seconds")); }},
    {"signup", [](Operations& ops, const Form& f) { return ops.SetSignup(FormValue(f, "signup")); }},
    {"notice_area", [](Operations& ops, const Form& f) { return ops.SetNoticeArea(FormValue(f, "notice_area")); }},
    {"contacts",
     [](Operations& ops, const Form& f) { return ops.SetContacts(FormValue(f, "qq"), FormValue(f, "wangwang")); }},
    {"page",
     [](Operations& ops, const Form& f) {
       return ops.SetPage(FormValue(f, "page"), FormValue(f, "caption"), FormValue(f, "address"));
     }},
};

ConsoleReply Pages::Settings(const ConsoleRequest& request, const Form& form) {
  std::optional<OpResult> result;
  std::string submitted;
  if (request.method == "POST") {
    submitted = FormValue(form, "do");
    const auto which = std::find_if(std::begin(kSettingsForms), std::end(kSettingsForms),
                                    [&](const SettingsForm& f) { return f.name == submitted; });
    result = which == std::end(kSettingsForms) ? OpResult{admin::kExitUsage, "unknown setting", "", ""}
                                               : which->apply(ops_, form);
    if (result->ok()) options_.log("console: " + session_.operator_name + " " + result->message);
  }
  // Each form shows what is stored; the one just refused shows what was typed, with the message.
  const auto lset = db_.Row("SELECT lset1,lset6,lset7,lset8,lset9,lset10,lset11,lset12,lset13,lset14,lset15 FROM lset WHERE 编号=1");
  const auto rconfig = db_.Row("SELECT 联系1,联系2,表头一,地址一,表头二,地址二,表头三,地址三,表头四,地址四,表头五,地址五,表头六,地址六 "
                               "FROM rconfig WHERE 编号=1");
  const auto notice = db_.Row("SELECT 公告,字体名称,字体大小,字体颜色 FROM \"Config\" ORDER BY 编号 DESC LIMIT 1");
  if (!lset || !rconfig) return Html(200, Frame("设置", session_, "<p class=\"failure\">数据库缺少布局行或页面行：请先运行 velmora-admin init。</p>"));
  const auto& l = *lset;
  const auto& r = *rconfig;
  const auto values = [&](std::string_view name, Form stored) {
    if (result && !result->ok() && submitted == name) {
      Form typed = form;
      typed.erase("csrf");
      return typed;
    }
    return stored;
  };
  const auto refusal = [&](std::string_view name) { return submitted == name && result ? &*result : nullptr; };
  const auto open = [&](std::string_view name, std::string_view heading) {
    return "<form class=\"box\" id=\"settings-" + std::string(name) + "\" method=\"post\" action=\"/settings\"><h2>" +
           H(heading) + "</h2>" + CsrfField(session_) + "<input type=\"hidden\" name=\"do\" value=\"" + H(name) + "\">";
  };
  const auto submit = [](std::string_view name) {
    return "<div><button id=\"settings-" + std::string(name) + "-submit\" type=\"submit\">保存</button></div></form>";
  };

  std::string body = Outcome(result ? &*result : nullptr, result && result->ok() ? "已保存。在线客户端下次读取设置时生效。" : "");
  {
    const Form v = values("notice", {{"text", notice ? admin::Deciphered(notice->at(0)) : ""},
                                     {"font", notice ? notice->at(1) : ""},
                                     {"size", notice ? notice->at(2) : ""},
                                     {"colour", notice ? CssColour(notice->at(3)) : ""}});
    body += open("notice", "登录公告") + FieldIn("notice", "text", "内容", v, refusal("notice"), true) +
            FieldIn("notice", "font", "字体", v, refusal("notice")) + FieldIn("notice", "size", "字号", v, refusal("notice")) +
            FieldIn("notice", "colour", "颜色", v, refusal("notice"), false, "#RRGGBB") + submit("notice");
  }
  body += open("title", "标题") + FieldIn("title", "title", "标题", values("title", {{"title", l[3]}}), refusal("title")) + submit("title");
  {
    const Form v = values("title_style", {{"colour", CssColour(l[4])}, {"size", l[5]}, {"font", l[6]},
                                          {"bold", l[8]}, {"shadow_colour", CssColour(l[9])}, {"shadow_offset", l[10]}});
    body += open("title_style", "标题样式") + FieldIn("title_style", "colour", "颜色", v, refusal("title_style")) +
            FieldIn("title_style", "size", "字号", v, refusal("title_style")) + FieldIn("title_style", "font", "字体", v, refusal("title_style")) +
            "<div><label for=\"bold\">粗体</label><select id=\"bold\" name=\"bold\"><option value=\"1\"" +
            (FormValue(v, "bold") == "1" ? " selected" : "") + ">是</option><option value=\"0\"" +
            (FormValue(v, "bold") == "1" ? "" : " selected") + ">否</option></select></div>" +
            FieldIn("title_style", "shadow_colour", "阴影颜色", v, refusal("title_style")) +
            FieldIn("title_style", "shadow_offset", "阴影偏移", v, refusal("title_style")) + submit("title_style");
  }
  body += open("poll", "轮询间隔（秒）") + FieldIn("poll", "seconds", "秒", values("poll", {{"seconds", l[2]}}), refusal("poll")) +
          submit("poll");
  body += open("popup", "弹窗显示（秒）") + FieldIn("popup", "seconds", "秒", values("popup", {{"seconds", l[1]}}), refusal("popup")) +
          submit("popup");
  const auto choice = [&](std::string_view name, std::string_view current,
                          std::initializer_list<std::pair<std::string_view, std::string_view>> options) {
    std::string html = "<div><label for=\"" + H(name) + "\">选择</label><select id=\"" + H(name) + "\" name=\"" + H(name) + "\">";
    for (const auto& [value, label] : options) {
      html += "<option value=\"" + H(value) + "\"" + (value == current ? " selected" : "") + ">" + H(label) + "</option>";
    }
    return html + "</select></div>";
  };
  body += open("signup", "注册") + choice("signup", l[0] == "1" ? "open" : "closed", {{"open", "开放"}, {"closed", "关闭"}}) +
          submit("signup");
  body += open("notice_area", "公告区") +
          choice("notice_area", l[7].empty() ? "hidden" : "shown", {{"shown", "显示"}, {"hidden", "隐藏"}}) +
          submit("notice_area");
  {
    const Form v = values("contacts", {{"qq", admin::Deciphered(r[0])}, {"wangwang", admin::Deciphered(r[1])}});
    body += open("contacts", "联系方式") + Field("qq", "QQ", v, refusal("contacts")) +
            Field("wangwang", "旺旺", v, refusal("contacts")) + submit("contacts");
  }
  body += "<h2>浏览器页面</h2><table id=\"pages\"><tr><th>页</th><th>标题</th><th>地址</th></tr>";
  for (int i = 0; i < 6; ++i) {
    body += "<tr><td>" + std::to_string(i + 1) + "</td><td>" + H(admin::Deciphered(r[size_t(2 + 2 * i)])) + "</td><td>" +
            H(admin::Deciphered(r[size_t(3 + 2 * i)])) + "</td></tr>";
  }
  body += "</table>";
  body += open("page", "更改一个页面") + Field("page", "页（1-6）", values("page", {{"page", "1"}}), refusal("page")) +
          Field("caption", "标题", values("page", {}), refusal("page")) +
          Field("address", "地址", values("page", {}), refusal("page"), false, "http://") + submit("page");
  return Html(result && !result->ok() ? 422 : 200, Frame("设置", session_, body));
}

// ---- Routing -----------------------------------------------------------------------------------

enum class Method { kGet, kPost };

struct Route {
  Method method;
  std::string_view path;
  ConsoleReply (Pages::*page)(const ConsoleRequest&, const Form&);
};

constexpr Route kRoutes[] = {
    {Method::kGet, "/", &Pages::Overview},
    {Method::kGet, "/recommendations", &Pages::Recommendations},
    {Method::kPost, "/recommendations", &Pages::Recommendations},
    {Method::kGet, "/accounts", &Pages::Accounts},
    {Method::kPost, "/accounts", &Pages::Accounts},
    {Method::kGet, "/announcements", &Pages::Announcements},
    {Method::kPost, "/announcements", &Pages::Announcements},
    {Method::kGet, "/audit", &Pages::Audit},
    {Method::kGet, "/settings", &Pages::Settings},
    {Method::kPost, "/settings", &Pages::Settings},
};

std::optional<Method> MethodOf(const std::string& method) {
  if (method == "GET") return Method::kGet;
  if (method == "POST") return Method::kPost;
  return std::nullopt;
}

std::string LoginPage(const std::string& message, const std::string& token) {
  return std::string("<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>登录 - Velmora "
                     "运营控制台</title><style>") +
         kStyle +
         "</style></head><body><main><h1>Velmora 运营控制台</h1>" +
         (message.empty() ? "" : "<p class=\"failure\" id=\"login-error\">" + H(message) + "</p>") +
         "<form class=\"box\" id=\"login\" method=\"post\" action=\"/login\"><input type=\"hidden\" name=\"csrf\" "
         "value=\"" + H(token) + "\"><div><label for=\"name\">操作员</label>"
         "<input id=\"name\" name=\"name\" autocomplete=\"username\" autofocus required></div><div><label "
         "for=\"password\">密码</label><input id=\"password\" name=\"password\" type=\"password\" "
         "autocomplete=\"current-password\" required></div><div><button id=\"login-submit\" "
         "type=\"submit\">登录</button></div></form></main></body></html>";
}

// The sign-in page with its form's token, and the cookie that pairs with it. A browser that holds
// such a cookie keeps its token: it fetches the sign-in page more than once (a second tab, the
// redirected icon request), and a new token each time would void the form it shows.
ConsoleReply LoginForm(int status, const std::string& message, const std::string& held, bool tls) {
  const bool usable = held.size() == 64 && held.find_first_not_of("0123456789abcdef") == std::string::npos;
  const std::string token = usable ? held : RandomToken();
  ConsoleReply reply = Html(status, LoginPage(message, token));
  reply.headers.emplace_back("Set-Cookie", std::string(kLoginCookieName) + "=" + token +
                                               "; Path=/login; HttpOnly; SameSite=Strict" + (tls ? "; Secure" : ""));
  return reply;
}

}  // namespace

void ConsoleDb::DropIfLost() {
  if (!db_) return;
  try {
    db_->Query("SELECT 1");
  } catch (const admin::CommandError&) {
    db_.reset();
  }
}

ConsoleApp::ConsoleApp(ConsoleDb::Opener open, ConsoleOptions options)
    : db_(std::move(open)), options_(std::move(options)) {}

void ConsoleApp::Handle(ConsoleRequest&& request, ConsoleRespond respond) {
  options_.post([this, request = std::move(request), respond = std::move(respond)] {
    ConsoleReply reply;
    try {
      reply = Serve(request);
    } catch (const admin::CommandError& e) {
      options_.log("console: database error: " + e.message);
      reply = Html(503, "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>数据库不可用</title>"
                        "</head><body><h1>数据库暂时不可用</h1><p>" +
                            H(e.message) + "</p><p>未做任何更改。请稍后重试。</p></body></html>");
    }
    respond(std::move(reply));
  });
}

ConsoleReply ConsoleApp::Serve(const ConsoleRequest& request) {
  const std::optional<Method> method = MethodOf(request.method);
  if (!method) return Html(405, "");
  const Form form = *method == Method::kPost ? ParseForm(request.body) : Form();

  if (request.path == "/login") {
    const std::string form_token = CookieValue(request.cookie, kLoginCookieName);
    if (*method == Method::kGet) return LoginForm(200, "", form_token, request.tls);
    if (form_token.empty() || !SameToken(FormValue(form, "csrf"), form_token)) {
      options_.log("console: sign-in from " + request.remote_address + " without its form's token: refused");
      return LoginForm(403, "登录表单已过期或来自别的网站，请重新登录。", form_token, request.tls);
    }
    const std::string name = FormValue(form, "name");
    const bool good = db_.With([&](AdminDb& db) { return admin::VerifyOperator(db, name, FormValue(form, "password")); });
    if (!good) {
      ConsoleReply reply = LoginForm(403, "操作员名称或密码错误。", form_token, request.tls);
      reply.delay = throttle_.Failed(request.remote_address);
      reply.headers.emplace_back("X-Login-Delay-Ms", std::to_string(reply.delay.count()));
      options_.log("console: sign-in refused from " + request.remote_address + " for " + admin::Shown(name) +
                   "; answered after " + std::to_string(reply.delay.count()) + " ms");
      return reply;
    }
    throttle_.Succeeded(request.remote_address);
    const std::string id = sessions_.Create(name);
    options_.log("console: " + admin::Printable(name) + " signed in from " + request.remote_address);
    ConsoleReply reply = Redirect("/");
    reply.headers.emplace_back("Set-Cookie", std::string(kCookieName) + "=" + id +
                                                 "; Path=/; HttpOnly; SameSite=Strict" + (request.tls ? "; Secure" : ""));
    reply.headers.emplace_back("Set-Cookie", std::string(kLoginCookieName) + "=; Path=/login; Max-Age=0; HttpOnly; SameSite=Strict" +
                                                 (request.tls ? "; Secure" : ""));
    return reply;
  }

  const std::string id = CookieValue(request.cookie, kCookieName);
  const std::optional<Session> session = id.empty() ? std::nullopt : sessions_.Touch(id);
  if (!session) return Redirect("/login");
  if (*method == Method::kPost && !SameToken(FormValue(form, "csrf"), session->csrf)) {
    options_.log("console: POST " + request.path + " from " + request.remote_address + " without the session's token: refused");
    return Html(403, "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>已拒绝</title></head><body>"
                     "<h1>请求已拒绝</h1><p>表单已过期或来源不明，未做任何更改。请<a href=\"/\">返回</a>后重试。</p></body></html>");
  }
  if (request.path == "/logout" && *method == Method::kPost) {
    sessions_.Remove(id);
    options_.log("console: " + admin::Printable(session->operator_name) + " signed out");
    ConsoleReply reply = Redirect("/login");
    reply.headers.emplace_back("Set-Cookie", std::string(kCookieName) + "=; Path=/; Max-Age=0; HttpOnly; SameSite=Strict" +
                                                 (request.tls ? "; Secure" : ""));
    return reply;
  }
  const auto route = std::find_if(std::begin(kRoutes), std::end(kRoutes),
                                  [&](const Route& r) { return r.method == *method && r.path == request.path; });
  if (route == std::end(kRoutes)) return Html(404, "<!DOCTYPE html><meta charset=\"utf-8\"><p>没有这个页面。</p>");
  return db_.With([&](AdminDb& db) {
    Pages pages(db, options_, *session);
    return (pages.*(route->page))(request, form);
  });
}

}  // namespace velmora::console
