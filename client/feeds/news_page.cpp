#include "feeds/news_page.h"

namespace velmora {

std::string NewsPageTemplate() {
  // The browser hosts the page in its oldest document mode: the handlers below therefore read
  // the global `event` where no `window.Event` exists, and `e` elsewhere.
  static constexpr const char* kLines[] = {
      "<html>",
      "<head>",
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">",
      "<title>资讯</title>",
      "<style type=\"text/css\">",
      "<!--",
      "a:link {",
      "    color: #0000FF;",
      "}",
      "",
      "a:visited {",
      "    color: #0000FF;",
      "}",
      "",
      "a:hover {",
      "    color: #0000FF;",
      "}",
      "",
      "a:active {",
      "    color: #0000FF;",
      "}",
      "",
      "body {",
      "    background-color: #FFFFFF;",
      "    border: 1px solid #006699;",
      "    overflow: auto;",
      "    margin-left: 3px;",
      "    margin-top: 3px;",
      "    margin-right: 3px;",
      "    margin-bottom: 3px;",
      "}",
      "",
      "body,td,th {",
      "    color: #000000;",
      "}",
      "-->",
      "</style>",
      "</head>",
      "<!-- 禁止鼠标右键代码 -->",
      "<noscript><iframe src=\"*.html\"></iframe></noscript>",
      "<script language=javascript>",
      "if (window.Event)",
      "  document.captureEvents(Event.MOUSEUP);",
      "",
      "function nocontextmenu() {",
      "  event.cancelBubble = true;",
      "  event.returnValue = false;",
      "  return false;",
      "}",
      "",
      "function norightclick(e) {",
      "  if (window.Event) {",
      "    if (e.which == 2 || e.which == 3)",
      "      return false;",
      "  } else if (event.button == 2 || event.button == 3) {",
      "    event.cancelBubble = true;",
      "    event.returnValue = false;",
      "    return false;",
      "  }",
      "}",
      "",
      "document.oncontextmenu = nocontextmenu;",
      "document.onmousedown = norightclick;",
      "</script>",
      "<body onselectstart=\"return false\">",
      "</body>",
      "</html>",
  };
  std::string page;
  for (const char* line : kLines) {
    page += line;
    page += "\r\n";
  }
  return page;
}

std::string ColourToHtml(int64_t colour) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto value = static_cast<uint64_t>(colour);
  std::string text = "#";
  // Red is the lowest byte, then green, then blue.
  for (int shift = 0; shift <= 16; shift += 8) {
    const unsigned channel = unsigned(value >> shift) & 0xFFu;
    text += kHex[channel >> 4];
    text += kHex[channel & 0xFu];
  }
  return text;
}

std::string AnnouncementFontSize(int points) { return std::to_string(points) + "PT"; }

}  // namespace velmora
