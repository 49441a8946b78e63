// Texts of the operators' console: HTML escaping (the one way any text reaches a page), form and
// query decoding, and the page frame.
#pragma once
#include <map>
#include <string>
#include <string_view>

namespace velmora::console {

// `text` safe anywhere in HTML text or a quoted attribute: & < > " ' become entities, and every
// byte that is not part of a well-formed UTF-8 character (a lone GBK lead byte, an overlong form,
// a surrogate) becomes U+FFFD, so nothing the browser might read another way passes through.
// Control characters other than tab and line ends are replaced too.
std::string HtmlEscape(std::string_view text);

// application/x-www-form-urlencoded (a form's body, or a query): names to values, '+' as a space,
// %XX decoded. A name given twice keeps its first value; a malformed %-escape is taken literally.
std::map<std::string, std::string, std::less<>> ParseForm(std::string_view encoded);

// The value of `name` in `form`, or "".
std::string FormValue(const std::map<std::string, std::string, std::less<>>& form, std::string_view name);

}  // namespace velmora::console
